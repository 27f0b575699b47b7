#include "cli/undo_set.h"

#include <algorithm>
#include <cstdio>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include "analysis/protected_folders.h"
#include "cli/json_reader.h"
#include "cli/json_writer.h"
#include "cli/sha256.h"
#include "inventory/Unit_K_Registry_Proc.h"
#include "inventory/Unit_String_Proc.h"
#include "ui/Unit_LeftoverRemoval.h"

namespace purgeon {

const char16_t kRegFileHeader[] = u"Windows Registry Editor Version 5.00";

namespace {

// Longer than any key name (255) or value name (16,383) the registry holds.
constexpr std::uint32_t kRegNameCapacity = 16384;
// The registry editor wraps hex data after a comma past this column.
constexpr std::size_t kHexWrapColumn = 76;
// Record rewrites during a long removal: at most one per this many paths.
constexpr std::size_t kRecordEveryPaths = 256;
// The record's format: 2 keeps sizes, hashes and the starting folders.
constexpr int kRecordFormat = 2;

const char16_t kRecordName[] = u"manifest.json";
const char16_t kRecordNewName[] = u"manifest.json.new";
const char16_t kJournalName[] = u"pending.json";
const char16_t kJournalNewName[] = u"pending.json.new";
const char16_t kFilesFolder[] = u"files";

struct RootName {
    const char16_t* shortName;
    const char16_t* longName;
    RegKey root;
};
const RootName kRootNames[] = {
    {u"HKLM", u"HKEY_LOCAL_MACHINE", kHkeyLocalMachine},
    {u"HKCU", u"HKEY_CURRENT_USER", kHkeyCurrentUser},
    {u"HKCR", u"HKEY_CLASSES_ROOT", kHkeyClassesRoot},
    {u"HKU", u"HKEY_USERS", kHkeyUsers},
};

const RootName* FindRoot(RegKey root) {
    for (const auto& one : kRootNames) {
        if (one.root == root) return &one;
    }
    return nullptr;
}

std::u16string RegFileName(bool view64) {
    return view64 ? u"registry-64.reg" : u"registry-32.reg";
}

std::u16string Join(const std::u16string& folder, std::u16string_view name) {
    if (!folder.empty() && folder.back() == u'\\') return folder + std::u16string(name);
    return folder + u"\\" + std::u16string(name);
}

void AppendEscaped(std::u16string& out, std::u16string_view text) {
    for (char16_t c : text) {
        if (c == u'\\' || c == u'"') out.push_back(u'\\');
        out.push_back(c);
    }
}

void AppendHexByte(std::u16string& out, std::uint8_t byte) {
    static constexpr char16_t kHex[] = u"0123456789abcdef";
    out.push_back(kHex[byte >> 4]);
    out.push_back(kHex[byte & 0xF]);
}

// A REG_SZ the editor can write as a quoted string and read back to the
// same bytes: whole UTF-16 units, one terminator at the end, no other NUL
// and no line break.
bool IsPlainString(const std::vector<std::uint8_t>& data) {
    if (data.size() < 2 || data.size() % 2 != 0) return false;
    const std::size_t units = data.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t c = char16_t(data[2 * i] | (data[2 * i + 1] << 8));
        if (i + 1 == units) return c == 0;
        if (c == 0 || c == u'\r' || c == u'\n') return false;
    }
    return false;
}

std::vector<std::uint8_t> ReadAll(RegistryPort& registry, RegKey key, const std::u16string& name,
                                  std::uint32_t* type, bool* ok) {
    std::uint32_t size = 0;
    *ok = false;
    if (registry.QueryValue(key, name, type, nullptr, &size) != kErrorSuccess) return {};
    // The value may grow between the two calls: ask again with the new size.
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::vector<std::uint8_t> data(std::max<std::uint32_t>(size, 1));
        std::uint32_t got = std::uint32_t(data.size());
        const RegStatus status = registry.QueryValue(key, name, type, data.data(), &got);
        if (status == kErrorSuccess) {
            data.resize(got);
            *ok = true;
            return data;
        }
        if (status != kErrorMoreData) return {};
        size = got;
    }
    return {};
}

std::u16string KeyHeader(const RootName& root, const std::u16string& key_path) {
    return u"[" + std::u16string(root.longName) + u"\\" + key_path + u"]\r\n";
}

// Appends the values of an opened key in enumeration order.
bool AppendValues(RegistryPort& registry, RegKey key, std::u16string& text) {
    for (std::uint32_t index = 0;; ++index) {
        std::u16string name;
        const RegStatus status = registry.EnumValue(key, index, kRegNameCapacity, &name);
        if (status == kErrorNoMoreItems) return true;
        if (status != kErrorSuccess) return false;
        std::uint32_t type = 0;
        bool ok = false;
        const std::vector<std::uint8_t> data = ReadAll(registry, key, name, &type, &ok);
        if (!ok) return false;
        text += RegValueText(name, type, data);
    }
}

std::uint32_t ViewSam(std::uint32_t access, bool view64) {
    return access | (view64 ? kKeyWow64_64Key : 0);
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Reads a quoted, escaped string starting at text[at] == '"'; `at` ends
// past the closing quote.
bool ReadQuoted(std::u16string_view text, std::size_t& at, std::u16string& out) {
    if (at >= text.size() || text[at] != u'"') return false;
    for (++at; at < text.size(); ++at) {
        char16_t c = text[at];
        if (c == u'"') {
            ++at;
            return true;
        }
        if (c == u'\\' && at + 1 < text.size()) c = text[++at];
        out.push_back(c);
    }
    return false;
}

bool ParseValueData(std::u16string_view data, RegFileValue& value) {
    if (!data.empty() && data[0] == u'"') {
        std::size_t at = 0;
        std::u16string text;
        if (!ReadQuoted(data, at, text) || Trim(data.substr(at)).size() != 0) return false;
        value.type = kRegSz;
        for (char16_t c : text) {
            value.data.push_back(std::uint8_t(c & 0xFF));
            value.data.push_back(std::uint8_t(c >> 8));
        }
        value.data.push_back(0);
        value.data.push_back(0);
        return true;
    }
    if (data.substr(0, 6) == u"dword:") {
        const std::u16string_view digits = data.substr(6);
        if (digits.size() != 8) return false;
        std::uint32_t number = 0;
        for (char16_t c : digits) {
            const int d = HexDigit(c);
            if (d < 0) return false;
            number = number * 16 + std::uint32_t(d);
        }
        value.type = kRegDword;
        for (int i = 0; i < 4; ++i) value.data.push_back(std::uint8_t(number >> (8 * i)));
        return true;
    }
    std::size_t at = 0;
    if (data.substr(0, 4) == u"hex:") {
        value.type = kRegBinary;
        at = 4;
    } else if (data.substr(0, 4) == u"hex(") {
        const std::size_t close = data.find(u"):");
        if (close == std::u16string_view::npos || close == 4) return false;
        std::uint32_t type = 0;
        for (char16_t c : data.substr(4, close - 4)) {
            const int d = HexDigit(c);
            if (d < 0) return false;
            type = type * 16 + std::uint32_t(d);
        }
        value.type = type;
        at = close + 2;
    } else {
        return false;
    }
    int high = -1;
    for (; at < data.size(); ++at) {
        const char16_t c = data[at];
        if (c == u',' || c == u' ' || c == u'\t') {
            if (high >= 0) return false;  // one digit alone
            continue;
        }
        const int d = HexDigit(c);
        if (d < 0) return false;
        if (high < 0) {
            high = d;
        } else {
            value.data.push_back(std::uint8_t(high * 16 + d));
            high = -1;
        }
    }
    return high < 0;
}

bool PathExists(FileSystemPort& files, const std::u16string& path) {
    return files.GetAttributes(path) != kInvalidFileAttributes;
}

bool IsLinkAttributes(std::uint32_t attributes) {
    return attributes != kInvalidFileAttributes && (attributes & kFileAttributeReparsePoint);
}

bool IsFolderAttributes(std::uint32_t attributes) {
    return attributes != kInvalidFileAttributes && (attributes & kFileAttributeDirectory);
}

// Creates `folder` and the folders above it that are missing.
bool EnsureFolder(FileSystemPort& files, const std::u16string& folder) {
    std::u16string path = folder;
    while (path.size() > 3 && path.back() == u'\\') path.pop_back();
    StringList missing;
    while (!path.empty() && !IsFolderAttributes(files.GetAttributes(path))) {
        missing.push_back(path);
        const std::u16string_view parent = PathFolder(path);
        if (parent.size() <= 1 || parent.size() >= path.size()) return false;
        path = std::u16string(parent.substr(0, parent.size() - 1));
        if (path.size() == 2 && path[1] == u':') path.push_back(u'\\');
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (!files.CreateDirectory(*it) && !IsFolderAttributes(files.GetAttributes(*it)))
            return false;
    }
    return true;
}

// The volume a path lies on, for "is it the same volume": the drive letter
// or the share, upper case.
std::u16string VolumeOf(const std::u16string& path) {
    std::u16string text = path;
    if (text.rfind(u"\\\\?\\UNC\\", 0) == 0)
        text = u"\\\\" + text.substr(8);
    else if (text.rfind(u"\\\\?\\", 0) == 0)
        text = text.substr(4);
    if (text.size() >= 2 && text[1] == u':') return AsciiUpper(text.substr(0, 2));
    if (text.rfind(u"\\\\", 0) == 0) {
        const std::size_t server_end = text.find(u'\\', 2);
        if (server_end == std::u16string::npos) return AsciiUpper(text);
        const std::size_t share_end = text.find(u'\\', server_end + 1);
        return AsciiUpper(text.substr(0, share_end));
    }
    return {};
}

// Whether a write into `folder` failed for want of room.
bool NoRoomFor(FileSystemPort& files, const std::u16string& folder, std::size_t bytes) {
    std::uint64_t free = 0;
    return files.FreeBytes(folder, &free) && free < std::uint64_t(bytes) + 1;
}

// One file copied, read back and compared, given the source's attributes,
// then the source deleted. A copy that fails or differs is deleted again;
// when the source cannot be deleted the copy goes too: the file stays where
// it was, whole, and no part of it stays in the copy's place.
bool CopyCheckDelete(FileSystemPort& files, const std::u16string& from, const std::u16string& to,
                     std::uint32_t attributes, bool* no_room) {
    std::vector<std::uint8_t> bytes, check;
    if (!files.ReadFile(from, &bytes)) return false;
    if (!files.WriteFile(to, bytes)) {
        files.DeleteFile(to);
        if (no_room && NoRoomFor(files, std::u16string(PathFolder(to)), bytes.size()))
            *no_room = true;
        return false;
    }
    if (!files.ReadFile(to, &check) || check != bytes) {
        files.DeleteFile(to);
        return false;
    }
    const std::uint32_t plain = attributes & ~kFileAttributeReadOnly;
    if (attributes & kFileAttributeReadOnly) files.SetAttributes(from, plain);
    if (!files.DeleteFile(from)) {
        if (attributes & kFileAttributeReadOnly) files.SetAttributes(from, attributes);
        files.DeleteFile(to);
        return false;
    }
    files.SetAttributes(to, attributes & ~kFileAttributeDirectory);
    return true;
}

// Moves a tree item by item (what a whole move could not do): each entry is
// renamed, or copied, checked and deleted; a link that cannot be renamed and
// a file that cannot be taken stay, listed in `left`, and so do the folders
// that hold them. No recursion. True when anything was taken.
bool TransferTree(FileSystemPort& files, const std::u16string& from, const std::u16string& to,
                  StringList& left, bool* no_room = nullptr) {
    const std::uint32_t top = files.GetAttributes(from);
    if (top == kInvalidFileAttributes) return false;
    if (!IsFolderAttributes(top) || IsLinkAttributes(top)) {
        if (files.MoveFile(from, to)) return true;
        if (!IsLinkAttributes(top) && CopyCheckDelete(files, from, to, top, no_room)) return true;
        left.push_back(from);
        return false;
    }
    bool any = false;
    struct Folder {
        std::u16string from, to;
        std::uint32_t attributes;
    };
    std::vector<Folder> pending{{from, to, top}}, done;
    while (!pending.empty()) {
        Folder folder = std::move(pending.back());
        pending.pop_back();
        if (!IsFolderAttributes(files.GetAttributes(folder.to)) &&
            !files.CreateDirectory(folder.to)) {
            left.push_back(folder.from);
            continue;
        }
        FindData data;
        ScopedFindHandle find(files, files.FindFirst(Join(folder.from, u"*"), &data));
        if (!find.Valid()) {
            left.push_back(folder.from);
            continue;
        }
        do {
            if (data.name == u"." || data.name == u"..") continue;
            const std::u16string child_from = Join(folder.from, data.name);
            const std::u16string child_to = Join(folder.to, data.name);
            if (PathExists(files, child_to)) {
                left.push_back(child_from);
            } else if (files.MoveFile(child_from, child_to)) {
                any = true;
            } else if (IsLinkAttributes(data.attributes)) {
                left.push_back(child_from);
            } else if (IsFolderAttributes(data.attributes)) {
                pending.push_back({child_from, child_to, data.attributes});
            } else if (CopyCheckDelete(files, child_from, child_to, data.attributes, no_room)) {
                any = true;
            } else {
                left.push_back(child_from);
            }
        } while (files.FindNext(find.Get(), &data));
        done.push_back(std::move(folder));
    }
    // The emptied folders go deepest first; each copy gets its folder's
    // attributes once its contents are in. A copy left empty (nothing of
    // the folder could be taken) goes again.
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
        const std::uint32_t plain = it->attributes & ~kFileAttributeReadOnly;
        if (it->attributes & kFileAttributeReadOnly) files.SetAttributes(it->from, plain);
        if (!files.RemoveDirectory(it->from)) {
            if (it->attributes & kFileAttributeReadOnly)
                files.SetAttributes(it->from, it->attributes);
            if (PathExists(files, it->from)) files.RemoveDirectory(it->to);  // only when empty
        }
        files.SetAttributes(it->to, it->attributes & ~kFileAttributeDirectory);
    }
    return any;
}

// Writes `folder\name` whole or not at all: a new file, renamed over the
// old one. When it cannot, the file stays as it was.
bool WriteWhole(FileSystemPort& files, const std::u16string& folder, const char16_t* name,
                const char16_t* new_name, const std::string& text) {
    const std::u16string fresh = Join(folder, new_name);
    const std::u16string target = Join(folder, name);
    if (files.WriteFile(fresh, std::vector<std::uint8_t>(text.begin(), text.end())) &&
        files.ReplaceFile(fresh, target))
        return true;
    files.DeleteFile(fresh);
    return false;
}

// The names in a folder, without "." and "..".
std::vector<FindData> Listing(FileSystemPort& files, const std::u16string& folder) {
    std::vector<FindData> entries;
    FindData data;
    ScopedFindHandle find(files, files.FindFirst(Join(folder, u"*"), &data));
    if (!find.Valid()) return entries;
    do {
        if (data.name != u"." && data.name != u"..") entries.push_back(data);
    } while (files.FindNext(find.Get(), &data));
    return entries;
}

// The items of what lies at `to` in a set, taken from `from`: walked
// without following links, parents first. `measure` reads each file's size
// and SHA-256 (only the size of a file held open, which may have moved with
// its folder and still not be readable).
void CollectItems(FileSystemPort& files, const std::u16string& from, const std::u16string& to,
                  bool measure, std::vector<UndoItem>& items) {
    struct Pending {
        std::u16string from, to;
    };
    std::vector<Pending> pending{{from, to}};
    while (!pending.empty()) {
        const Pending one = std::move(pending.back());
        pending.pop_back();
        const std::uint32_t attributes = files.GetAttributes(one.to);
        if (attributes == kInvalidFileAttributes) continue;
        UndoItem item;
        item.from = one.from;
        item.attributes = attributes;
        if (IsLinkAttributes(attributes)) {
            item.kind = UndoItem::Kind::kLink;
        } else if (IsFolderAttributes(attributes)) {
            item.kind = UndoItem::Kind::kFolder;
            const std::vector<FindData> entries = Listing(files, one.to);
            for (auto it = entries.rbegin(); it != entries.rend(); ++it)
                pending.push_back({Join(one.from, it->name), Join(one.to, it->name)});
        } else if (measure) {
            std::vector<std::uint8_t> bytes;
            FindData data;
            if (files.ReadFile(one.to, &bytes)) {
                item.size = bytes.size();
                item.sha256 = Sha256Hex(bytes);
                item.size_known = true;
            } else if (ScopedFindHandle find(files, files.FindFirst(one.to, &data)); find.Valid()) {
                item.size = data.size;
                item.size_known = true;
            }
        }
        items.push_back(std::move(item));
    }
}

}  // namespace

// --- The registry editor's format ---------------------------------------------

std::u16string RegValueText(const std::u16string& name, std::uint32_t type,
                            const std::vector<std::uint8_t>& data) {
    std::u16string line;
    if (name.empty()) {
        line = u"@=";
    } else {
        line = u"\"";
        AppendEscaped(line, name);
        line += u"\"=";
    }
    if (type == kRegSz && IsPlainString(data)) {
        line += u"\"";
        std::u16string text;
        for (std::size_t i = 0; i + 2 < data.size(); i += 2)
            text.push_back(char16_t(data[i] | (data[i + 1] << 8)));
        AppendEscaped(line, text);
        return line + u"\"\r\n";
    }
    if (type == kRegDword && data.size() == 4) {
        const std::uint32_t number =
            data[0] | (data[1] << 8) | (data[2] << 16) | (std::uint32_t(data[3]) << 24);
        char digits[16];
        std::snprintf(digits, sizeof digits, "%08x", number);
        line += u"dword:";
        for (const char* c = digits; *c; ++c) line.push_back(char16_t(*c));
        return line + u"\r\n";
    }
    if (type == kRegBinary) {
        line += u"hex:";
    } else {
        char digits[16];
        std::snprintf(digits, sizeof digits, "hex(%x):", type);
        for (const char* c = digits; *c; ++c) line.push_back(char16_t(*c));
    }
    std::size_t column = line.size();
    for (std::size_t i = 0; i < data.size(); ++i) {
        AppendHexByte(line, data[i]);
        column += 2;
        if (i + 1 == data.size()) break;
        line.push_back(u',');
        ++column;
        if (column >= kHexWrapColumn) {
            line += u"\\\r\n  ";
            column = 2;
        }
    }
    return line + u"\r\n";
}

std::vector<std::uint8_t> RegFileBytes(const std::u16string& text) {
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    bytes.reserve(2 + 2 * text.size());
    for (char16_t c : text) {
        bytes.push_back(std::uint8_t(c & 0xFF));
        bytes.push_back(std::uint8_t(c >> 8));
    }
    return bytes;
}

bool ExportRegistryKey(RegistryPort& registry, RegKey root, const std::u16string& key_path,
                       bool view64, std::u16string& text) {
    const RootName* root_name = FindRoot(root);
    if (root_name == nullptr) return false;
    std::u16string out;
    // Depth first without recursion, each key before its sub-keys, in
    // enumeration order.
    StringList pending{key_path};
    while (!pending.empty()) {
        const std::u16string path = std::move(pending.back());
        pending.pop_back();
        ScopedRegKey key(registry);
        if (registry.OpenKey(root, path, ViewSam(kKeyRead, view64), key.Receive()) != kErrorSuccess)
            return false;
        out += KeyHeader(*root_name, path);
        if (!AppendValues(registry, key.Get(), out)) return false;
        out += u"\r\n";
        StringList children;
        for (std::uint32_t index = 0;; ++index) {
            std::u16string name;
            const RegStatus status = registry.EnumKey(key.Get(), index, kRegNameCapacity, &name);
            if (status == kErrorNoMoreItems) break;
            if (status != kErrorSuccess) return false;
            children.push_back(path + u"\\" + name);
        }
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    text += out;
    return true;
}

bool ExportRegistryValue(RegistryPort& registry, RegKey root, const std::u16string& key_path,
                         const std::u16string& value_name, bool view64, std::u16string& text) {
    const RootName* root_name = FindRoot(root);
    if (root_name == nullptr) return false;
    ScopedRegKey key(registry);
    if (registry.OpenKey(root, key_path, ViewSam(kKeyRead, view64), key.Receive()) != kErrorSuccess)
        return false;
    std::uint32_t type = 0;
    bool ok = false;
    const std::vector<std::uint8_t> data = ReadAll(registry, key.Get(), value_name, &type, &ok);
    if (!ok) return false;
    text += KeyHeader(*root_name, key_path) + RegValueText(value_name, type, data) + u"\r\n";
    return true;
}

bool ParseRegFileSections(const std::vector<std::uint8_t>& bytes, std::vector<RegFileKey>* keys,
                          StringList* bad) {
    keys->clear();
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE || bytes.size() % 2 != 0)
        return false;
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        text.push_back(char16_t(bytes[i] | (bytes[i + 1] << 8)));
    StringList lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos) end = text.size();
        std::u16string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == u'\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    std::size_t index = 0;
    while (index < lines.size() && Trim(lines[index]).empty()) ++index;
    if (index == lines.size() || lines[index] != kRegFileHeader) return false;
    // A section with a line not understood is dropped until the next one.
    bool skipping = false;
    std::u16string section;
    auto drop = [&](std::size_t line_index) {
        bad->push_back(section + u": line " + FromUtf8(std::to_string(line_index + 1)));
        skipping = true;
    };
    for (++index; index < lines.size(); ++index) {
        std::u16string line = lines[index];
        if (Trim(line).empty()) continue;
        if (line[0] == u'[') {
            skipping = false;
            section = line;
            RegFileKey key;
            if (line.back() != u']') {
                drop(index);
                continue;
            }
            const std::u16string name = line.substr(1, line.size() - 2);
            const std::size_t slash = name.find(u'\\');
            const std::u16string root = name.substr(0, slash);
            for (const auto& one : kRootNames) {
                if (root == one.longName) {
                    key.root = one.root;
                    key.root_name = one.shortName;
                }
            }
            if (key.root == 0 || slash == std::u16string::npos) {
                drop(index);
                continue;
            }
            key.path = name.substr(slash + 1);
            keys->push_back(std::move(key));
            continue;
        }
        if (skipping) continue;
        if (keys->empty()) {
            section = u"(before the first key)";
            drop(index);
            continue;
        }
        RegFileValue value;
        std::size_t at = 0;
        bool ok = line[0] == u'@' ? (at = 1, true) : ReadQuoted(line, at, value.name);
        ok = ok && at < line.size() && line[at] == u'=';
        std::u16string data = ok ? line.substr(at + 1) : std::u16string();
        // Hex data goes on over lines that end in a backslash.
        while (ok && data.rfind(u"hex", 0) == 0 && !data.empty() && data.back() == u'\\' &&
               index + 1 < lines.size()) {
            data.pop_back();
            data += Trim(lines[++index]);
        }
        if (!ok || !ParseValueData(data, value)) {
            // The whole section goes: its key is not put back half.
            keys->pop_back();
            bad->push_back(section + u": line " + FromUtf8(std::to_string(index + 1)));
            skipping = true;
            continue;
        }
        keys->back().values.push_back(std::move(value));
    }
    return true;
}

bool ParseRegFile(const std::vector<std::uint8_t>& bytes, std::vector<RegFileKey>* keys) {
    StringList bad;
    return ParseRegFileSections(bytes, keys, &bad) && bad.empty();
}

// --- Writing a set -------------------------------------------------------------

std::u16string UndoMirrorPath(const std::u16string& set_folder, const std::u16string& path) {
    std::u16string text = path;
    if (text.rfind(u"\\\\?\\UNC\\", 0) == 0)
        text = u"\\\\" + text.substr(8);
    else if (text.rfind(u"\\\\?\\", 0) == 0)
        text = text.substr(4);
    while (text.size() > 3 && text.back() == u'\\') text.pop_back();
    const std::u16string files = Join(set_folder, kFilesFolder);
    if (text.size() >= 3 && text[1] == u':' && text[2] == u'\\' && AsciiUpper(text[0]) >= u'A' &&
        AsciiUpper(text[0]) <= u'Z') {
        std::u16string mirror = Join(files, std::u16string(1, AsciiUpper(text[0])));
        if (text.size() > 3) mirror += u"\\" + text.substr(3);
        return mirror;
    }
    if (text.rfind(u"\\\\", 0) == 0 && text.size() > 2)
        return Join(files, u"UNC\\" + text.substr(2));
    return {};
}

std::u16string UndoSetName(const std::u16string& created, const std::u16string& program) {
    std::u16string name;
    for (char16_t c : Trim(program)) {
        const bool bad =
            c < 32 || std::u16string_view(u"<>:\"/\\|?*").find(c) != std::u16string_view::npos;
        name.push_back(bad ? u'_' : c);
        if (name.size() == 60) break;
    }
    while (!name.empty() && (name.back() == u'.' || name.back() == u' ')) name.pop_back();
    return name.empty() ? created : created + u"_" + name;
}

UndoSetWriter::UndoSetWriter(FileSystemPort& files, RegistryPort& registry, std::u16string folder,
                             std::u16string program, std::u16string created)
    : files_(files),
      registry_(registry),
      folder_(std::move(folder)),
      program_(std::move(program)),
      created_(std::move(created)) {}

void UndoSetWriter::RecordStartingFolders(const StringList& starting_folders) {
    starting_folders_ = starting_folders;
}

bool UndoSetWriter::Begin(const std::function<bool(const std::u16string&)>& make_folder) {
    // A folder that exists already may hold what someone else put there.
    if (PathExists(files_, folder_) ||
        !(make_folder ? make_folder(folder_) : files_.CreateDirectory(folder_)))
        return false;
    began_ = true;
    if (WriteRecord(false)) return true;
    RemoveSet();
    began_ = false;
    return false;
}

void UndoSetWriter::RemoveSet() {
    files_.DeleteFile(Join(folder_, kJournalNewName));
    files_.DeleteFile(Join(folder_, kJournalName));
    files_.DeleteFile(Join(folder_, kRecordNewName));
    files_.DeleteFile(Join(folder_, kRecordName));
    files_.DeleteFile(Join(folder_, RegFileName(true)));
    files_.DeleteFile(Join(folder_, RegFileName(false)));
    // The mirror folders made for what could not be taken, deepest first.
    StringList folders{Join(folder_, kFilesFolder)}, order;
    while (!folders.empty()) {
        const std::u16string one = folders.back();
        folders.pop_back();
        order.push_back(one);
        for (const FindData& entry : Listing(files_, one)) {
            if (IsFolderAttributes(entry.attributes) && !IsLinkAttributes(entry.attributes))
                folders.push_back(Join(one, entry.name));
        }
    }
    for (auto it = order.rbegin(); it != order.rend(); ++it) files_.RemoveDirectory(*it);
    files_.RemoveDirectory(folder_);
}

bool UndoSetWriter::WriteRecord(bool complete) {
    auto list = [](const StringList& items) {
        std::string json = "[";
        for (std::size_t i = 0; i < items.size(); ++i)
            json += std::string(i ? "," : "") + "\n    " + JsonString(items[i]);
        return json + (items.empty() ? "]" : "\n  ]");
    };
    std::string json =
        "{\n  \"format\": " + std::to_string(kRecordFormat) +
        ",\n  \"program\": " + JsonString(program_) + ",\n  \"created\": " + JsonString(created_) +
        ",\n  \"complete\": " + (complete ? "true" : "false") +
        ",\n  \"starting_folders\": " + list(starting_folders_) + ",\n  \"taken\": [";
    for (std::size_t i = 0; i < taken_.size(); ++i) {
        const UndoEntry& entry = taken_[i];
        json += std::string(i ? "," : "") + "\n    {\"from\": " + JsonString(entry.from) +
                ", \"to\": " + JsonString(entry.to) +
                ", \"folder\": " + (entry.folder ? "true" : "false") +
                ", \"how\": " + (entry.copied ? "\"copied\"" : "\"moved\"") + "}";
    }
    json += taken_.empty() ? "],\n  \"items\": [" : "\n  ],\n  \"items\": [";
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const UndoItem& item = items_[i];
        const char* kind = item.kind == UndoItem::Kind::kFile     ? "file"
                           : item.kind == UndoItem::Kind::kFolder ? "folder"
                                                                  : "link";
        json += std::string(i ? "," : "") + "\n    {\"from\": " + JsonString(item.from) +
                ", \"kind\": \"" + kind + "\", \"attributes\": " + std::to_string(item.attributes);
        if (item.kind == UndoItem::Kind::kFile && item.size_known)
            json += ", \"size\": " + std::to_string(item.size);
        if (item.kind == UndoItem::Kind::kFile && !item.sha256.empty())
            json += ", \"sha256\": \"" + item.sha256 + "\"";
        json += "}";
    }
    json += items_.empty() ? "],\n  \"registry\": [" : "\n  ],\n  \"registry\": [";
    for (std::size_t i = 0; i < registry_saved_.size(); ++i) {
        json += std::string(i ? "," : "") +
                "\n    {\"location\": " + JsonString(registry_saved_[i]) +
                ", \"view\": " + (registry_view64_[i] ? "\"64-bit\"" : "\"32-bit\"") +
                ", \"file\": " + JsonString(RegFileName(registry_view64_[i])) + "}";
    }
    json += (registry_saved_.empty() ? "],\n  \"not_taken\": " : "\n  ],\n  \"not_taken\": ") +
            list(not_taken_) + "\n}\n";
    since_record_ = 0;
    if (!WriteWhole(files_, folder_, kRecordName, kRecordNewName, json)) {
        if (NoRoomFor(files_, folder_, json.size())) volume_full_ = true;
        return false;
    }
    // The record holds what the journal named.
    journal_.clear();
    files_.DeleteFile(Join(folder_, kJournalName));
    return true;
}

bool UndoSetWriter::WriteJournal() {
    std::string json = "{\n  \"taking\": [";
    for (std::size_t i = 0; i < journal_.size(); ++i)
        json += std::string(i ? "," : "") + "\n    " + JsonString(journal_[i]);
    json += journal_.empty() ? "]\n}\n" : "\n  ]\n}\n";
    if (WriteWhole(files_, folder_, kJournalName, kJournalNewName, json)) return true;
    if (NoRoomFor(files_, folder_, json.size())) volume_full_ = true;
    return false;
}

void UndoSetWriter::RecordTaken(const std::u16string& from, const std::u16string& to) {
    // What lies in the set now is what went.
    CollectItems(files_, from, to, /*measure=*/true, items_);
}

void UndoSetWriter::TakePath(const std::u16string& path) {
    const std::uint32_t attributes = files_.GetAttributes(path);
    if (attributes == kInvalidFileAttributes) return;  // went with a folder taken before
    // A path that holds the set itself cannot go into it (the front end
    // refuses such a place before anything is removed; this is the last word).
    const std::u16string upper_set = AsciiUpper(folder_) + u"\\";
    const std::u16string upper_path = AsciiUpper(path);
    if (upper_set.compare(0, upper_path.size(), upper_path) == 0 &&
        (upper_path.back() == u'\\' || upper_set[upper_path.size()] == u'\\')) {
        not_taken_.push_back(path);
        WriteRecord(false);
        return;
    }
    const std::u16string to = UndoMirrorPath(folder_, path);
    const std::u16string_view parent = PathFolder(to);
    if (to.empty() || PathExists(files_, to) ||
        !EnsureFolder(files_, std::u16string(parent.substr(0, parent.size() - 1)))) {
        not_taken_.push_back(path);
        WriteRecord(false);
        return;
    }
    const bool folder = IsFolderAttributes(attributes) && !IsLinkAttributes(attributes);
    // Named before it moves: a removal that stops during the move still has
    // it restored.
    journal_.push_back(path);
    if (!WriteJournal()) {
        journal_.pop_back();
        not_taken_.push_back(path);
        WriteRecord(false);
        return;
    }
    bool copied = false, no_room = false;
    const std::size_t left_before = not_taken_.size();
    bool taken = files_.MoveFile(path, to);
    if (!taken) {
        taken = TransferTree(files_, path, to, not_taken_, &no_room);
        copied = VolumeOf(path) != VolumeOf(folder_);
    }
    if (no_room) volume_full_ = true;
    if (taken) {
        taken_.push_back({path, to, folder, copied});
        RecordTaken(path, to);
    }
    // A checkpoint now and then; at once when something could not be taken.
    if (not_taken_.size() != left_before || ++since_record_ >= kRecordEveryPaths)
        WriteRecord(false);
}

bool UndoSetWriter::SaveRegistry(const std::u16string& location, bool view64) {
    StringList pieces;
    Str_SplitByBar(location, pieces);
    if (pieces.size() != 2 && pieces.size() != 3) return false;
    const RegKey root = Reg_RootFromName(pieces[0]);
    std::u16string text;
    const bool saved =
        pieces.size() == 3
            ? ExportRegistryValue(registry_, root, pieces[1], pieces[2], view64, text)
            : ExportRegistryKey(registry_, root, pieces[1], view64, text);
    if (!saved) return false;
    std::u16string& all = reg_text_[view64 ? 1 : 0];
    all += text;
    const std::u16string file = std::u16string(kRegFileHeader) + u"\r\n\r\n" + all;
    const std::vector<std::uint8_t> bytes = RegFileBytes(file);
    if (!files_.WriteFile(Join(folder_, RegFileName(view64)), bytes)) {
        all.resize(all.size() - text.size());
        // What was saved before stays saved: the file as it was.
        files_.WriteFile(Join(folder_, RegFileName(view64)),
                         RegFileBytes(std::u16string(kRegFileHeader) + u"\r\n\r\n" + all));
        if (NoRoomFor(files_, folder_, bytes.size())) volume_full_ = true;
        return false;
    }
    registry_saved_.push_back(location);
    registry_view64_.push_back(view64);
    if (WriteRecord(false)) return true;
    // Unrecorded, it would not be restored: the location stays.
    registry_saved_.pop_back();
    registry_view64_.pop_back();
    return false;
}

void UndoSetWriter::Finish() {
    if (!began_) return;
    if (empty()) {
        RemoveSet();
        return;
    }
    WriteRecord(true);
}

bool EnsureFolderPath(FileSystemPort& files, const std::u16string& folder) {
    return EnsureFolder(files, folder);
}

std::string UndoPlaceProblem(FileSystemPort& files, ShellFoldersPort& shell, RegistryPort* registry,
                             const std::u16string& set_folder, const StringList& removed) {
    const ProtectedFolders protected_folders(shell, files, registry);
    const CanonicalPath place =
        CanonicalFolderPath(files, set_folder, &protected_folders.environment());
    if (!place.decided) return "its path names no folder that can be placed";
    if (protected_folders.IsProtectedText(place.text))
        return "it is a folder of Windows or of its users";
    // Every folder on the way that exists: none a link, none a protected
    // folder by identity, none what the removal takes.
    std::vector<FileIdentity> taken;
    StringList taken_text;
    for (const auto& path : removed) {
        const CanonicalPath canonical =
            CanonicalFolderPath(files, path, &protected_folders.environment());
        if (!canonical.decided) continue;
        taken_text.push_back(canonical.text);
        FileIdentity identity;
        if (files.GetFileIdentity(canonical.text, &identity)) taken.push_back(identity);
    }
    for (const auto& path : taken_text) {
        if (IsSameOrInside(place.text, path)) return "it lies in what the removal takes";
    }
    for (std::u16string folder = place.text;;) {
        const std::uint32_t attributes = files.GetAttributes(folder);
        if (attributes != kInvalidFileAttributes) {
            if (IsLinkAttributes(attributes)) return "it is reached through a link";
            FileIdentity identity;
            if (files.GetFileIdentity(folder, &identity)) {
                if (folder == place.text && protected_folders.IsProtectedIdentity(identity))
                    return "it is a folder of Windows or of its users";
                if (std::find(taken.begin(), taken.end(), identity) != taken.end())
                    return "it lies in what the removal takes";
            }
        }
        const std::u16string_view parent = PathFolder(folder);
        if (parent.size() < 3 || parent.size() >= folder.size()) break;
        folder = std::u16string(parent.size() == 3 ? parent : parent.substr(0, parent.size() - 1));
        if (folder.size() <= 3) break;  // the drive root holds everything
    }
    return {};
}

// --- Restoring and listing -----------------------------------------------------------

namespace {

// The record of a set, read strictly.
struct UndoRecord {
    int format = 1;
    std::u16string program, created;
    bool complete = false;
    StringList starting_folders;
    std::vector<UndoItem> items;
    StringList taken;       // the paths taken whole (old format: what is restored)
    StringList unrecorded;  // named in the journal: taken, their items unrecorded
    struct Location {
        std::u16string location;
        bool view64 = false;
    };
    std::vector<Location> registry;
};

bool ReadRecord(FileSystemPort& files, const std::u16string& set_folder, UndoRecord* record) {
    std::vector<std::uint8_t> bytes;
    if (!files.ReadFile(Join(set_folder, kRecordName), &bytes)) return false;
    JsonValue json;
    if (!ParseJson(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                   &json) ||
        json.kind != JsonValue::Kind::kObject)
        return false;
    std::uint64_t format = 1;
    if (json.Get("format", JsonValue::Kind::kNumber) && !json.Count("format", &format))
        return false;
    record->format = int(format);
    record->program = json.String("program");
    record->created = json.String("created");
    record->complete = json.Bool("complete", false);
    if (const JsonValue* starts = json.Get("starting_folders", JsonValue::Kind::kArray)) {
        for (const JsonValue& one : starts->items) {
            if (one.kind != JsonValue::Kind::kString) return false;
            record->starting_folders.push_back(one.text);
        }
    }
    const JsonValue* taken = json.Get(format >= 2 ? "taken" : "files", JsonValue::Kind::kArray);
    if (taken) {
        for (const JsonValue& one : taken->items) {
            const std::u16string from = one.String("from");
            if (from.empty()) return false;
            record->taken.push_back(from);
        }
    }
    if (format >= 2) {
        const JsonValue* items = json.Get("items", JsonValue::Kind::kArray);
        if (items == nullptr) return false;
        for (const JsonValue& one : items->items) {
            UndoItem item;
            item.from = one.String("from");
            const std::u16string kind = one.String("kind");
            std::uint64_t attributes = 0;
            if (item.from.empty() || !one.Count("attributes", &attributes) ||
                attributes > 0xFFFFFFFF)
                return false;
            item.attributes = std::uint32_t(attributes);
            if (kind == u"file") {
                item.kind = UndoItem::Kind::kFile;
                item.sha256 = ToUtf8(one.String("sha256"));
                item.size_known = one.Count("size", &item.size);
                if (one.Get("size", JsonValue::Kind::kNumber) && !item.size_known) return false;
                if (!item.sha256.empty() && item.sha256.size() != 64) return false;
            } else if (kind == u"folder") {
                item.kind = UndoItem::Kind::kFolder;
            } else if (kind == u"link") {
                item.kind = UndoItem::Kind::kLink;
            } else {
                return false;
            }
            record->items.push_back(std::move(item));
        }
    }
    // What a removal that stopped had named in its journal but not yet in
    // its record.
    std::vector<std::uint8_t> journal_bytes;
    JsonValue journal;
    if (files.ReadFile(Join(set_folder, kJournalName), &journal_bytes) &&
        ParseJson(std::string_view(reinterpret_cast<const char*>(journal_bytes.data()),
                                   journal_bytes.size()),
                  &journal)) {
        if (const JsonValue* taking = journal.Get("taking", JsonValue::Kind::kArray)) {
            for (const JsonValue& one : taking->items) {
                if (one.kind == JsonValue::Kind::kString && !one.text.empty())
                    record->unrecorded.push_back(one.text);
            }
        }
    }
    if (const JsonValue* registry = json.Get("registry", JsonValue::Kind::kArray)) {
        for (const JsonValue& one : registry->items) {
            const std::u16string location = one.String("location");
            const std::u16string view = one.String("view");
            if (location.empty() || (view != u"64-bit" && view != u"32-bit")) return false;
            record->registry.push_back({location, view == u"64-bit"});
        }
    }
    return true;
}

// A path as the removal hands it over: on a drive or a share, absolute, no
// empty, "." or ".." piece, no stream, no wildcard, no device prefix.
bool IsPlainAbsolutePath(const std::u16string& path) {
    std::u16string_view rest;
    if (path.size() >= 3 && path[1] == u':' && path[2] == u'\\' && AsciiUpper(path[0]) >= u'A' &&
        AsciiUpper(path[0]) <= u'Z') {
        rest = std::u16string_view(path).substr(3);
    } else if (path.size() > 2 && path[0] == u'\\' && path[1] == u'\\' && path[2] != u'?' &&
               path[2] != u'.') {
        rest = std::u16string_view(path).substr(2);
    } else {
        return false;
    }
    if (rest.empty()) return false;
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find(u'\\', start);
        if (end == std::u16string_view::npos) end = rest.size();
        const std::u16string_view piece = rest.substr(start, end - start);
        if (piece.empty() || piece == u"." || piece == u".." ||
            piece.find_first_of(u":*?\"<>|/") != std::u16string_view::npos)
            return false;
        start = end + 1;
    }
    return true;
}

// Whether any folder from `set_folder` down to `path`'s own folder is a
// link; `path` itself is checked by the caller. Answers are kept per folder.
class LinkCheck {
  public:
    explicit LinkCheck(FileSystemPort& files) : files_(files) {}
    bool Through(const std::u16string& set_folder, const std::u16string& path) {
        std::u16string_view above = PathFolder(path);
        while (above.size() > set_folder.size()) {
            const std::u16string folder(above.substr(0, above.size() - 1));
            auto found = known_.find(AsciiUpper(folder));
            if (found == known_.end()) {
                const std::uint32_t attributes = files_.GetAttributes(folder);
                found = known_
                            .emplace(AsciiUpper(folder), !IsFolderAttributes(attributes) ||
                                                             IsLinkAttributes(attributes))
                            .first;
            }
            if (found->second) return true;
            above = above.substr(0, PathFolder(folder).size());
        }
        return IsLinkAttributes(files_.GetAttributes(set_folder));
    }

  private:
    FileSystemPort& files_;
    std::unordered_map<std::u16string, bool> known_;
};

// The original place of a path in a set's files tree; empty when it names
// no drive or share.
std::u16string OriginalOf(const std::u16string& files_root, const std::u16string& mirror) {
    const std::u16string rest = mirror.substr(files_root.size() + 1);
    if (rest.size() >= 3 && EqualsIgnoreAsciiCase(rest.substr(0, 4), u"UNC\\"))
        return u"\\\\" + rest.substr(4);
    if (rest.size() == 1) return rest + u":\\";
    if (rest.size() >= 2 && rest[1] == u'\\') return rest.substr(0, 1) + u":" + rest.substr(1);
    return {};
}

// What the set's tree holds below the mirror of each of `taken`, walked
// without following links, as items without sizes or hashes: for paths whose
// items the record does not list (an old-format record, or a removal that
// stopped before it wrote them).
void ItemsFromTree(FileSystemPort& files, const std::u16string& set_folder, const StringList& taken,
                   std::vector<UndoItem>& items) {
    for (const auto& from : taken) {
        const std::u16string to = UndoMirrorPath(set_folder, from);
        if (!to.empty()) CollectItems(files, from, to, /*measure=*/false, items);
    }
}

std::size_t Depth(const std::u16string& path) {
    return std::size_t(std::count(path.begin(), path.end(), u'\\'));
}

// Puts one file back: moved, or copied, checked and deleted from the set
// across volumes. A copy that fails leaves nothing at `to`.
bool PutBack(FileSystemPort& files, const std::u16string& mirror, const std::u16string& to,
             const std::vector<std::uint8_t>& bytes, std::uint32_t attributes) {
    if (files.MoveFile(mirror, to)) return true;
    std::vector<std::uint8_t> check;
    if (!files.WriteFile(to, bytes) || !files.ReadFile(to, &check) || check != bytes) {
        files.DeleteFile(to);
        return false;
    }
    files.SetAttributes(mirror, kFileAttributeNormal);
    files.DeleteFile(mirror);
    files.SetAttributes(to, attributes & ~kFileAttributeDirectory);
    return true;
}

// Whether a .reg section (or one value of it) lies within what the record
// lists for its view: at or below a recorded key, or exactly a recorded value.
struct RegistryAllowance {
    std::vector<std::pair<std::u16string, std::u16string>> keys;  // root name, upper-case path
    std::vector<std::tuple<std::u16string, std::u16string, std::u16string>> values;

    void Add(const std::u16string& location) {
        StringList pieces;
        Str_SplitByBar(location, pieces);
        if (pieces.size() < 2 || Reg_RootFromName(pieces[0]) == 0 || Trim(pieces[1]).empty())
            return;
        if (pieces.size() == 2 && !IsProtectedRegistryKey(pieces[0], pieces[1]))
            keys.push_back({pieces[0], AsciiUpper(pieces[1])});
        if (pieces.size() == 3) values.emplace_back(pieces[0], AsciiUpper(pieces[1]), pieces[2]);
    }
    bool Key(const RegFileKey& key) const {
        const std::u16string path = AsciiUpper(key.path);
        for (const auto& [root, recorded] : keys) {
            if (root == key.root_name && path.compare(0, recorded.size(), recorded) == 0 &&
                (path.size() == recorded.size() || path[recorded.size()] == u'\\'))
                return true;
        }
        return false;
    }
    bool Value(const RegFileKey& key, const std::u16string& name) const {
        if (Key(key)) return true;
        const std::u16string path = AsciiUpper(key.path);
        for (const auto& [root, recorded, value] : values) {
            if (root == key.root_name && path == recorded && name == value) return true;
        }
        return false;
    }
};

}  // namespace

RestoreReport RestoreUndoSet(FileSystemPort& files, RegistryPort& registry, ShellFoldersPort& shell,
                             const std::u16string& set_folder, bool accept_old_format) {
    RestoreReport report;
    UndoRecord record;
    if (!ReadRecord(files, set_folder, &record)) {
        report.record_unreadable = true;
        return report;
    }
    if (record.format < 2) {
        report.old_format = true;
        if (!accept_old_format) return report;
        ItemsFromTree(files, set_folder, record.taken, record.items);
        record.starting_folders = record.taken;
    }
    {
        std::unordered_set<std::u16string> known;
        for (const auto& one : record.taken) known.insert(AsciiUpper(one));
        StringList unrecorded;
        for (const auto& one : record.unrecorded)
            if (known.insert(AsciiUpper(one)).second) unrecorded.push_back(one);
        ItemsFromTree(files, set_folder, unrecorded, record.items);
    }

    // Files: parents before what they hold; each through the removal's own
    // checks, as if it were to be removed again.
    const ProtectedFolders protected_folders(shell, files, &registry);
    RemovalGuard guard(files, protected_folders, record.starting_folders);
    LinkCheck links(files);
    const std::u16string files_root = Join(set_folder, kFilesFolder);
    std::vector<const UndoItem*> order;
    for (const UndoItem& item : record.items) order.push_back(&item);
    std::stable_sort(order.begin(), order.end(), [](const UndoItem* a, const UndoItem* b) {
        return Depth(a->from) < Depth(b->from);
    });
    std::unordered_set<std::u16string> recorded;  // upper-case mirror paths
    std::vector<std::pair<std::u16string, std::uint32_t>> folder_attributes;
    std::unordered_set<std::u16string> unusable;  // upper-case: items refused, with what they held
    auto inside_unusable = [&unusable](const std::u16string& path) {
        for (std::u16string_view above = PathFolder(path); above.size() > 3;) {
            const std::u16string folder(above.substr(0, above.size() - 1));
            if (unusable.count(AsciiUpper(folder))) return true;
            above = above.substr(0, PathFolder(folder).size());
        }
        return false;
    };
    for (const UndoItem* item : order) {
        const std::u16string mirror =
            IsPlainAbsolutePath(item->from) ? UndoMirrorPath(set_folder, item->from) : u"";
        if (!mirror.empty()) recorded.insert(AsciiUpper(mirror));
        if (inside_unusable(item->from)) {
            unusable.insert(AsciiUpper(item->from));
            continue;  // its folder was not put back: reported there
        }
        const std::u16string checked = mirror.empty() ? u"" : guard.Check(item->from);
        if (checked.empty() || !EqualsIgnoreAsciiCase(checked, item->from)) {
            report.denied.push_back(item->from);
            unusable.insert(AsciiUpper(item->from));
            continue;
        }
        const std::uint32_t in_set = files.GetAttributes(mirror);
        const bool kind_matches =
            in_set != kInvalidFileAttributes &&
            (item->kind == UndoItem::Kind::kLink
                 ? IsLinkAttributes(in_set)
                 : !IsLinkAttributes(in_set) &&
                       IsFolderAttributes(in_set) == (item->kind == UndoItem::Kind::kFolder));
        if (links.Through(set_folder, mirror) || !kind_matches) {
            if (in_set == kInvalidFileAttributes && !links.Through(set_folder, mirror))
                report.failed.push_back(item->from);  // gone from the set
            else
                report.damaged.push_back(item->from);
            unusable.insert(AsciiUpper(item->from));
            continue;
        }
        const std::uint32_t there = files.GetAttributes(item->from);
        if (item->kind == UndoItem::Kind::kFolder) {
            if (there != kInvalidFileAttributes) {
                // A folder that exists again is entered; anything else there is refused.
                if (!IsFolderAttributes(there) || IsLinkAttributes(there)) {
                    report.refused.push_back(item->from);
                    unusable.insert(AsciiUpper(item->from));
                }
                continue;
            }
            const std::u16string_view parent = PathFolder(item->from);
            if (EnsureFolder(files, std::u16string(parent.substr(0, parent.size() - 1))) &&
                files.CreateDirectory(item->from)) {
                report.restored.push_back(item->from);
                folder_attributes.push_back({item->from, item->attributes});
            } else {
                report.failed.push_back(item->from);
                unusable.insert(AsciiUpper(item->from));
            }
            continue;
        }
        if (there != kInvalidFileAttributes) {
            report.refused.push_back(item->from);
            continue;
        }
        std::vector<std::uint8_t> bytes;
        if (item->kind == UndoItem::Kind::kFile) {
            if (!files.ReadFile(mirror, &bytes) ||
                (item->size_known && bytes.size() != item->size) ||
                (!item->sha256.empty() && Sha256Hex(bytes) != item->sha256)) {
                report.damaged.push_back(item->from);
                continue;
            }
        }
        const std::u16string_view parent = PathFolder(item->from);
        const bool placed =
            EnsureFolder(files, std::u16string(parent.substr(0, parent.size() - 1))) &&
            (item->kind == UndoItem::Kind::kLink
                 ? files.MoveFile(mirror, item->from)
                 : PutBack(files, mirror, item->from, bytes, item->attributes));
        (placed ? report.restored : report.failed).push_back(item->from);
    }
    // Each folder gets its attributes once what it holds is back.
    for (auto it = folder_attributes.rbegin(); it != folder_attributes.rend(); ++it)
        files.SetAttributes(it->first, it->second & ~kFileAttributeDirectory);

    // What the tree holds beyond the record is left alone and named. The
    // folders on the way to recorded items are the tree's own.
    std::unordered_set<std::u16string> on_the_way;
    for (const auto& path : recorded) {
        for (std::u16string_view above = PathFolder(path); above.size() > files_root.size() + 1;) {
            const std::u16string folder(above.substr(0, above.size() - 1));
            if (!on_the_way.insert(folder).second) break;
            above = above.substr(0, PathFolder(folder).size());
        }
    }
    StringList pending{files_root};
    while (!pending.empty() && !IsLinkAttributes(files.GetAttributes(files_root))) {
        const std::u16string folder = std::move(pending.back());
        pending.pop_back();
        for (const FindData& entry : Listing(files, folder)) {
            const std::u16string path = Join(folder, entry.name);
            const std::u16string upper = AsciiUpper(path);
            const bool walk_in =
                IsFolderAttributes(entry.attributes) && !IsLinkAttributes(entry.attributes);
            if (recorded.count(upper) || on_the_way.count(upper)) {
                if (walk_in) pending.push_back(path);
                continue;
            }
            const std::u16string original = OriginalOf(files_root, path);
            report.ignored.push_back(original.empty() ? path : original);
        }
    }

    // Registry: each view from its own file, through the registry itself so
    // that the view is exact; only what the record lists, never over a value
    // that exists again.
    for (const bool view64 : {true, false}) {
        RegistryAllowance allowed;
        bool listed = false;
        for (const auto& one : record.registry) {
            if (one.view64 != view64) continue;
            listed = true;
            allowed.Add(one.location);
        }
        std::vector<std::uint8_t> bytes;
        if (!files.ReadFile(Join(set_folder, RegFileName(view64)), &bytes)) {
            if (listed) report.failed.push_back(Join(set_folder, RegFileName(view64)));
            continue;
        }
        std::vector<RegFileKey> keys;
        StringList bad;
        if (!ParseRegFileSections(bytes, &keys, &bad)) {
            report.damaged.push_back(Join(set_folder, RegFileName(view64)));
            continue;
        }
        for (const auto& section : bad)
            report.damaged.push_back(Join(set_folder, RegFileName(view64)) + u" " + section);
        for (const RegFileKey& one : keys) {
            const std::u16string location = one.root_name + u"|" + one.path;
            const bool key_allowed = !Trim(one.path).empty() && allowed.Key(one);
            StringList values_allowed;
            for (const RegFileValue& value : one.values) {
                if (!Trim(one.path).empty() && allowed.Value(one, value.name))
                    values_allowed.push_back(value.name);
                else
                    report.ignored.push_back(location + u"|" + value.name);
            }
            if (!key_allowed && values_allowed.empty()) {
                if (one.values.empty()) report.ignored.push_back(location);
                continue;
            }
            ScopedRegKey key(registry);
            const bool existed = registry.OpenKey(one.root, one.path, ViewSam(kKeyRead, view64),
                                                  key.Receive()) == kErrorSuccess;
            if (registry.CreateKey(one.root, one.path, ViewSam(kKeyAllAccess, view64),
                                   key.Receive()) != kErrorSuccess) {
                report.failed.push_back(location);
                continue;
            }
            if (!existed) report.restored.push_back(location);
            for (const RegFileValue& value : one.values) {
                if (std::find(values_allowed.begin(), values_allowed.end(), value.name) ==
                    values_allowed.end())
                    continue;
                const std::u16string value_location = location + u"|" + value.name;
                if (registry.QueryValue(key.Get(), value.name, nullptr, nullptr, nullptr) ==
                    kErrorSuccess) {
                    report.refused.push_back(value_location);
                } else if (registry.SetValue(key.Get(), value.name, value.type,
                                             value.data.empty() ? nullptr : value.data.data(),
                                             std::uint32_t(value.data.size())) == kErrorSuccess) {
                    if (existed) report.restored.push_back(value_location);
                } else {
                    report.failed.push_back(value_location);
                }
            }
        }
    }
    return report;
}

std::vector<UndoSetInfo> ListUndoSets(FileSystemPort& files, const std::u16string& root) {
    std::vector<UndoSetInfo> sets;
    for (const FindData& entry : Listing(files, root)) {
        if (!IsFolderAttributes(entry.attributes) || IsLinkAttributes(entry.attributes)) continue;
        UndoSetInfo info;
        info.folder = Join(root, entry.name);
        UndoRecord record;
        if (ReadRecord(files, info.folder, &record)) {
            info.program = record.program;
            info.created = record.created;
            info.complete = record.complete;
        } else {
            info.damaged = true;
        }
        sets.push_back(std::move(info));
    }
    std::sort(sets.begin(), sets.end(), [](const UndoSetInfo& a, const UndoSetInfo& b) {
        return AsciiUpper(a.folder) < AsciiUpper(b.folder);
    });
    return sets;
}

}  // namespace purgeon
