#include "ui/Form_K_CustomUninstallWizard.h"

#include <vector>

#include "analysis/Unit_CommonFilesDirs_Func.h"
#include "platform/text.h"

namespace purgeon {

const char16_t kCustomUninstallNeedFolderText[] =
    u"Purgeon needs to collect necessary information to initiate the Custom Uninstall process. Please "
    u"specify the program install directory.";
const char16_t kCustomUninstallRefusedText[] =
    u"As %s directory is highly associated with Windows system and files,\r\n we do not recommend to scan "
    u"this directory to avoid any risk of damaging your system performance and stability. \r\nPlease select "
    u"the appropriate directory where the program has been installed.";
const char16_t kCustomUninstallConfirmText[] =
    u"Are you sure to scan and analyze the associated program install information of %s directory?";

StringList RefusedSystemFolders(ShellFoldersPort& shell) {
    StringList folders = {GetSystemDirPath(shell), GetStartupDirPath(shell), GetDesktopDirPath(shell),
                          GetProgramFilesDirPath(shell), GetWindowsDirPath(shell)};
    // A 32-bit program on 64-bit Windows is told "Program Files (x86)"; the
    // native "Program Files" beside it holds every 64-bit program.
    const std::u16string program_files = GetProgramFilesDirPath(shell);
    const size_t x86 = FindIgnoreAsciiCase(program_files, u" (x86)\\");
    if (x86 != std::u16string::npos && x86 + 7 == program_files.size())
        folders.push_back(program_files.substr(0, x86) + u"\\");
    return folders;
}

namespace {

bool IsRefusedAsTyped(ShellFoldersPort& shell, const std::u16string& trimmed) {
    if (trimmed.size() <= 3) return true;  // a drive root or shorter
    const std::u16string test = AsciiUpper(WithTrailingBackslash(trimmed));
    for (const auto& folder : RefusedSystemFolders(shell)) {
        if (test == AsciiUpper(folder)) return true;
    }
    return Contains(test, u":\\WINDOWS\\");
}

// Forward slashes to backslashes, doubled separators collapsed, "." and ".."
// resolved by text, then 8.3 names in long form where the path exists.
std::u16string Normalised(FileSystemPort& fs, const std::u16string& trimmed) {
    std::u16string text = trimmed;
    for (auto& c : text) {
        if (c == u'/') c = u'\\';
    }
    std::vector<std::u16string> parts;
    std::u16string part;
    auto flush = [&] {
        if (part == u"..") {
            if (parts.size() > 1) parts.pop_back();
        } else if (!part.empty() && part != u".") {
            parts.push_back(part);
        }
        part.clear();
    };
    for (char16_t c : text) {
        if (c == u'\\') flush();
        else part.push_back(c);
    }
    flush();
    std::u16string joined;
    for (size_t i = 0; i < parts.size(); ++i) joined += (i ? u"\\" : u"") + parts[i];
    if (parts.size() == 1) joined += u"\\";  // "C:" alone is the drive root
    const std::u16string long_form = GetLongPath(fs, joined);
    return long_form.empty() ? joined : long_form;
}

}  // namespace

CustomFolderVerdict CheckCustomUninstallFolder(ShellFoldersPort& shell, FileSystemPort& fs,
                                               const std::u16string& text) {
    const std::u16string trimmed = Trim(text);
    if (trimmed.empty()) return CustomFolderVerdict::kEmpty;
    if (IsRefusedAsTyped(shell, trimmed) || IsRefusedAsTyped(shell, Normalised(fs, trimmed)))
        return CustomFolderVerdict::kRefused;
    return CustomFolderVerdict::kAccepted;
}

std::u16string FormatWithText(const std::u16string& format, const std::u16string& text) {
    std::u16string out = format;
    const size_t at = out.find(u"%s");
    if (at != std::u16string::npos) out.replace(at, 2, text);
    return out;
}

}  // namespace purgeon
