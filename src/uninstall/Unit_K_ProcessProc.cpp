#include "uninstall/Unit_K_ProcessProc.h"

#include <algorithm>

#include "analysis/protected_folders.h"
#include "platform/text.h"

namespace purgeon {

namespace {

// The shell and this program, and the processes whose end takes Windows down
// with them: a leftover file may carry any of these names (the removal ends
// running programs named like leftover executables).
const char16_t* const kProtectedNames[] = {
    u"winlogon.exe", u"purgeon.exe", u"explorer.exe", u"svchost.exe",  u"purgeon-cli.exe",
    u"csrss.exe",    u"smss.exe",    u"wininit.exe",  u"services.exe", u"lsass.exe",
    u"lsm.exe",      u"dwm.exe",     u"system",       u"conhost.exe",
};

}  // namespace

bool IsProtectedProcessName(const std::u16string& name) {
    const std::u16string lower = AsciiLower(Trim(name));
    for (const char16_t* protected_name : kProtectedNames) {
        if (lower == protected_name) return true;
    }
    return false;
}

bool IsProcessRunning(ProcessPort& processes, const std::u16string& name) {
    for (const auto& process : processes.Snapshot()) {
        if (EqualsIgnoreAsciiCase(process.exe_name, name)) return true;
    }
    return false;
}

void TerminateProcessByName(ProcessPort& processes, const std::u16string& name) {
    if (IsProtectedProcessName(name)) return;
    const std::u16string wanted = Trim(name);
    const std::uint32_t self = processes.CurrentProcessId();
    for (const auto& process : processes.Snapshot()) {
        if (process.id != self && EqualsIgnoreAsciiCase(process.exe_name, wanted)) {
            processes.Terminate(process.id, 0);
            return;
        }
    }
}

std::vector<std::uint32_t> TerminateProcessesInFolders(ProcessPort& processes, FileSystemPort& fs,
                                                       const StringList& folders,
                                                       const StringList& files) {
    std::vector<std::uint32_t> ended;
    struct Place {
        std::u16string text;
        FileIdentity identity;
        bool has_identity = false;
    };
    // Only the outermost folders matter: the removal hands over every
    // sub-folder too, and each identity costs a look at the disk.
    StringList outermost;
    for (const auto& folder : folders) {
        const CanonicalPath canonical = CanonicalFolderPath(fs, folder);
        if (canonical.decided)
            outermost.push_back(AsciiUpper(WithTrailingBackslash(canonical.text)));
    }
    std::sort(outermost.begin(), outermost.end());
    std::vector<Place> places;
    for (const auto& folder : outermost) {
        if (!places.empty() && IsSameOrInside(folder, places.back().text)) continue;
        Place place{folder, {}, false};
        place.has_identity = fs.GetFileIdentity(folder, &place.identity);
        places.push_back(std::move(place));
    }
    StringList file_texts;
    for (const auto& file : files) {
        const CanonicalPath canonical = CanonicalFolderPath(fs, file);
        if (canonical.decided) file_texts.push_back(AsciiUpper(canonical.text));
    }
    if (places.empty() && file_texts.empty()) return ended;

    auto lies_inside = [&](const std::u16string& image) {
        const CanonicalPath canonical = CanonicalFolderPath(fs, image);
        if (!canonical.decided) return false;
        const std::u16string upper = AsciiUpper(canonical.text);
        if (std::find(file_texts.begin(), file_texts.end(), upper) != file_texts.end()) return true;
        for (const auto& place : places) {
            if (IsSameOrInside(canonical.text, place.text)) return true;
        }
        // The folders above the executable, by identity: the same folder
        // under another name (a short name, another drive letter for it).
        std::u16string_view above = PathFolder(canonical.text);
        while (above.size() >= 3) {
            const std::u16string folder(above.size() > 3 ? above.substr(0, above.size() - 1)
                                                         : above);
            FileIdentity identity;
            if (fs.GetFileIdentity(folder, &identity)) {
                for (const auto& place : places) {
                    if (place.has_identity && place.identity == identity) return true;
                }
            }
            if (folder.size() <= 3) break;
            above =
                above.substr(0, PathFolder(folder).size());  // a view of the path, not of `folder`
        }
        return false;
    };

    const std::uint32_t self = processes.CurrentProcessId();
    for (const auto& process : processes.Snapshot()) {
        if (process.id == self || process.image_path.empty() ||
            IsProtectedProcessName(process.exe_name) ||
            IsProtectedProcessName(std::u16string(PathFileName(process.image_path))))
            continue;
        if (lies_inside(process.image_path) && processes.Terminate(process.id, 0))
            ended.push_back(process.id);
    }
    return ended;
}

}  // namespace purgeon
