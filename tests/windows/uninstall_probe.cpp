// A stand-in for an uninstaller in the Windows tests. Whatever name it is
// copied under, it appends its command line (UTF-8, one line) to the file of
// its own path + ".log", then, by its switches:
//   /wait          runs for up to 60 s (to be seen, and ended, by a test)
//   /sleep=MS      runs for MS milliseconds
//   /relaunch      copies itself to a new folder under the temp folder as
//                  Au_.exe, starts the copy with "/sleep=1500" and ends at
//                  once, the way NSIS uninstallers hand over to their copy
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

std::wstring OwnPath() {
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, path, DWORD(sizeof path / sizeof path[0]));
    return std::wstring(path, length);
}

void AppendLog(const std::wstring& own_path, const wchar_t* command_line) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, command_line, -1, nullptr, 0, nullptr, nullptr);
    std::string line(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, command_line, -1, line.data(), size, nullptr, nullptr);
    line += "\n";
    const HANDLE file = CreateFileW((own_path + L".log").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr);
    CloseHandle(file);
}

bool Relaunch(const std::wstring& own_path) {
    wchar_t temp[MAX_PATH + 1];
    if (GetTempPathW(MAX_PATH + 1, temp) == 0) return false;
    const std::wstring folder =
        std::wstring(temp) + L"purgeon-probe-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring copy = folder + L"\\Au_.exe";
    if (!CopyFileW(own_path.c_str(), copy.c_str(), FALSE)) return false;
    std::wstring command = L"\"" + copy + L"\" /sleep=1500";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(copy.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const wchar_t* command_line = GetCommandLineW();
    const std::wstring own_path = OwnPath();
    AppendLog(own_path, command_line);
    if (std::wcsstr(command_line, L"/relaunch")) return Relaunch(own_path) ? 0 : 2;
    if (const wchar_t* sleep = std::wcsstr(command_line, L"/sleep=")) {
        Sleep(DWORD(std::wcstoul(sleep + 7, nullptr, 10)));
        return 0;
    }
    if (std::wcsstr(command_line, L"/wait")) {
        Sleep(60000);
        return 3;
    }
    return 0;
}
