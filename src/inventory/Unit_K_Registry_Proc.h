// The registry access layer: stateless procedures that each open their key,
// do their work and close it again.
//
// Location notation: "ROOT|key path" names a key, "ROOT|key path|value"
// names a value (split with Str_SplitByBar; any other piece count names
// nothing). ROOT is "HKLM", "HKCU", "HKU" or "HKCR". The registry view is
// never part of the text: it travels as a Boolean, true = the 64-bit view.
//
// Text limits: key and value names are read into 255-character buffers
// (longer names are skipped); value data is taken as UTF-16 text up to its
// first NUL, whatever the value's type. Values longer than 255 characters
// are read in full rather than cut.
#pragma once

#include <string>

#include "platform/registry.h"
#include "platform/text.h"

namespace purgeon {

constexpr std::uint32_t kRegNameBufferChars = 255;
constexpr std::uint32_t kRegDataBufferChars = 256;

// 0xF013F for the 64-bit view, 0xF003F otherwise: full access even to read.
constexpr std::uint32_t RegistryViewMask(bool view64) {
    return view64 ? (kKeyAllAccess | kKeyWow64_64Key) : kKeyAllAccess;
}

// The root handle named exactly (case-sensitive) "HKLM", "HKCU", "HKU" or
// "HKCR"; 0 for anything else.
RegKey Reg_RootFromName(std::u16string_view name);

// Empties `out`; appends every sub-key name (trimmed) when the key opens.
// True in every case.
bool Reg_EnumSubKeys(RegistryPort& reg, RegKey root, const std::u16string& key_path,
                     StringList& out, bool view64);

// Empties `out`; false when the key does not open; otherwise appends every
// value name that is not empty after trimming (trimmed).
bool Reg_EnumValueNames(RegistryPort& reg, RegKey root, const std::u16string& key_path,
                        StringList& out, bool view64);

// Empties `names` (not `texts`); false when the key does not open; otherwise
// for every value with a non-empty trimmed name whose data can be read,
// appends the trimmed name and, when `texts` is given, its trimmed text.
bool Reg_EnumValues(RegistryPort& reg, RegKey root, const std::u16string& key_path,
                    StringList& names, bool view64, StringList* texts);

// Depth-first search below `key_path` (ending in "\") for a sub-key named
// `key_name` (trimmed, ASCII case ignored). `out_path` becomes the path of
// the level where it was found + `key_name` as passed + "\", or empty.
void Reg_FindSubKey(RegistryPort& reg, RegKey root, const std::u16string& key_path,
                    const std::u16string& key_name, std::u16string& out_path, bool view64);

// Empties `text`; false when the key does not open or the value does not
// exist; otherwise `text` is the value's text as stored (not trimmed).
bool Reg_ReadString(RegistryPort& reg, RegKey root, const std::u16string& key_path,
                    const std::u16string& value_name, bool view64, std::u16string& text);

// Whether `location` (the notation above) names a key, or a value, that
// exists in that view; opened for reading only.
bool Reg_LocationExists(RegistryPort& reg, const std::u16string& location, bool view64);

// True only when the value was deleted.
bool Reg_DeleteValue(RegistryPort& reg, RegKey root, const std::u16string& key_path,
                     const std::u16string& value_name, bool view64);

// Append (without emptying `out`) the user ids that have Windows Installer
// data, and the loaded user hives.
void Reg_EnumUserDataSids(RegistryPort& reg, StringList& out, bool view64);
void Reg_EnumUserHives(RegistryPort& reg, StringList& out, bool view64);

// The install folder of a program guessed from the Windows Installer folder
// list (64-bit view): the first listed folder that holds "\<name>\" and lies
// outside "Common Files" and "Start Menu", cut after that "\". Empty when
// none does or the name is empty.
std::u16string Reg_GetInstallFolderFromInstallerFolders(RegistryPort& reg,
                                                        const std::u16string& display_name);

// The same in two halves, for a run that looks up many names: the folder
// list (64-bit view), read once, and the lookup in it.
StringList ReadInstallerFolders(RegistryPort& reg);
std::u16string InstallFolderFromInstallerFolders(const StringList& folders,
                                                 const std::u16string& display_name);

// Reads a value of an open key as text (as Reg_ReadString does); false when
// it does not exist or cannot be read.
bool RegQueryText(RegistryPort& reg, RegKey key, const std::u16string& value_name,
                  std::u16string& text);

// The text of value data: UTF-16 up to the first NUL (an odd trailing byte
// is ignored), whatever the registry type.
std::u16string RegDataToText(const std::uint8_t* data, std::size_t size);

}  // namespace purgeon
