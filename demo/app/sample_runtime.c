// The library of the sample runtime: a real DLL with one export, which the
// runtime's installer puts into its folder and registers as shared.
// program.h is made by scripts/seed-demo.sh from demo/programs.txt.
#include <windows.h>

#include "program.h"

__declspec(dllexport) const wchar_t* WINAPI SampleRuntimeVersion(void) {
    return DEMO_VERSION;
}
