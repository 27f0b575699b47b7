#include "platform/memory/memory_file_system.h"

#include <algorithm>
#include <utility>

#include "platform/text.h"

namespace purgeon {

namespace {

// Windows gives up on a path after this many reparse points; it also ends
// link cycles.
constexpr int kMaxLinkHops = 63;
constexpr std::size_t kMaxNameLength = 255;
// What SetFileAttributesW can change: read-only, hidden, system, archive,
// temporary, offline, not-content-indexed.
constexpr std::uint32_t kSettableAttributes = 0x1 | 0x2 | 0x4 | 0x20 | 0x100 | 0x1000 | 0x2000;

// Orders names as NTFS lists them: by upper-cased name, code unit by code
// unit. Transparent, so lookups take a view without building a string.
struct CaseLess {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const {
        const std::size_t n = std::min(a.size(), b.size());
        for (std::size_t i = 0; i < n; ++i) {
            const char16_t x = AsciiUpper(a[i]), y = AsciiUpper(b[i]);
            if (x != y) return x < y;
        }
        return a.size() < b.size();
    }
};

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

// Win32 functions take NUL-terminated text: a NUL ends the path.
std::u16string_view UpToNul(std::u16string_view text) {
    return text.substr(0, std::min(text.find(u'\0'), text.size()));
}

bool IsValidName(std::u16string_view name) {
    if (name.empty() || name.size() > kMaxNameLength || name == u"." || name == u"..") {
        return false;
    }
    // Win32 strips trailing dots and blanks; a name that ends in one cannot
    // be created through it.
    if (name.back() == u'.' || name.back() == u' ') return false;
    for (char16_t c : name) {
        if (c < 32 || std::u16string_view(u"<>:\"/\\|?*").find(c) != std::u16string_view::npos) {
            return false;
        }
    }
    return true;
}

bool Is83Char(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')) {
        return true;
    }
    return std::u16string_view(u"!#$%&'()-@^_`{}~").find(c) != std::u16string_view::npos;
}

// A name that DOS could hold as it is (letter case aside) gets no alias.
bool IsValid83(std::u16string_view name) {
    const std::size_t dot = name.find(u'.');
    const std::u16string_view base = name.substr(0, dot);
    const std::u16string_view ext =
        dot == std::u16string_view::npos ? std::u16string_view() : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
    if (dot != std::u16string_view::npos && ext.empty()) return false;
    return std::all_of(base.begin(), base.end(), Is83Char) &&
           std::all_of(ext.begin(), ext.end(), Is83Char);
}

char16_t ShortChar(char16_t c) {
    const char16_t upper = AsciiUpper(c);
    return Is83Char(upper) ? upper : u'_';
}

// Iterative '*' / '?' match, ignoring ASCII case. "*.*" matches every name,
// also one without a dot, as it does on Windows.
bool Glob(std::u16string_view mask, std::u16string_view name) {
    if (mask == u"*" || mask == u"*.*") return true;
    std::size_t m = 0, n = 0, star = std::u16string_view::npos, mark = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == u'?' || AsciiUpper(mask[m]) == AsciiUpper(name[n]))) {
            ++m;
            ++n;
        } else if (m < mask.size() && mask[m] == u'*') {
            star = m++;
            mark = n;
        } else if (star != std::u16string_view::npos) {
            m = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == u'*') ++m;
    return m == mask.size();
}

}  // namespace

struct MemoryFileSystem::ParsedPath {
    std::u16string_view prefix;  // as given, up to the drive's colon ("c:", "\\?\C:")
    char16_t drive = 0;          // upper-case letter
    std::vector<std::u16string_view> parts;
    bool trailing_separator = false;
};

bool MemoryFileSystem::Parse(std::u16string_view path, ParsedPath* out) {
    path = UpToNul(path);
    // "\\?\" and "\??\" are taken literally by Windows; "\\.\C:" names the
    // drive's device, whose folders are the drive's.
    const std::u16string_view head = path.substr(0, 4);
    const bool literal = head == u"\\\\?\\" || head == u"\\??\\";
    std::size_t pos = literal || head == u"\\\\.\\" ? 4 : 0;
    if (path.size() < pos + 2 || path[pos + 1] != u':') return false;
    const char16_t letter = AsciiUpper(path[pos]);
    if (letter < u'A' || letter > u'Z') return false;
    out->prefix = path.substr(0, pos + 2);
    out->drive = letter;
    pos += 2;
    if (pos < path.size() && !IsSeparator(path[pos])) return false;  // "C:a" needs a current folder
    out->parts.clear();
    while (pos < path.size()) {
        while (pos < path.size() && IsSeparator(path[pos])) ++pos;
        const std::size_t start = pos;
        while (pos < path.size() && !IsSeparator(path[pos])) ++pos;
        if (pos == start) break;
        std::u16string_view part = path.substr(start, pos - start);
        if (part == u".") continue;
        if (part == u"..") {
            if (!out->parts.empty()) out->parts.pop_back();
            continue;
        }
        // Win32 drops the dots and blanks that end a name ("Users." is
        // "Users"); the literal forms keep them.
        if (!literal) {
            while (!part.empty() && (part.back() == u'.' || part.back() == u' ')) {
                part.remove_suffix(1);
            }
            if (part.empty()) continue;
        }
        out->parts.push_back(part);
    }
    out->trailing_separator = !out->parts.empty() && IsSeparator(path.back());
    return true;
}

struct MemoryFileSystem::Node {
    Kind kind = Kind::kFolder;
    std::u16string name;
    std::u16string short_name;     // empty when `name` is a valid 8.3 name
    std::uint32_t attributes = 0;  // the settable bits only
    Node* parent = nullptr;        // null for a drive root
    bool listable = true;
    bool in_use = false;
    std::vector<std::uint8_t> content;  // files
    std::u16string target;              // links: absolute, normalised path
    std::uint64_t index = 0;            // the file index: unique on its drive, never reused
    char16_t drive = 0;                 // the drive it lies on, upper case
    std::map<std::u16string, std::unique_ptr<Node>, CaseLess> children;
    std::map<std::u16string, Node*, CaseLess> by_short_name;

    bool IsFolderLike() const { return kind == Kind::kFolder || kind == Kind::kFolderLink; }
    bool IsLink() const { return kind == Kind::kFolderLink || kind == Kind::kFileLink; }

    Node* Find(std::u16string_view child_name, bool* by_short = nullptr) const {
        if (auto it = children.find(child_name); it != children.end()) return it->second.get();
        if (auto it = by_short_name.find(child_name); it != by_short_name.end()) {
            if (by_short) *by_short = true;
            return it->second;
        }
        return nullptr;
    }

    std::uint32_t Reported() const {
        std::uint32_t value = attributes;
        if (IsFolderLike()) value |= kFileAttributeDirectory;
        if (IsLink()) value |= kFileAttributeReparsePoint;
        return value == 0 ? kFileAttributeNormal : value;
    }

    FindData Entry(std::u16string name_shown, bool with_short = true) const {
        FindData data;
        data.attributes = Reported();
        data.name = std::move(name_shown);
        if (with_short) data.short_name = short_name;
        data.size = kind == Kind::kFile ? content.size() : 0;
        return data;
    }

    // The alias Windows would give `long_name` in this folder: the first six
    // usable characters and "~1" to "~4", then two characters, four hex
    // digits of a hash of the name and "~1" to "~9". Empty only when all of
    // those are taken.
    std::u16string MakeShortName(std::u16string_view long_name) const {
        const std::u16string_view body = long_name.substr(long_name.find_first_not_of(u'.'));
        const std::size_t dot = body.rfind(u'.');
        std::u16string base, extension;
        for (char16_t c : body.substr(0, dot)) {
            if (c != u' ' && c != u'.') base.push_back(ShortChar(c));
        }
        if (dot != std::u16string_view::npos) {
            for (char16_t c : body.substr(dot + 1)) {
                if (c != u' ' && extension.size() < 3) extension.push_back(ShortChar(c));
            }
        }
        const std::u16string suffix = extension.empty() ? u"" : u"." + extension;
        auto is_free = [this](const std::u16string& candidate) { return !Find(candidate); };
        if (!base.empty()) {
            for (char16_t n = u'1'; n <= u'4'; ++n) {
                std::u16string candidate = base.substr(0, 6) + u'~' + n + suffix;
                if (is_free(candidate)) return candidate;
            }
        }
        std::uint32_t hash = 2166136261u;
        for (char16_t c : long_name) hash = (hash ^ AsciiUpper(c)) * 16777619u;
        static constexpr char16_t kHex[] = u"0123456789ABCDEF";
        for (std::uint32_t k = 0; k < 0x10000; ++k) {
            const std::uint32_t h = (hash + k * 40503u) & 0xFFFF;
            std::u16string stem = base.substr(0, 2);
            for (int shift = 12; shift >= 0; shift -= 4) stem.push_back(kHex[(h >> shift) & 0xF]);
            for (char16_t n = u'1'; n <= u'9'; ++n) {
                std::u16string candidate = stem + u'~' + n + suffix;
                if (is_free(candidate)) return candidate;
            }
        }
        return {};
    }
};

MemoryFileSystem::MemoryFileSystem() {
    AddDrive(u'C');
}

MemoryFileSystem::~MemoryFileSystem() {
    // Tear the tree down from a work list: destroying a deep chain of nodes
    // through their owners would recurse once per level.
    std::vector<std::unique_ptr<Node>> pending;
    for (auto& [letter, root] : drives_) pending.push_back(std::move(root));
    while (!pending.empty()) {
        std::unique_ptr<Node> node = std::move(pending.back());
        pending.pop_back();
        node->by_short_name.clear();
        for (auto& [name, child] : node->children) pending.push_back(std::move(child));
    }
}

void MemoryFileSystem::AddDrive(char16_t letter) {
    std::lock_guard lock(mutex_);
    letter = AsciiUpper(letter);
    if (letter < u'A' || letter > u'Z' || drives_.count(letter)) return;
    auto root = std::make_unique<Node>();
    root->name = std::u16string{letter, u':'};
    root->drive = letter;
    root->attributes = kFileAttributeHidden | kFileAttributeSystem;  // as an NTFS root reports
    drives_.emplace(letter, std::move(root));
}

MemoryFileSystem::Node* MemoryFileSystem::Root(char16_t drive) const {
    auto it = drives_.find(drive);
    return it == drives_.end() ? nullptr : it->second.get();
}

// Follows the parts from the drive root without recursion: a link met on the
// way puts its target's parts in front of the parts still to go.
MemoryFileSystem::Node* MemoryFileSystem::Walk(const ParsedPath& path, Follow follow,
                                               std::vector<std::u16string_view>* long_names) const {
    struct Step {
        std::u16string_view name;
        std::ptrdiff_t given;  // index in path.parts, -1 for a part of a link's target
    };
    std::vector<Step> pending;
    pending.reserve(path.parts.size());
    for (std::size_t i = path.parts.size(); i-- > 0;) {
        pending.push_back({path.parts[i], static_cast<std::ptrdiff_t>(i)});
    }
    if (long_names) long_names->assign(path.parts.size(), {});
    Node* node = Root(path.drive);
    int hops = 0;
    ParsedPath target;
    while (node && !pending.empty()) {
        if (node->kind != Kind::kFolder) return nullptr;
        const Step step = pending.back();
        pending.pop_back();
        bool by_short = false;
        Node* child = node->Find(step.name, &by_short);
        if (!child) return nullptr;
        if (long_names && step.given >= 0) {
            (*long_names)[step.given] = by_short ? std::u16string_view(child->name) : step.name;
        }
        node = child;
        if (child->IsLink() && (!pending.empty() || follow == Follow::kAll)) {
            if (++hops > kMaxLinkHops || !Parse(child->target, &target)) return nullptr;
            for (std::size_t j = target.parts.size(); j-- > 0;) {
                pending.push_back({target.parts[j], -1});
            }
            node = Root(target.drive);
        }
    }
    return node;
}

MemoryFileSystem::Node* MemoryFileSystem::Lookup(std::u16string_view path, Follow follow) const {
    ParsedPath parsed;
    if (!Parse(path, &parsed)) return nullptr;
    Node* node = Walk(parsed, follow, nullptr);
    // "file\" names no file: a trailing separator asks for a folder.
    if (node && parsed.trailing_separator && !node->IsFolderLike()) return nullptr;
    return node;
}

MemoryFileSystem::Node* MemoryFileSystem::ParentFolder(const ParsedPath& path) const {
    if (path.parts.empty()) return nullptr;
    ParsedPath parent = path;
    parent.parts.pop_back();
    Node* folder = Walk(parent, Follow::kAll, nullptr);
    return folder && folder->kind == Kind::kFolder ? folder : nullptr;
}

MemoryFileSystem::Node* MemoryFileSystem::EnsureFolder(const ParsedPath& path,
                                                       std::size_t part_count) {
    ParsedPath walked = path;
    walked.parts.clear();
    Node* folder = Root(path.drive);
    for (std::size_t i = 0; folder && i < part_count; ++i) {
        walked.parts.push_back(path.parts[i]);
        Node* child = folder->Find(path.parts[i]);
        if (!child) {
            if (!IsValidName(path.parts[i])) return nullptr;
            child = AddChild(folder, path.parts[i], Kind::kFolder);
        }
        folder = child->kind == Kind::kFolder ? child : Walk(walked, Follow::kAll, nullptr);
        if (folder && folder->kind != Kind::kFolder) return nullptr;
    }
    return folder;
}

MemoryFileSystem::Node* MemoryFileSystem::AddChild(Node* folder, std::u16string_view name,
                                                   Kind kind) {
    auto node = std::make_unique<Node>();
    node->kind = kind;
    node->index = next_file_index_++;
    node->drive = folder->drive;
    node->name = std::u16string(name);
    node->parent = folder;
    if (!IsValid83(name)) {
        node->short_name = folder->MakeShortName(name);
        if (!node->short_name.empty()) folder->by_short_name.emplace(node->short_name, node.get());
    }
    Node* raw = node.get();
    folder->children.emplace(node->name, std::move(node));
    return raw;
}

// Only leaves are removed (files, links, empty folders), so nothing deep is
// destroyed here.
void MemoryFileSystem::RemoveChild(Node* node) {
    Node* folder = node->parent;
    if (!node->short_name.empty()) folder->by_short_name.erase(node->short_name);
    folder->children.erase(node->name);
}

void MemoryFileSystem::LogRemoval(const std::u16string& path) {
    if (log_removals_) removal_log_.push_back(path);
}

bool MemoryFileSystem::AddFolder(std::u16string_view path, std::uint32_t attributes) {
    std::lock_guard lock(mutex_);
    ParsedPath parsed;
    if (!Parse(path, &parsed)) return false;
    if (parsed.parts.empty()) return Root(parsed.drive) != nullptr;
    Node* parent = EnsureFolder(parsed, parsed.parts.size() - 1);
    if (!parent) return false;
    Node* node = parent->Find(parsed.parts.back());
    if (node && node->kind != Kind::kFolder) return false;
    if (!node) {
        if (!IsValidName(parsed.parts.back())) return false;
        node = AddChild(parent, parsed.parts.back(), Kind::kFolder);
    }
    node->attributes = attributes & kSettableAttributes;
    return true;
}

bool MemoryFileSystem::AddFile(std::u16string_view path, std::string_view content,
                               std::uint32_t attributes) {
    std::lock_guard lock(mutex_);
    ParsedPath parsed;
    if (!Parse(path, &parsed) || parsed.parts.empty() || parsed.trailing_separator) {
        return false;
    }
    Node* parent = EnsureFolder(parsed, parsed.parts.size() - 1);
    if (!parent) return false;
    Node* node = parent->Find(parsed.parts.back());
    if (node && node->kind != Kind::kFile) return false;
    if (!node) {
        if (!IsValidName(parsed.parts.back())) return false;
        node = AddChild(parent, parsed.parts.back(), Kind::kFile);
    }
    node->content.assign(content.begin(), content.end());
    node->attributes = attributes & kSettableAttributes;
    return true;
}

bool MemoryFileSystem::AddLink(std::u16string_view link, std::u16string_view target, Kind kind) {
    std::lock_guard lock(mutex_);
    ParsedPath parsed, target_parsed;
    if (!Parse(link, &parsed) || parsed.parts.empty() || !Parse(target, &target_parsed)) {
        return false;
    }
    Node* parent = EnsureFolder(parsed, parsed.parts.size() - 1);
    if (!parent || parent->Find(parsed.parts.back()) || !IsValidName(parsed.parts.back())) {
        return false;
    }
    Node* node = AddChild(parent, parsed.parts.back(), kind);
    node->target = std::u16string{target_parsed.drive, u':'};
    for (std::u16string_view part : target_parsed.parts) {
        node->target.push_back(u'\\');
        node->target.append(part);
    }
    if (target_parsed.parts.empty()) node->target.push_back(u'\\');
    if (kind == Kind::kFileLink) node->attributes = kFileAttributeArchive;
    return true;
}

bool MemoryFileSystem::AddJunction(std::u16string_view link, std::u16string_view target) {
    return AddLink(link, target, Kind::kFolderLink);
}

bool MemoryFileSystem::AddFileSymlink(std::u16string_view link, std::u16string_view target) {
    return AddLink(link, target, Kind::kFileLink);
}

bool MemoryFileSystem::SetListable(std::u16string_view path, bool listable) {
    std::lock_guard lock(mutex_);
    Node* node = Lookup(path, Follow::kAll);
    if (!node || node->kind != Kind::kFolder) return false;
    node->listable = listable;
    return true;
}

bool MemoryFileSystem::SetInUse(std::u16string_view path, bool in_use) {
    std::lock_guard lock(mutex_);
    Node* node = Lookup(path, Follow::kAllButLast);
    if (!node) return false;
    node->in_use = in_use;
    return true;
}

bool MemoryFileSystem::Exists(std::u16string_view path) {
    std::lock_guard lock(mutex_);
    return Lookup(path, Follow::kAllButLast) != nullptr;
}

std::u16string MemoryFileSystem::ShortNameOf(std::u16string_view path) {
    std::lock_guard lock(mutex_);
    Node* node = Lookup(path, Follow::kAllButLast);
    return node ? node->short_name : std::u16string();
}

std::size_t MemoryFileSystem::OpenFindHandleCount() const {
    std::lock_guard lock(mutex_);
    return listings_.size();
}

void MemoryFileSystem::SetRemovalLog(bool on) {
    std::lock_guard lock(mutex_);
    log_removals_ = on;
}

std::vector<std::u16string> MemoryFileSystem::TakeRemovalLog() {
    std::lock_guard lock(mutex_);
    return std::exchange(removal_log_, {});
}

FindHandle MemoryFileSystem::FindFirst(const std::u16string& pattern, FindData* data) {
    std::lock_guard lock(mutex_);
    const std::u16string_view text = UpToNul(pattern);
    const std::size_t cut = text.find_last_of(u"\\/");
    if (cut == std::u16string_view::npos || cut + 1 == text.size()) return kInvalidFindHandle;
    const std::u16string_view mask = text.substr(cut + 1);
    Listing listing;
    if (mask.find_first_of(u"*?") == std::u16string_view::npos) {
        // A plain name finds that one entry (given long or short), itself,
        // not what a link points to.
        Node* node = Lookup(text, Follow::kAllButLast);
        if (!node || !node->parent) return kInvalidFindHandle;
        listing.entries.push_back(node->Entry(node->name));
    } else {
        Node* folder = Lookup(text.substr(0, cut), Follow::kAll);
        if (!folder || folder->kind != Kind::kFolder || !folder->listable) {
            return kInvalidFindHandle;
        }
        if (folder->parent) {
            if (Glob(mask, u".")) listing.entries.push_back(folder->Entry(u".", false));
            if (Glob(mask, u"..")) listing.entries.push_back(folder->parent->Entry(u"..", false));
        }
        for (const auto& [name, child] : folder->children) {
            if (Glob(mask, child->name) ||
                (!child->short_name.empty() && Glob(mask, child->short_name))) {
                listing.entries.push_back(child->Entry(child->name));
            }
        }
    }
    if (listing.entries.empty()) return kInvalidFindHandle;
    *data = listing.entries.front();
    listing.next = 1;
    const FindHandle handle = next_find_handle_++;
    listings_.emplace(handle, std::move(listing));
    return handle;
}

bool MemoryFileSystem::FindNext(FindHandle handle, FindData* data) {
    std::lock_guard lock(mutex_);
    auto it = listings_.find(handle);
    if (it == listings_.end() || it->second.next >= it->second.entries.size()) return false;
    *data = std::move(it->second.entries[it->second.next++]);
    return true;
}

void MemoryFileSystem::FindClose(FindHandle handle) {
    std::lock_guard lock(mutex_);
    listings_.erase(handle);
}

std::uint32_t MemoryFileSystem::GetAttributes(const std::u16string& path) {
    std::lock_guard lock(mutex_);
    const Node* node = Lookup(path, Follow::kAllButLast);
    return node ? node->Reported() : kInvalidFileAttributes;
}

bool MemoryFileSystem::SetAttributes(const std::u16string& path, std::uint32_t attributes) {
    std::lock_guard lock(mutex_);
    Node* node = Lookup(path, Follow::kAllButLast);
    if (!node) return false;
    node->attributes = attributes & kSettableAttributes;
    return true;
}

bool MemoryFileSystem::DeleteFile(const std::u16string& path) {
    std::lock_guard lock(mutex_);
    Node* node = Lookup(path, Follow::kAllButLast);
    if (!node || node->IsFolderLike() || node->in_use ||
        (node->attributes & kFileAttributeReadOnly))
        return false;
    RemoveChild(node);
    LogRemoval(path);
    return true;
}

bool MemoryFileSystem::RemoveDirectory(const std::u16string& path) {
    std::lock_guard lock(mutex_);
    Node* node = Lookup(path, Follow::kAllButLast);
    if (!node || !node->IsFolderLike() || !node->parent || !node->children.empty() ||
        (node->attributes & kFileAttributeReadOnly)) {
        return false;
    }
    RemoveChild(node);
    LogRemoval(path);
    return true;
}

bool MemoryFileSystem::CreateDirectory(const std::u16string& path) {
    std::lock_guard lock(mutex_);
    ParsedPath parsed;
    if (!Parse(path, &parsed)) return false;
    Node* parent = ParentFolder(parsed);
    const std::u16string_view name =
        parsed.parts.empty() ? std::u16string_view() : parsed.parts.back();
    if (!parent || parent->Find(name) || !IsValidName(name)) return false;
    AddChild(parent, name, Kind::kFolder);
    return true;
}

bool MemoryFileSystem::GetLongPathName(const std::u16string& path, std::u16string* long_path) {
    std::lock_guard lock(mutex_);
    ParsedPath parsed;
    if (!Parse(path, &parsed)) return false;
    std::vector<std::u16string_view> long_names;
    const Node* node = Walk(parsed, Follow::kAllButLast, &long_names);
    if (!node || (parsed.trailing_separator && !node->IsFolderLike())) return false;
    std::u16string result(parsed.prefix);
    for (std::u16string_view name : long_names) {
        result.push_back(u'\\');
        result.append(name);
    }
    if (long_names.empty() || parsed.trailing_separator) result.push_back(u'\\');
    *long_path = std::move(result);
    return true;
}

bool MemoryFileSystem::GetFileIdentity(const std::u16string& path, FileIdentity* identity) {
    std::lock_guard lock(mutex_);
    const Node* node = Lookup(path, Follow::kAll);
    if (!node) return false;
    // Each drive is its own volume; its root has index 0.
    identity->volume_serial = 0x5A000000u + node->drive;
    identity->file_index = node->index;
    return true;
}

bool MemoryFileSystem::MoveFile(const std::u16string& from, const std::u16string& to) {
    std::lock_guard lock(mutex_);
    ParsedPath source, target;
    if (!Parse(from, &source) || !Parse(to, &target) || source.parts.empty() ||
        target.parts.empty())
        return false;
    Node* node = Walk(source, Follow::kAllButLast, nullptr);
    Node* parent = ParentFolder(target);
    const std::u16string_view name = target.parts.back();
    if (!node || !node->parent || !parent || parent->Find(name) || !IsValidName(name) ||
        parent->drive != node->drive)
        return false;
    for (const Node* above = parent; above; above = above->parent) {
        if (above == node) return false;  // into itself
    }
    // Nothing in what moves may be in use (a work list: no recursion).
    std::vector<const Node*> pending{node};
    while (!pending.empty()) {
        const Node* one = pending.back();
        pending.pop_back();
        if (one->in_use) return false;
        if (one->kind == Kind::kFolder) {
            for (const auto& [child_name, child] : one->children) pending.push_back(child.get());
        }
    }
    Node* old_parent = node->parent;
    if (!node->short_name.empty()) old_parent->by_short_name.erase(node->short_name);
    auto found = old_parent->children.find(node->name);
    std::unique_ptr<Node> owned = std::move(found->second);
    old_parent->children.erase(found);
    owned->name = std::u16string(name);
    owned->parent = parent;
    owned->short_name = IsValid83(name) ? std::u16string() : parent->MakeShortName(name);
    if (!owned->short_name.empty()) parent->by_short_name.emplace(owned->short_name, owned.get());
    parent->children.emplace(owned->name, std::move(owned));
    return true;
}

bool MemoryFileSystem::ReplaceFile(const std::u16string& from, const std::u16string& to) {
    if (GetAttributes(to) == kInvalidFileAttributes) return MoveFile(from, to);
    std::lock_guard lock(mutex_);
    ParsedPath source, target;
    if (!Parse(from, &source) || !Parse(to, &target) || source.parts.empty() ||
        target.parts.empty())
        return false;
    Node* node = Walk(source, Follow::kAllButLast, nullptr);
    Node* replaced = Walk(target, Follow::kAllButLast, nullptr);
    if (!node || node->kind != Kind::kFile || node->in_use || !replaced ||
        replaced->kind != Kind::kFile || replaced->in_use || replaced->drive != node->drive ||
        (replaced->attributes & kFileAttributeReadOnly) || replaced == node)
        return false;
    // The new content under the old name and entry; the moved entry goes.
    replaced->content = std::move(node->content);
    replaced->attributes = node->attributes;
    RemoveChild(node);
    return true;
}

std::uint64_t MemoryFileSystem::UsedBytes(char16_t drive) const {
    std::uint64_t used = 0;
    std::vector<const Node*> pending{Root(drive)};
    while (!pending.empty()) {
        const Node* node = pending.back();
        pending.pop_back();
        if (node == nullptr) continue;
        used += node->content.size();
        if (node->kind == Kind::kFolder)
            for (const auto& [name, child] : node->children) pending.push_back(child.get());
    }
    return used;
}

void MemoryFileSystem::SetDriveCapacity(char16_t letter, std::uint64_t bytes) {
    std::lock_guard lock(mutex_);
    capacity_[AsciiUpper(letter)] = bytes;
}

bool MemoryFileSystem::FreeBytes(const std::u16string& folder, std::uint64_t* free) {
    std::lock_guard lock(mutex_);
    ParsedPath parsed;
    if (!Parse(folder, &parsed) || !Root(parsed.drive)) return false;
    auto capacity = capacity_.find(parsed.drive);
    if (capacity == capacity_.end()) {
        *free = std::uint64_t(1) << 40;
        return true;
    }
    const std::uint64_t used = UsedBytes(parsed.drive);
    *free = capacity->second > used ? capacity->second - used : 0;
    return true;
}

bool MemoryFileSystem::ReadFile(const std::u16string& path, std::vector<std::uint8_t>* bytes) {
    std::lock_guard lock(mutex_);
    const Node* node = Lookup(path, Follow::kAll);
    if (!node || node->kind != Kind::kFile) return false;
    *bytes = node->content;
    return true;
}

bool MemoryFileSystem::WriteFile(const std::u16string& path,
                                 const std::vector<std::uint8_t>& bytes) {
    std::lock_guard lock(mutex_);
    ParsedPath parsed;
    if (!Parse(path, &parsed) || parsed.parts.empty() || parsed.trailing_separator) {
        return false;
    }
    Node* node = Walk(parsed, Follow::kAll, nullptr);
    if (!node) {
        Node* parent = ParentFolder(parsed);
        // A name that is there but did not resolve is a dangling link.
        if (!parent || parent->Find(parsed.parts.back()) || !IsValidName(parsed.parts.back())) {
            return false;
        }
        node = AddChild(parent, parsed.parts.back(), Kind::kFile);
        node->attributes = kFileAttributeArchive;
    }
    if (node->kind != Kind::kFile || node->in_use || (node->attributes & kFileAttributeReadOnly))
        return false;
    auto capacity = capacity_.find(node->drive);
    if (capacity != capacity_.end()) {
        // A full volume takes what fits of the new content, then refuses.
        node->content.clear();
        const std::uint64_t used = UsedBytes(node->drive);
        const std::uint64_t room = capacity->second > used ? capacity->second - used : 0;
        if (bytes.size() > room) {
            node->content.assign(bytes.begin(), bytes.begin() + std::ptrdiff_t(room));
            return false;
        }
    }
    node->content = bytes;
    return true;
}

}  // namespace purgeon
