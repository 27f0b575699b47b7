// A sample program of the demo prefix. Run, it does what ordinary desktop
// programs do and their installers never hear of: it saves the user's
// settings (a file under %APPDATA%\<publisher>\<name> and a key under
// HKCU\Software\<publisher>\<name>), writes a file into its own folder when
// program.h names one, and adds itself to the user's Run key when program.h
// says so. Its uninstaller therefore leaves these behind, as real ones do.
// Then it says what it is; "/quiet" does the same without a window (the
// demo's set-up runs each program once that way).
//
// program.h is made per program by scripts/seed-demo.sh from
// demo/programs.txt.
#include <windows.h>
#include <shlobj.h>
#include <wchar.h>

#include "program.h"

// Creates the folder of a file path and every folder above it.
static void CreateParentFolders(const wchar_t* file) {
    wchar_t folder[MAX_PATH];
    wcsncpy(folder, file, MAX_PATH - 1);
    folder[MAX_PATH - 1] = 0;
    wchar_t* last = wcsrchr(folder, L'\\');
    if (last == NULL) return;
    *last = 0;
    SHCreateDirectoryExW(NULL, folder, NULL);
}

static void WriteTextFile(const wchar_t* path, const char* text) {
    CreateParentFolders(path);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text, (DWORD)strlen(text), &written, NULL);
    CloseHandle(file);
}

static void SetString(HKEY root, const wchar_t* key, const wchar_t* name, const wchar_t* text) {
    HKEY opened;
    if (RegCreateKeyExW(root, key, 0, NULL, 0, KEY_SET_VALUE, NULL, &opened, NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExW(opened, name, 0, REG_SZ, (const BYTE*)text,
                   (DWORD)((wcslen(text) + 1) * sizeof(wchar_t)));
    RegCloseKey(opened);
}

static void SaveSettings(const wchar_t* exe, const wchar_t* folder) {
    wchar_t path[MAX_PATH];
    if (SHGetFolderPathW(NULL, CSIDL_APPDATA, NULL, SHGFP_TYPE_CURRENT, path) == S_OK) {
        wcsncat(path, L"\\" DEMO_PUBLISHER L"\\" DEMO_NAME L"\\settings.ini",
                MAX_PATH - wcslen(path) - 1);
        CreateParentFolders(path);
        WritePrivateProfileStringW(L"General", L"Version", DEMO_VERSION, path);
        WritePrivateProfileStringW(L"General", L"Language", L"en", path);
        WritePrivateProfileStringW(L"Window", L"Left", L"120", path);
        WritePrivateProfileStringW(L"Window", L"Top", L"80", path);
    }
    const wchar_t* key = L"Software\\" DEMO_PUBLISHER L"\\" DEMO_NAME;
    SetString(HKEY_CURRENT_USER, key, L"Version", DEMO_VERSION);
    SetString(HKEY_CURRENT_USER, key, L"Folder", folder);
#ifdef DEMO_KEEPS
    _snwprintf(path, MAX_PATH, L"%ls\\%ls", folder, DEMO_KEEPS);
    path[MAX_PATH - 1] = 0;
    WriteTextFile(path, DEMO_KEEPS_TEXT);
#endif
#ifdef DEMO_AT_LOGON
    wchar_t command[MAX_PATH + 16];
    _snwprintf(command, MAX_PATH + 16, L"\"%ls\" /background", exe);
    command[MAX_PATH + 15] = 0;
    SetString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", DEMO_NAME,
              command);
#else
    (void)exe;
#endif
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR command_line, int show) {
    (void)previous;
    (void)show;
    wchar_t exe[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, exe, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    wchar_t folder[MAX_PATH];
    wcscpy(folder, exe);
    *wcsrchr(folder, L'\\') = 0;

    SaveSettings(exe, folder);
    if (wcsstr(command_line, L"/quiet") != NULL || wcsstr(command_line, L"/background") != NULL)
        return 0;

    MSGBOXPARAMSW box = {sizeof box};
    box.hInstance = instance;
    box.lpszCaption = DEMO_NAME;
    box.lpszText = DEMO_NAME L" " DEMO_VERSION L"\n" DEMO_PUBLISHER
                             L"\n\nA sample program of the Purgeon demo. It does nothing but save "
                             L"its settings, which its uninstaller leaves behind.";
    box.dwStyle = MB_OK | MB_USERICON;
    box.lpszIcon = MAKEINTRESOURCEW(1);
    MessageBoxIndirectW(&box);
    return 0;
}
