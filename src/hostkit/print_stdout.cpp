#include <cstdarg>
#include <cstdio>

#include "services.h"

namespace purgeon::hostkit {

void PrintStdout(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

}  // namespace purgeon::hostkit
