#include "analysis/protected_folders.h"

#include <vector>

#include "analysis/Unit_CommonFilesDirs_Func.h"

namespace purgeon {

namespace {

const int kProtectedCsidls[] = {
    kCsidlWindows,       kCsidlProgramFiles,  kCsidlDesktopDirectory, kCsidlCommonDesktopDirectory,
    kCsidlStartup,       kCsidlCommonStartup, kCsidlAppData,          kCsidlLocalAppData,
    kCsidlCommonAppData, kCsidlProfile,       kCsidlPersonal,
};

}  // namespace

std::u16string NormalisedPath(FileSystemPort& fs, const std::u16string& path) {
    std::u16string text = path;
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
        if (c == u'\\')
            flush();
        else
            part.push_back(c);
    }
    flush();
    std::u16string joined;
    for (size_t i = 0; i < parts.size(); ++i) joined += (i ? u"\\" : u"") + parts[i];
    if (parts.size() == 1) joined += u"\\";  // "C:" alone is the drive root
    // Only a short name holds a "~"; other paths need no look at the disk.
    if (joined.find(u'~') == std::u16string::npos) return joined;
    const std::u16string long_form = GetLongPath(fs, joined);
    return long_form.empty() ? joined : long_form;
}

ProtectedFolders::ProtectedFolders(ShellFoldersPort& shell, FileSystemPort& fs) : fs_(fs) {
    StringList found = {shell.SystemDirectory()};
    for (int csidl : kProtectedCsidls) found.push_back(shell.SpecialFolder(csidl));
    // A 32-bit program on 64-bit Windows is told "Program Files (x86)"; the
    // native "Program Files" beside it holds every 64-bit program. Each has
    // its "Common Files", shared by many programs.
    const std::u16string program_files = GetProgramFilesDirPath(shell);
    StringList program_folders = {program_files};
    const size_t x86 = FindIgnoreAsciiCase(program_files, u" (x86)\\");
    if (x86 != std::u16string::npos && x86 + 7 == program_files.size())
        program_folders.push_back(program_files.substr(0, x86) + u"\\");
    for (const auto& folder : program_folders) {
        found.push_back(folder);
        found.push_back(folder + u"Common Files");
    }
    for (const auto& folder : found) {
        const std::u16string normalised = NormalisedPath(fs_, Trim(folder));
        if (normalised.size() > 3)
            folders_.push_back(AsciiUpper(WithTrailingBackslash(normalised)));
    }
}

bool ProtectedFolders::IsProtected(const std::u16string& path) const {
    const std::u16string trimmed = Trim(path);
    return IsProtectedSpelling(trimmed) || IsProtectedSpelling(NormalisedPath(fs_, trimmed));
}

bool ProtectedFolders::IsProtectedSpelling(const std::u16string& path) const {
    if (path.size() <= 3) return true;  // a drive root or shorter
    const std::u16string test = AsciiUpper(WithTrailingBackslash(path));
    if (Contains(test, u":\\WINDOWS\\")) return true;
    for (const auto& folder : folders_) {
        // The folder itself, or a folder above it (whole names: both end in "\").
        if (folder.size() >= test.size() && folder.compare(0, test.size(), test) == 0) return true;
    }
    return false;
}

}  // namespace purgeon
