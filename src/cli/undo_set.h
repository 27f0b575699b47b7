// Undo sets: what an uninstall removes, kept so that it can be put back.
//
// A set is one folder:
//   manifest.json     the record: the program, the folders the removal
//                     started from, every file (with its size and SHA-256),
//                     folder and link taken and where it was, every registry
//                     location saved with its view; rewritten whole (a new
//                     file renamed over the old) now and then as the removal
//                     goes
//   pending.json      the paths taken since the record was last written,
//                     each named before it is moved: a removal that stops
//                     midway loses none of them
//   registry-64.reg   what was deleted in the 64-bit view, in the registry
//   registry-32.reg   editor's own format; the 32-bit file is for the 32-bit
//                     registry editor (SysWOW64\regedit.exe)
//   files\C\...       every file and folder, moved here from C:\...
//                     (files\UNC\server\share\... for a share)
// Restoring goes by the record, never by what the folder holds: only what
// the removal took goes back, only where it was taken from, and only where
// the removal's own checks would let it go again. Whatever else lies in the
// tree or the .reg files is reported and left alone. A set whose removal
// stopped midway restores what its record lists until then.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/shell_folders.h"
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

// Reads what it can of a .reg file: every well-formed section in `keys`; a
// section with a line it does not understand is dropped whole and named in
// `bad` ("[HKEY_...\\Key]: line N"). False when the file is no registry
// editor file at all (no byte-order mark, no header).
bool ParseRegFileSections(const std::vector<std::uint8_t>& bytes, std::vector<RegFileKey>* keys,
                          StringList* bad);

// --- Writing a set -----------------------------------------------------------------

struct UndoEntry {
    std::u16string from;  // where it was
    std::u16string to;    // where it is in the set
    bool folder = false;
    bool copied = false;  // across volumes: copied, checked, then deleted
};

// One file, folder or link of the record, where it was.
struct UndoItem {
    enum class Kind { kFile, kFolder, kLink };
    std::u16string from;
    Kind kind = Kind::kFile;
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;   // files
    bool size_known = false;  // false for what a stopped removal left unrecorded
    std::string sha256;       // files: of the content, lower-case hexadecimal; empty
                              // when it could not be read (held open) or was not recorded
};

class UndoSetWriter {
  public:
    UndoSetWriter(FileSystemPort& files, RegistryPort& registry, std::u16string folder,
                  std::u16string program, std::u16string created);

    // The folders the removal starts from: a restore puts nothing back
    // outside them. Call before Begin.
    void RecordStartingFolders(const StringList& starting_folders);
    // Creates the set's folder, which must not exist yet (its parent must),
    // with `make_folder` when given (a folder only administrators may
    // change), and writes its first record. False when it cannot: then
    // nothing may be removed, and nothing of the set is left behind.
    bool Begin(const std::function<bool(const std::u16string&)>& make_folder = {});
    // Takes what the removal would delete (a canonical path): moved into the
    // set, or copied, checked and deleted when the set lies on another volume;
    // each file, folder and link that went is recorded. What cannot be taken
    // (in use, unreadable, a link across volumes, no room) stays where it is
    // and is listed in not_taken(); a partial copy never stays in the set.
    void TakePath(const std::u16string& path);
    // Exports a registry location (notation of the registry layer: a key, or
    // key and value) before it is deleted. False when it cannot be saved:
    // the location must then stay.
    bool SaveRegistry(const std::u16string& location, bool view64);
    // The last record, marked complete. A set that took nothing is removed
    // again (empty() tells).
    void Finish();

    const std::u16string& folder() const { return folder_; }
    const std::vector<UndoEntry>& taken() const { return taken_; }
    const std::vector<UndoItem>& items() const { return items_; }
    const StringList& registry_saved() const { return registry_saved_; }
    const StringList& not_taken() const { return not_taken_; }
    // Whether the set's volume ran out of room (what could not be taken for
    // it is in not_taken()).
    bool volume_full() const { return volume_full_; }
    // Whether the set took nothing at all (Finish removes such a set).
    bool empty() const { return taken_.empty() && registry_saved_.empty(); }

  private:
    bool WriteRecord(bool complete);
    bool WriteJournal();
    void RecordTaken(const std::u16string& from, const std::u16string& to);
    void RemoveSet();

    FileSystemPort& files_;
    RegistryPort& registry_;
    std::u16string folder_, program_, created_;
    StringList starting_folders_;
    std::u16string reg_text_[2];  // [0] 32-bit view, [1] 64-bit view
    std::vector<UndoEntry> taken_;
    std::vector<UndoItem> items_;
    StringList registry_saved_;
    std::vector<bool> registry_view64_;
    StringList not_taken_;
    StringList journal_;  // taken since the record was last written
    std::size_t since_record_ = 0;
    bool began_ = false;
    bool volume_full_ = false;
};

// Why a set may not be made at `set_folder`, or empty when it may. Decided by
// what the file system opens, not by how the path is written: never a
// folder the removal takes (`removed`: the paths it will take) or one inside
// such a folder, never a protected folder, never reached through a link.
std::string UndoPlaceProblem(FileSystemPort& files, ShellFoldersPort& shell, RegistryPort* registry,
                             const std::u16string& set_folder, const StringList& removed);

// Creates `folder` and the folders above it that are missing.
bool EnsureFolderPath(FileSystemPort& files, const std::u16string& folder);

// Where a path goes in a set's files tree, and back; empty when the path is
// neither on a drive nor on a share.
std::u16string UndoMirrorPath(const std::u16string& set_folder, const std::u16string& path);

// --- Restoring and listing -----------------------------------------------------------

struct RestoreReport {
    StringList restored;  // paths and registry locations put back
    StringList refused;   // exist again since the removal: left as they are
    StringList failed;    // could not be put back
    StringList damaged;   // in the set, but not as recorded (size, content, kind)
    StringList denied;    // recorded, but where the removal's checks never let anything go
    StringList ignored;   // in the set's tree or .reg files, but not in its record
    bool record_unreadable = false;  // no record, or not one of ours: nothing was restored
    bool old_format = false;         // a record from before sets kept sizes and hashes
};

// Puts back what the set's record lists, where it was, never over what
// exists, through the removal's checks (protected folders, the recorded
// starting folders, links) and with every file's size and hash checked. A
// record of the old format (no hashes, no starting folders) is restored only
// when `accept_old_format`; its taken paths then stand for the starting
// folders.
RestoreReport RestoreUndoSet(FileSystemPort& files, RegistryPort& registry, ShellFoldersPort& shell,
                             const std::u16string& set_folder, bool accept_old_format = false);

struct UndoSetInfo {
    std::u16string folder;
    std::u16string program;
    std::u16string created;
    bool complete = false;
    bool damaged = false;  // no record, or one that cannot be read
};
// The sets in `root` (its folders, each with or without a readable record),
// in name order. One set's record never stops the others from being listed.
std::vector<UndoSetInfo> ListUndoSets(FileSystemPort& files, const std::u16string& root);

// A folder name for a new set of `program` made at `created`
// ("2026-12-10_144000"): characters a file name cannot hold become "_".
std::u16string UndoSetName(const std::u16string& created, const std::u16string& program);

}  // namespace purgeon
