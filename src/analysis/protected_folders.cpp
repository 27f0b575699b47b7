#include "analysis/protected_folders.h"

#include <algorithm>

#include "analysis/Unit_CommonFilesDirs_Func.h"
#include "inventory/Unit_K_Registry_Proc.h"

namespace purgeon {

namespace {

// Shell folders beyond those the shell-folder port names: the protected set
// only asks for them, so they live here.
constexpr int kCsidlPrograms = 2;
constexpr int kCsidlFavorites = 6;
constexpr int kCsidlStartMenu = 11;
constexpr int kCsidlMyMusic = 13;
constexpr int kCsidlMyVideo = 14;
constexpr int kCsidlCommonStartMenu = 22;
constexpr int kCsidlCommonPrograms = 23;
constexpr int kCsidlCommonFavorites = 31;
constexpr int kCsidlMyPictures = 39;
constexpr int kCsidlProgramFilesX86 = 42;
constexpr int kCsidlProgramFilesCommon = 43;
constexpr int kCsidlProgramFilesCommonX86 = 44;
constexpr int kCsidlCommonDocuments = 46;
constexpr int kCsidlCommonMusic = 53;
constexpr int kCsidlCommonPictures = 54;
constexpr int kCsidlCommonVideo = 55;

const int kProtectedCsidls[] = {
    kCsidlWindows,
    kCsidlProgramFiles,
    kCsidlProgramFilesX86,
    kCsidlDesktopDirectory,
    kCsidlCommonDesktopDirectory,
    kCsidlStartup,
    kCsidlCommonStartup,
    kCsidlAppData,
    kCsidlLocalAppData,
    kCsidlCommonAppData,
    kCsidlProfile,
    kCsidlPersonal,
    kCsidlPrograms,
    kCsidlFavorites,
    kCsidlStartMenu,
    kCsidlMyMusic,
    kCsidlMyVideo,
    kCsidlMyPictures,
    kCsidlCommonStartMenu,
    kCsidlCommonPrograms,
    kCsidlCommonFavorites,
    kCsidlProgramFilesCommon,
    kCsidlProgramFilesCommonX86,
    kCsidlCommonDocuments,
    kCsidlCommonMusic,
    kCsidlCommonPictures,
    kCsidlCommonVideo,
};

// The known folders of every profile (and of the Public one), below the
// profile folder; the older names are those of Windows XP profiles.
const char16_t* const kProfileFolders[] = {
    u"Desktop",
    u"Documents",
    u"Downloads",
    u"Music",
    u"Pictures",
    u"Videos",
    u"Favorites",
    u"Saved Games",
    u"Links",
    u"Contacts",
    u"Searches",
    u"AppData",
    u"AppData\\Local",
    u"AppData\\LocalLow",
    u"AppData\\Roaming",
    u"AppData\\Roaming\\Microsoft\\Windows\\Start Menu",
    u"AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs",
    u"AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
    u"My Documents",
    u"Application Data",
    u"Local Settings",
    u"Local Settings\\Application Data",
    u"Start Menu",
    u"Start Menu\\Programs",
    u"Start Menu\\Programs\\Startup",
};

// Below Windows and ProgramData, folders every program relies on.
const char16_t* const kWindowsFolders[] = {u"System32", u"SysWOW64", u"Fonts", u"WinSxS"};
const char16_t* const kProgramDataFolders[] = {
    u"Microsoft\\Windows\\Start Menu",
    u"Microsoft\\Windows\\Start Menu\\Programs",
    u"Microsoft\\Windows\\Start Menu\\Programs\\Startup",
};

bool IsDriveLetter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool StartsWithIgnoreAsciiCase(std::u16string_view text, std::u16string_view head) {
    return text.size() >= head.size() && EqualsIgnoreAsciiCase(text.substr(0, head.size()), head);
}

// Replaces every "%NAME%" by its value; false for a name not in the table.
// A lone "%" is an ordinary character.
bool ExpandEnvironment(std::u16string& text, const EnvironmentTable* environment) {
    std::u16string out;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t open = text.find(u'%', pos);
        if (open == std::u16string::npos) break;
        const size_t close = text.find(u'%', open + 1);
        if (close == std::u16string::npos) break;
        const std::u16string name = AsciiUpper(text.substr(open + 1, close - open - 1));
        // "50% off\\100%" holds separators between the signs: no variable.
        if (name.empty() || name.find_first_of(u"\\/") != std::u16string::npos) {
            out.append(text, pos, close - pos);
            pos = close;
            continue;
        }
        if (environment == nullptr) return false;
        const auto found = std::find_if(environment->begin(), environment->end(),
                                        [&name](const auto& entry) { return entry.first == name; });
        if (found == environment->end() || found->second.empty()) return false;
        out.append(text, pos, open - pos);
        out += found->second;
        pos = close + 1;
    }
    out.append(text, pos, std::u16string::npos);
    text = std::move(out);
    return true;
}

// The long form of the longest part of `path` the file system knows.
std::u16string LongForm(FileSystemPort& fs, const std::u16string& root,
                        const std::vector<std::u16string>& pieces) {
    for (size_t known = pieces.size(); known > 0; --known) {
        std::u16string head = root;
        for (size_t i = 0; i < known; ++i) head += (i ? u"\\" : u"") + pieces[i];
        std::u16string long_head;
        if (!fs.GetLongPathName(head, &long_head) || long_head.empty()) continue;
        while (long_head.size() > root.size() && long_head.back() == u'\\') long_head.pop_back();
        for (size_t i = known; i < pieces.size(); ++i) long_head += u"\\" + pieces[i];
        return long_head;
    }
    std::u16string joined = root;
    for (size_t i = 0; i < pieces.size(); ++i) joined += (i ? u"\\" : u"") + pieces[i];
    return joined;
}

}  // namespace

CanonicalPath CanonicalFolderPath(FileSystemPort& fs, const std::u16string& path,
                                  const EnvironmentTable* environment) {
    CanonicalPath result;
    std::u16string text = Trim(std::u16string_view(path.c_str()));  // the system stops at a NUL
    if (!ExpandEnvironment(text, environment)) return result;
    text = Trim(text);
    for (auto& c : text) {
        if (c == u'/') c = u'\\';
    }
    // The root: a drive ("C:\\") or a share ("\\\\server\\share\\").
    std::u16string_view rest(text);
    bool unc = false;
    if (rest.size() >= 4 && rest[0] == u'\\' && (rest[1] == u'\\' || rest[1] == u'?') &&
        (rest[2] == u'?' || rest[2] == u'.') && rest[3] == u'\\' &&
        !(rest[1] == u'?' && rest[2] == u'.')) {
        rest.remove_prefix(4);  // "\\\\?\\", "\\\\.\\", "\\??\\"
        if (StartsWithIgnoreAsciiCase(rest, u"UNC\\")) {
            rest.remove_prefix(4);
            unc = true;
        } else if (rest.size() < 2 || !IsDriveLetter(rest[0]) || rest[1] != u':' ||
                   (rest.size() > 2 && rest[2] != u'\\')) {
            return result;  // another device, a volume name, GLOBALROOT...
        }
    } else if (rest.size() >= 2 && rest[0] == u'\\' && rest[1] == u'\\') {
        rest.remove_prefix(2);
        unc = true;
    } else if (rest.size() >= 2 && IsDriveLetter(rest[0]) && rest[1] == u':') {
        // "C:" alone is taken as the root (the stricter reading); "C:x" is
        // relative to the drive's current folder.
        if (rest.size() > 2 && rest[2] != u'\\') return result;
    } else {
        return result;  // relative, or rooted on the current drive
    }
    std::u16string root;
    if (!unc) {
        root = std::u16string{AsciiUpper(rest[0]), u':', u'\\'};
        rest.remove_prefix(2);
    }
    std::vector<std::u16string> pieces;
    size_t keep = 0;  // a share's server and name cannot be climbed out of
    size_t pos = 0;
    while (pos < rest.size()) {
        while (pos < rest.size() && rest[pos] == u'\\') ++pos;
        const size_t start = pos;
        while (pos < rest.size() && rest[pos] != u'\\') ++pos;
        if (pos == start) break;
        std::u16string piece(rest.substr(start, pos - start));
        if (piece.find_first_of(u"*?\"<>|") != std::u16string::npos) return result;
        if (piece == u".") continue;
        if (piece == u"..") {
            if (pieces.size() > keep) pieces.pop_back();
            continue;
        }
        // "Users:stream" or "Users::$INDEX_ALLOCATION" opens Users.
        const size_t colon = piece.find(u':');
        if (colon != std::u16string::npos) piece.resize(colon);
        while (!piece.empty() && (piece.back() == u'.' || piece.back() == u' ')) piece.pop_back();
        if (piece.empty()) continue;
        pieces.push_back(std::move(piece));
        if (unc && keep < 2 && pieces.size() <= 2) keep = pieces.size();
    }
    if (unc) {
        if (pieces.size() < 2) return result;
        root = u"\\\\" + pieces[0] + u"\\" + pieces[1] + u"\\";
        pieces.erase(pieces.begin(), pieces.begin() + 2);
    }
    const bool has_short_name = std::any_of(pieces.begin(), pieces.end(), [](const auto& piece) {
        return piece.find(u'~') != std::u16string::npos;
    });
    result.text = has_short_name ? LongForm(fs, root, pieces) : [&] {
        std::u16string joined = root;
        for (size_t i = 0; i < pieces.size(); ++i) joined += (i ? u"\\" : u"") + pieces[i];
        return joined;
    }();
    result.decided = true;
    return result;
}

std::u16string NormalisedPath(FileSystemPort& fs, const std::u16string& path) {
    const CanonicalPath canonical = CanonicalFolderPath(fs, path);
    return canonical.decided ? canonical.text : std::u16string();
}

bool IsSameOrInside(const std::u16string& path, const std::u16string& folder) {
    const std::u16string p = AsciiUpper(WithTrailingBackslash(path));
    const std::u16string f = AsciiUpper(WithTrailingBackslash(folder));
    return p.size() >= f.size() && p.compare(0, f.size(), f) == 0;
}

ProtectedFolders::ProtectedFolders(ShellFoldersPort& shell, FileSystemPort& fs,
                                   RegistryPort* registry)
    : fs_(fs) {
    auto special = [&shell](int csidl) { return Trim(shell.SpecialFolder(csidl)); };
    const std::u16string windows = special(kCsidlWindows);
    const std::u16string system = Trim(shell.SystemDirectory());
    Add(system);
    for (int csidl : kProtectedCsidls) Add(special(csidl));
    for (const char16_t* name : kWindowsFolders) {
        if (!windows.empty()) Add(WithTrailingBackslash(windows) + name);
    }
    // A 32-bit program on 64-bit Windows is told "Program Files (x86)"; the
    // native "Program Files" beside it holds every 64-bit program. Each has
    // its "Common Files", shared by many programs.
    const std::u16string program_files = special(kCsidlProgramFiles);
    std::u16string native_program_files = program_files;
    const size_t x86 = FindIgnoreAsciiCase(program_files, u" (x86)");
    if (x86 != std::u16string::npos && x86 + 6 == Trim(program_files).size()) {
        native_program_files = program_files.substr(0, x86);
    }
    for (const auto& folder :
         {program_files, native_program_files, special(kCsidlProgramFilesX86)}) {
        if (folder.empty()) continue;
        Add(folder);
        Add(WithTrailingBackslash(folder) + u"Common Files");
    }
    const std::u16string program_data = special(kCsidlCommonAppData);
    for (const char16_t* name : kProgramDataFolders) {
        if (!program_data.empty()) Add(WithTrailingBackslash(program_data) + name);
    }

    // Every profile: the current user's, the Public one, and every folder in
    // the users folder (other users' profiles, Default, ...).
    StringList users_folders;
    const std::u16string profile = special(kCsidlProfile);
    const std::u16string public_desktop = special(kCsidlCommonDesktopDirectory);
    std::u16string public_profile;
    if (!public_desktop.empty()) public_profile = std::u16string(PathFolder(public_desktop));
    auto env = [this](std::u16string name, const std::u16string& value) {
        if (!value.empty()) environment_.emplace_back(std::move(name), value);
    };
    env(u"SYSTEMROOT", windows);
    env(u"WINDIR", windows);
    if (windows.size() >= 2) env(u"SYSTEMDRIVE", windows.substr(0, 2));
    env(u"PROGRAMFILES", program_files);
    env(u"PROGRAMFILES(X86)", special(kCsidlProgramFilesX86));
    env(u"PROGRAMW6432", native_program_files);
    env(u"COMMONPROGRAMFILES", special(kCsidlProgramFilesCommon));
    env(u"COMMONPROGRAMFILES(X86)", special(kCsidlProgramFilesCommonX86));
    env(u"PROGRAMDATA", program_data);
    env(u"ALLUSERSPROFILE", program_data);
    env(u"USERPROFILE", profile);
    env(u"APPDATA", special(kCsidlAppData));
    env(u"LOCALAPPDATA", special(kCsidlLocalAppData));
    env(u"PUBLIC", public_profile);
    // The profile also from the folders that lie in it, should the shell not
    // name it.
    StringList profiles = {profile, public_profile};
    for (int csidl : {kCsidlDesktopDirectory, kCsidlPersonal}) {
        const std::u16string inside = NormalisedPath(fs_, special(csidl));
        if (inside.size() > 3) profiles.push_back(std::u16string(PathFolder(inside)));
    }
    // Every profile the machine knows of, wherever it lies.
    if (registry != nullptr) {
        const std::u16string list = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
        auto read = [&](const std::u16string& key, const char16_t* name) {
            std::u16string text;
            if (!Reg_ReadString(*registry, kHkeyLocalMachine, key, name, true, text)) return text;
            const CanonicalPath canonical = CanonicalFolderPath(fs_, text, &environment_);
            return canonical.decided ? canonical.text : std::u16string();
        };
        const std::u16string directory = read(list, u"ProfilesDirectory");
        if (directory.size() > 3) users_folders.push_back(WithTrailingBackslash(directory));
        for (const char16_t* name : {u"Public", u"Default"}) profiles.push_back(read(list, name));
        StringList sids;
        Reg_EnumSubKeys(*registry, kHkeyLocalMachine, list, sids, true);
        for (const auto& sid : sids)
            profiles.push_back(read(list + u"\\" + sid, u"ProfileImagePath"));
    }
    for (const auto& one : profiles) {
        if (one.empty()) continue;
        AddProfile(one);
        const std::u16string canonical = NormalisedPath(fs_, one);
        const std::u16string users(PathFolder(canonical));
        // A profile at a drive root makes no users folder of the root.
        if (users.size() > 3 &&
            std::find(users_folders.begin(), users_folders.end(), users) == users_folders.end())
            users_folders.push_back(users);
    }
    for (const auto& users : users_folders) {
        Add(users);
        FindData entry;
        ScopedFindHandle find(fs_, fs_.FindFirst(WithTrailingBackslash(users) + u"*", &entry));
        for (bool more = find.Valid(); more; more = fs_.FindNext(find.Get(), &entry)) {
            if ((entry.attributes & kFileAttributeDirectory) && entry.name != u"." &&
                entry.name != u"..")
                AddProfile(WithTrailingBackslash(users) + entry.name);
        }
    }
}

void ProtectedFolders::AddProfile(const std::u16string& profile) {
    Add(profile);
    for (const char16_t* name : kProfileFolders) Add(WithTrailingBackslash(profile) + name);
}

void ProtectedFolders::Add(const std::u16string& folder) {
    if (Trim(folder).empty()) return;
    const CanonicalPath canonical = CanonicalFolderPath(fs_, folder);
    if (!canonical.decided) return;
    const std::u16string upper = AsciiUpper(WithTrailingBackslash(canonical.text));
    if (upper.size() > 3 && std::find(folders_.begin(), folders_.end(), upper) == folders_.end())
        folders_.push_back(upper);
    // The identities of the folder and of every folder above it, up to the
    // root: a link to any of them is refused.
    std::u16string walk = canonical.text;
    while (true) {
        // A folder seen before had its own and its parents' identities read.
        if (!visited_.insert(AsciiUpper(walk)).second) break;
        FileIdentity identity;
        if (fs_.GetFileIdentity(walk, &identity) &&
            std::find(identities_.begin(), identities_.end(), identity) == identities_.end())
            identities_.push_back(identity);
        const std::u16string_view parent = PathFolder(walk);
        if (walk.size() <= 3 || parent.empty() || parent.size() >= walk.size()) break;
        std::u16string next(parent);
        if (next.size() > 3 && next.back() == u'\\') next.pop_back();
        if (next.size() < 3 || next == walk) break;
        walk = std::move(next);
    }
}

bool ProtectedFolders::IsProtectedText(const std::u16string& canonical) const {
    const std::u16string test = AsciiUpper(WithTrailingBackslash(canonical));
    if (test.size() <= 3) return true;  // a drive root or shorter
    // A share's root: "\\\\SERVER\\SHARE\\".
    if (test.compare(0, 2, u"\\\\") == 0 && std::count(test.begin(), test.end(), u'\\') <= 4)
        return true;
    if (Contains(test, u":\\WINDOWS\\")) return true;
    for (const auto& folder : folders_) {
        // The folder itself, or a folder above it (whole names: both end in "\\").
        if (folder.size() >= test.size() && folder.compare(0, test.size(), test) == 0) return true;
    }
    return false;
}

bool ProtectedFolders::IsProtectedIdentity(const FileIdentity& identity) const {
    return std::find(identities_.begin(), identities_.end(), identity) != identities_.end();
}

bool ProtectedFolders::IsProtected(const std::u16string& path) const {
    const CanonicalPath canonical = CanonicalFolderPath(fs_, path, &environment_);
    if (!canonical.decided || IsProtectedText(canonical.text)) return true;
    const std::u16string as_written = Trim(path);
    for (const std::u16string* spelling : {&canonical.text, &as_written}) {
        // The same text opens the same thing: asked once (each asking opens
        // the file and queries its volume).
        if (spelling == &as_written && as_written == canonical.text) break;
        FileIdentity identity;
        if (fs_.GetFileIdentity(*spelling, &identity) && IsProtectedIdentity(identity)) return true;
    }
    // A link among the parent folders: what lies below it is elsewhere.
    std::u16string_view above = PathFolder(canonical.text);
    while (above.size() > 3) {
        const std::u16string folder(above.substr(0, above.size() - 1));
        const std::uint32_t attributes = fs_.GetAttributes(folder);
        if (attributes != kInvalidFileAttributes && (attributes & kFileAttributeReparsePoint))
            return true;
        above = above.substr(0, PathFolder(folder).size());  // a view of the path, not of `folder`
    }
    return false;
}

}  // namespace purgeon
