// Undo sets: what an uninstall removes, kept so that it can be put back.
//
// A set is one folder:
//   manifest.json     what came from where (rewritten as the removal goes)
//   registry-64.reg   what was deleted in the 64-bit view, in the registry
//   registry-32.reg   editor's own format; the 32-bit file is for the 32-bit
//                     registry editor (SysWOW64\regedit.exe)
//   files\C\...       every file and folder, moved here from C:\...
//                     (files\UNC\server\share\... for a share)
// Restoring reads the .reg files and the files tree, not the manifest: a set
// whose removal stopped midway restores what was removed until then.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace purgeon {

// --- The registry editor's format ---------------------------------------------

extern const char16_t kRegFileHeader[];  // "Windows Registry Editor Version 5.00"

// One value as the registry editor writes it, with its line end: the
// default value (empty name) as @, strings quoted with \ and " escaped,
// REG_DWORD as dword:, everything else (and a string or DWORD whose data is
// not well formed) as hex(N): bytes, wrapped below 80 columns.
std::u16string RegValueText(const std::u16string& name, std::uint32_t type,
                            const std::vector<std::uint8_t>& data);
// The file's bytes: UTF-16LE with a byte-order mark.
std::vector<std::uint8_t> RegFileBytes(const std::u16string& text);

// Appends the key at `key_path` below `root` in one view ("[...]" sections
// for it and every sub-key, depth first) or one value of it. False when the
// key or the value cannot be read; nothing is appended then.
bool ExportRegistryKey(RegistryPort& registry, RegKey root, const std::u16string& key_path,
                       bool view64, std::u16string& text);
bool ExportRegistryValue(RegistryPort& registry, RegKey root, const std::u16string& key_path,
                         const std::u16string& value_name, bool view64, std::u16string& text);

struct RegFileValue {
    std::u16string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};
struct RegFileKey {
    RegKey root = 0;
    std::u16string root_name;  // "HKLM", "HKCU", "HKU", "HKCR"
    std::u16string path;
    std::vector<RegFileValue> values;
};
// Reads a .reg file of the registry editor's format (UTF-16 with BOM). False
// on anything it does not understand.
bool ParseRegFile(const std::vector<std::uint8_t>& bytes, std::vector<RegFileKey>* keys);

// --- Writing a set -----------------------------------------------------------------

struct UndoEntry {
    std::u16string from;  // where it was
    std::u16string to;    // where it is in the set
    bool folder = false;
    bool copied = false;  // across volumes: copied, checked, then deleted
};

class UndoSetWriter {
  public:
    UndoSetWriter(FileSystemPort& files, RegistryPort& registry, std::u16string folder,
                  std::u16string program, std::u16string created);

    // Creates the set's folder (and the folders above it) and its first
    // manifest. False when it cannot be written: then nothing may be removed.
    bool Begin();
    // Takes what the removal would delete (a canonical path): moved into the
    // set, or copied, checked and deleted when the set lies on another volume.
    // What cannot be taken (in use, unreadable, a link across volumes) stays
    // where it is and is listed in not_taken().
    void TakePath(const std::u16string& path);
    // Exports a registry location (notation of the registry layer: a key, or
    // key and value) before it is deleted. False when it cannot be saved:
    // the location must then stay.
    bool SaveRegistry(const std::u16string& location, bool view64);
    // The last manifest, marked complete.
    void Finish();

    const std::u16string& folder() const { return folder_; }
    const std::vector<UndoEntry>& taken() const { return taken_; }
    const StringList& registry_saved() const { return registry_saved_; }
    const StringList& not_taken() const { return not_taken_; }

  private:
    bool WriteManifest(bool complete);
    bool MoveOrCopy(const std::u16string& from, const std::u16string& to, bool folder,
                    bool* copied);

    FileSystemPort& files_;
    RegistryPort& registry_;
    std::u16string folder_, program_, created_;
    std::u16string reg_text_[2];  // [0] 32-bit view, [1] 64-bit view
    std::vector<UndoEntry> taken_;
    StringList registry_saved_;
    std::vector<bool> registry_view64_;
    StringList not_taken_;
    std::size_t since_manifest_ = 0;
};

// Where a path goes in a set's files tree, and back; empty when the path is
// neither on a drive nor on a share.
std::u16string UndoMirrorPath(const std::u16string& set_folder, const std::u16string& path);

// --- Restoring and listing -----------------------------------------------------------

struct RestoreReport {
    StringList restored;  // paths and registry locations put back
    StringList refused;   // exist again since the removal: left as they are
    StringList failed;    // could not be put back
};

// Puts everything of the set back where it was, never over what exists.
RestoreReport RestoreUndoSet(FileSystemPort& files, RegistryPort& registry,
                             const std::u16string& set_folder);

struct UndoSetInfo {
    std::u16string folder;
    std::u16string program;
    std::u16string created;
    bool complete = false;
};
// The sets in `root` (folders holding a manifest.json), in name order.
std::vector<UndoSetInfo> ListUndoSets(FileSystemPort& files, const std::u16string& root);

// A folder name for a new set of `program` made at `created`
// ("2026-12-10_144000"): characters a file name cannot hold become "_".
std::u16string UndoSetName(const std::u16string& created, const std::u16string& program);

}  // namespace purgeon
