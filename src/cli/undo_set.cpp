#include "cli/undo_set.h"

#include <algorithm>
#include <cstdio>

#include "cli/json_writer.h"
#include "inventory/Unit_K_Registry_Proc.h"
#include "inventory/Unit_String_Proc.h"

namespace purgeon {

const char16_t kRegFileHeader[] = u"Windows Registry Editor Version 5.00";

namespace {

// Longer than any key name (255) or value name (16,383) the registry holds.
constexpr std::uint32_t kRegNameCapacity = 16384;
// The registry editor wraps hex data after a comma past this column.
constexpr std::size_t kHexWrapColumn = 76;
// Manifest rewrites during a long removal: at most one per this many paths.
constexpr std::size_t kManifestEveryPaths = 256;

const char16_t kManifestName[] = u"manifest.json";
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

// One file copied, read back and compared, given the source's attributes,
// then the source deleted. When the source cannot be deleted the copy goes
// again: the file stays where it was, whole.
bool CopyCheckDelete(FileSystemPort& files, const std::u16string& from, const std::u16string& to,
                     std::uint32_t attributes) {
    std::vector<std::uint8_t> bytes, check;
    if (!files.ReadFile(from, &bytes) || !files.WriteFile(to, bytes)) return false;
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
                  StringList& left) {
    const std::uint32_t top = files.GetAttributes(from);
    if (top == kInvalidFileAttributes) return false;
    if (!IsFolderAttributes(top) || IsLinkAttributes(top)) {
        if (files.MoveFile(from, to)) return true;
        if (!IsLinkAttributes(top) && CopyCheckDelete(files, from, to, top)) return true;
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
            } else if (CopyCheckDelete(files, child_from, child_to, data.attributes)) {
                any = true;
            } else {
                left.push_back(child_from);
            }
        } while (files.FindNext(find.Get(), &data));
        done.push_back(std::move(folder));
    }
    // The emptied folders go deepest first; each copy gets its folder's
    // attributes once its contents are in.
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
        const std::uint32_t plain = it->attributes & ~kFileAttributeReadOnly;
        if (it->attributes & kFileAttributeReadOnly) files.SetAttributes(it->from, plain);
        if (!files.RemoveDirectory(it->from) && (it->attributes & kFileAttributeReadOnly))
            files.SetAttributes(it->from, it->attributes);
        files.SetAttributes(it->to, it->attributes & ~kFileAttributeDirectory);
    }
    return any;
}

std::u16string JsonField(const std::string& json, const std::string& name) {
    const std::string key = "\"" + name + "\": \"";
    std::size_t at = json.find(key);
    if (at == std::string::npos) return {};
    std::string out;
    for (at += key.size(); at < json.size() && json[at] != '"'; ++at) {
        char c = json[at];
        if (c == '\\' && at + 1 < json.size()) {
            c = json[++at];
            if (c == 'n') c = '\n';
            if (c == 'r') c = '\r';
            if (c == 't') c = '\t';
            if (c == 'u' && at + 4 < json.size()) {
                c = char(std::stoi(json.substr(at + 1, 4), nullptr, 16));
                at += 4;
            }
        }
        out.push_back(c);
    }
    return FromUtf8(out);
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

bool ParseRegFile(const std::vector<std::uint8_t>& bytes, std::vector<RegFileKey>* keys) {
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
    keys->clear();
    for (++index; index < lines.size(); ++index) {
        std::u16string line = lines[index];
        if (Trim(line).empty()) continue;
        if (line[0] == u'[') {
            if (line.back() != u']') return false;
            const std::u16string name = line.substr(1, line.size() - 2);
            const std::size_t slash = name.find(u'\\');
            RegFileKey key;
            const std::u16string root = name.substr(0, slash);
            for (const auto& one : kRootNames) {
                if (root == one.longName) {
                    key.root = one.root;
                    key.root_name = one.shortName;
                }
            }
            if (key.root == 0 || slash == std::u16string::npos) return false;
            key.path = name.substr(slash + 1);
            keys->push_back(std::move(key));
            continue;
        }
        if (keys->empty()) return false;
        RegFileValue value;
        std::size_t at = 0;
        if (line[0] == u'@') {
            at = 1;
        } else if (!ReadQuoted(line, at, value.name)) {
            return false;
        }
        if (at >= line.size() || line[at] != u'=') return false;
        std::u16string data = line.substr(at + 1);
        // Hex data goes on over lines that end in a backslash.
        while (data.rfind(u"hex", 0) == 0 && !data.empty() && data.back() == u'\\' &&
               index + 1 < lines.size()) {
            data.pop_back();
            data += Trim(lines[++index]);
        }
        if (!ParseValueData(data, value)) return false;
        keys->back().values.push_back(std::move(value));
    }
    return true;
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

bool UndoSetWriter::Begin() {
    if (!EnsureFolder(files_, folder_)) return false;
    return WriteManifest(false);
}

bool UndoSetWriter::WriteManifest(bool complete) {
    std::string json = "{\n  \"program\": " + JsonString(program_) +
                       ",\n  \"created\": " + JsonString(created_) +
                       ",\n  \"complete\": " + (complete ? "true" : "false") + ",\n  \"files\": [";
    for (std::size_t i = 0; i < taken_.size(); ++i) {
        const UndoEntry& entry = taken_[i];
        json += std::string(i ? "," : "") + "\n    {\"from\": " + JsonString(entry.from) +
                ", \"to\": " + JsonString(entry.to) +
                ", \"folder\": " + (entry.folder ? "true" : "false") +
                ", \"how\": " + (entry.copied ? "\"copied\"" : "\"moved\"") + "}";
    }
    json += taken_.empty() ? "],\n  \"registry\": [" : "\n  ],\n  \"registry\": [";
    for (std::size_t i = 0; i < registry_saved_.size(); ++i) {
        json += std::string(i ? "," : "") +
                "\n    {\"location\": " + JsonString(registry_saved_[i]) +
                ", \"view\": " + (registry_view64_[i] ? "\"64-bit\"" : "\"32-bit\"") +
                ", \"file\": " + JsonString(RegFileName(registry_view64_[i])) + "}";
    }
    json += registry_saved_.empty() ? "],\n  \"not_taken\": [" : "\n  ],\n  \"not_taken\": [";
    for (std::size_t i = 0; i < not_taken_.size(); ++i)
        json += std::string(i ? "," : "") + "\n    " + JsonString(not_taken_[i]);
    json += not_taken_.empty() ? "]\n}\n" : "\n  ]\n}\n";
    since_manifest_ = 0;
    return files_.WriteFile(Join(folder_, kManifestName),
                            std::vector<std::uint8_t>(json.begin(), json.end()));
}

void UndoSetWriter::TakePath(const std::u16string& path) {
    const std::uint32_t attributes = files_.GetAttributes(path);
    if (attributes == kInvalidFileAttributes) return;  // went with a folder taken before
    // A path that holds the set itself cannot go into it.
    const std::u16string upper_set = AsciiUpper(folder_) + u"\\";
    const std::u16string upper_path = AsciiUpper(path);
    if (upper_set.compare(0, upper_path.size(), upper_path) == 0 &&
        (upper_path.back() == u'\\' || upper_set[upper_path.size()] == u'\\')) {
        not_taken_.push_back(path);
        WriteManifest(false);
        return;
    }
    const std::u16string to = UndoMirrorPath(folder_, path);
    const std::u16string_view parent = PathFolder(to);
    if (to.empty() || PathExists(files_, to) ||
        !EnsureFolder(files_, std::u16string(parent.substr(0, parent.size() - 1)))) {
        not_taken_.push_back(path);
        WriteManifest(false);
        return;
    }
    const bool folder = IsFolderAttributes(attributes) && !IsLinkAttributes(attributes);
    bool copied = false;
    const std::size_t left_before = not_taken_.size();
    bool taken = files_.MoveFile(path, to);
    if (!taken) {
        taken = TransferTree(files_, path, to, not_taken_);
        copied = VolumeOf(path) != VolumeOf(folder_);
    }
    if (taken) taken_.push_back({path, to, folder, copied});
    // A checkpoint now and then; at once when something could not be taken.
    if (not_taken_.size() != left_before || ++since_manifest_ >= kManifestEveryPaths)
        WriteManifest(false);
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
    if (!files_.WriteFile(Join(folder_, RegFileName(view64)), RegFileBytes(file))) {
        all.resize(all.size() - text.size());
        return false;
    }
    registry_saved_.push_back(location);
    registry_view64_.push_back(view64);
    return WriteManifest(false);
}

void UndoSetWriter::Finish() {
    WriteManifest(true);
}

// --- Restoring and listing -----------------------------------------------------------

RestoreReport RestoreUndoSet(FileSystemPort& files, RegistryPort& registry,
                             const std::u16string& set_folder) {
    RestoreReport report;
    // Files: the set's tree mirrors where everything was. A place that is
    // free again gets its whole item back; a folder that exists again is
    // entered, and what exists in it is refused.
    struct Pair {
        std::u16string mirror, original;
    };
    std::vector<Pair> pending;
    {
        const std::u16string files_root = Join(set_folder, kFilesFolder);
        FindData data;
        ScopedFindHandle find(files, files.FindFirst(Join(files_root, u"*"), &data));
        if (find.Valid()) {
            do {
                if (data.name == u"." || data.name == u"..") continue;
                if (EqualsIgnoreAsciiCase(data.name, u"UNC"))
                    pending.push_back({Join(files_root, data.name), u"\\\\"});
                else if (data.name.size() == 1)
                    pending.push_back({Join(files_root, data.name), data.name + u":\\"});
            } while (files.FindNext(find.Get(), &data));
        }
    }
    while (!pending.empty()) {
        const Pair pair = std::move(pending.back());
        pending.pop_back();
        FindData data;
        ScopedFindHandle find(files, files.FindFirst(Join(pair.mirror, u"*"), &data));
        if (!find.Valid()) continue;
        do {
            if (data.name == u"." || data.name == u"..") continue;
            const std::u16string mirror = Join(pair.mirror, data.name);
            const std::u16string original = pair.original == u"\\\\"
                                                ? pair.original + data.name
                                                : Join(pair.original, data.name);
            const std::uint32_t there = files.GetAttributes(original);
            if (there == kInvalidFileAttributes) {
                StringList left;
                const std::u16string_view parent = PathFolder(original);
                if (EnsureFolder(files, std::u16string(parent.substr(0, parent.size() - 1))) &&
                    (files.MoveFile(mirror, original) ||
                     TransferTree(files, mirror, original, left)))
                    report.restored.push_back(original);
                else
                    report.failed.push_back(original);
                report.failed.insert(report.failed.end(), left.begin(), left.end());
            } else if (IsFolderAttributes(data.attributes) && !IsLinkAttributes(data.attributes) &&
                       IsFolderAttributes(there) && !IsLinkAttributes(there)) {
                pending.push_back({mirror, original});
            } else {
                report.refused.push_back(original);
            }
        } while (files.FindNext(find.Get(), &data));
    }

    // Registry: each view from its own file, through the registry itself so
    // that the view is exact; a value that exists again is refused.
    for (const bool view64 : {true, false}) {
        std::vector<std::uint8_t> bytes;
        if (!files.ReadFile(Join(set_folder, RegFileName(view64)), &bytes)) continue;
        std::vector<RegFileKey> keys;
        if (!ParseRegFile(bytes, &keys)) {
            report.failed.push_back(Join(set_folder, RegFileName(view64)));
            continue;
        }
        for (const RegFileKey& one : keys) {
            const std::u16string location = one.root_name + u"|" + one.path;
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
    FindData data;
    ScopedFindHandle find(files, files.FindFirst(Join(root, u"*"), &data));
    if (!find.Valid()) return sets;
    do {
        if (data.name == u"." || data.name == u".." || !IsFolderAttributes(data.attributes))
            continue;
        const std::u16string folder = Join(root, data.name);
        std::vector<std::uint8_t> bytes;
        if (!files.ReadFile(Join(folder, kManifestName), &bytes)) continue;
        const std::string json(bytes.begin(), bytes.end());
        UndoSetInfo info;
        info.folder = folder;
        info.program = JsonField(json, "program");
        info.created = JsonField(json, "created");
        info.complete = json.find("\"complete\": true") != std::string::npos;
        sets.push_back(std::move(info));
    } while (files.FindNext(find.Get(), &data));
    std::sort(sets.begin(), sets.end(), [](const UndoSetInfo& a, const UndoSetInfo& b) {
        return AsciiUpper(a.folder) < AsciiUpper(b.folder);
    });
    return sets;
}

}  // namespace purgeon
