// Undo sets over the in-memory machine: the registry editor's format byte for
// byte, sets written by the removal's own hooks, restored whole, after a
// removal that stopped midway, next to things that exist again, across
// volumes and with a file in use.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "cli/sha256.h"
#include "cli/undo_set.h"
#include "inventory/Unit_K_Registry_Proc.h"
#include "support/memory_machine.h"
#include "support/registry_fixture.h"
#include "ui/Unit_LeftoverRemoval.h"

namespace purgeon {
namespace {

using testing::KeyExists;
using testing::MemoryMachine;
using testing::PutString;
using testing::PutValue;
using testing::ValueExists;

std::vector<std::uint8_t> Utf16Bytes(std::u16string_view text, bool terminator = true) {
    std::vector<std::uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(std::uint8_t(c & 0xFF));
        bytes.push_back(std::uint8_t(c >> 8));
    }
    if (terminator) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

struct ValueCase {
    const char* what;
    std::u16string name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    std::u16string expected;
};

std::vector<ValueCase> ValueCases() {
    std::vector<std::uint8_t> thirty;
    for (int i = 0; i < 30; ++i) thirty.push_back(std::uint8_t(i));
    return {
        {"string with quotes and backslashes", u"Path \"q\"", kRegSz, Utf16Bytes(u"C:\\a \"b\"\\"),
         u"\"Path \\\"q\\\"\"=\"C:\\\\a \\\"b\\\"\\\\\"\r\n"},
        {"empty name is the default value", u"", kRegSz, Utf16Bytes(u"x"), u"@=\"x\"\r\n"},
        {"empty string", u"e", kRegSz, Utf16Bytes(u""), u"\"e\"=\"\"\r\n"},
        {"string without its terminator", u"s", kRegSz, Utf16Bytes(u"a", false),
         u"\"s\"=hex(1):61,00\r\n"},
        {"string with a line break", u"s", kRegSz, Utf16Bytes(u"a\nb"),
         u"\"s\"=hex(1):61,00,0a,00,62,00,00,00\r\n"},
        {"expand string", u"e", kRegExpandSz, Utf16Bytes(u"%A%"),
         u"\"e\"=hex(2):25,00,41,00,25,00,00,00\r\n"},
        {"multi string", u"m", kRegMultiSz, Utf16Bytes(std::u16string(u"a\0b\0", 4)),
         u"\"m\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"},
        {"dword", u"d", kRegDword, {0x78, 0x56, 0x34, 0x12}, u"\"d\"=dword:12345678\r\n"},
        {"dword of three bytes", u"d", kRegDword, {1, 2, 3}, u"\"d\"=hex(4):01,02,03\r\n"},
        {"qword",
         u"q",
         kRegQword,
         {8, 7, 6, 5, 4, 3, 2, 0xF1},
         u"\"q\"=hex(b):08,07,06,05,04,03,02,f1\r\n"},
        {"binary", u"b", kRegBinary, {0x00, 0xFF}, u"\"b\"=hex:00,ff\r\n"},
        {"empty binary", u"b", kRegBinary, {}, u"\"b\"=hex:\r\n"},
        {"none", u"n", kRegNone, {}, u"\"n\"=hex(0):\r\n"},
        {"another type", u"o", 0x20, {1}, u"\"o\"=hex(20):01\r\n"},
        {"long binary wraps", u"b", kRegBinary, thirty,
         u"\"b\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
         u"  17,18,19,1a,1b,1c,1d\r\n"},
    };
}

TEST(RegFileWriter, WritesEveryValueTypeAsTheRegistryEditorDoes) {
    for (const auto& c : ValueCases())
        EXPECT_EQ(ToUtf8(RegValueText(c.name, c.type, c.data)), ToUtf8(c.expected)) << c.what;
    const std::u16string big(100000, u'x');
    EXPECT_EQ(RegValueText(u"big", kRegSz, Utf16Bytes(big)), u"\"big\"=\"" + big + u"\"\r\n");
    EXPECT_EQ(RegFileBytes(u"W\u00e9\u20ac"),
              (std::vector<std::uint8_t>{0xFF, 0xFE, 0x57, 0x00, 0xE9, 0x00, 0xAC, 0x20}));
}

TEST(RegFileWriter, ReadsBackEveryValueByteForByte) {
    std::u16string text = std::u16string(kRegFileHeader) + u"\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n";
    std::vector<ValueCase> cases = ValueCases();
    cases.push_back(
        {"100,000 characters", u"big", kRegSz, Utf16Bytes(std::u16string(100000, u'y')), {}});
    for (const auto& c : cases) text += RegValueText(c.name, c.type, c.data);
    std::vector<RegFileKey> keys;
    ASSERT_TRUE(ParseRegFile(RegFileBytes(text + u"\r\n"), &keys));
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].root, kHkeyCurrentUser);
    ASSERT_EQ(keys[0].values.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(keys[0].values[i].name, cases[i].name) << cases[i].what;
        EXPECT_EQ(keys[0].values[i].type, cases[i].type) << cases[i].what;
        EXPECT_EQ(keys[0].values[i].data, cases[i].data) << cases[i].what;
    }
    EXPECT_FALSE(ParseRegFile(RegFileBytes(u"REGEDIT4\r\n"), &keys));
    EXPECT_FALSE(ParseRegFile(RegFileBytes(text + u"\"x\"=hex:0\r\n"), &keys));
}

TEST(RegFileWriter, ExportsAKeyWithItsSubKeysInItsOwnView) {
    MemoryMachine machine;
    const std::u16string key = u"SOFTWARE\\Sample";
    PutString(machine.registry, kHkeyLocalMachine, key, u"", u"top", true);
    const std::uint32_t one = 1;
    PutValue(machine.registry, kHkeyLocalMachine, key + u"\\Sub", u"n", kRegDword, &one, 4, true);
    PutString(machine.registry, kHkeyLocalMachine, key, u"", u"other view", false);
    std::u16string text;
    ASSERT_TRUE(ExportRegistryKey(machine.registry, kHkeyLocalMachine, key, true, text));
    EXPECT_EQ(ToUtf8(text),
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Sample]\r\n@=\"top\"\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Sample\\Sub]\r\n\"n\"=dword:00000001\r\n\r\n");
    text.clear();
    ASSERT_TRUE(ExportRegistryKey(machine.registry, kHkeyLocalMachine, key, false, text));
    EXPECT_EQ(ToUtf8(text), "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Sample]\r\n@=\"other view\"\r\n\r\n");
    EXPECT_FALSE(
        ExportRegistryKey(machine.registry, kHkeyLocalMachine, u"SOFTWARE\\None", true, text));
}

// --- Sets -----------------------------------------------------------------------

const std::u16string kApp = u"C:\\Program Files\\Sample";
const std::u16string kAppKey = u"SOFTWARE\\Sample";
const std::u16string kRun = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::u16string kSettings = u"C:\\Users\\me\\AppData\\Roaming\\Sample\\settings.ini";
const std::u16string kSets = u"C:\\Users\\me\\AppData\\Local\\Purgeon\\Undo";

// Everything below a folder: path -> attributes and contents.
std::map<std::u16string, std::pair<std::uint32_t, std::string>> Tree(MemoryFileSystem& files,
                                                                     const std::u16string& top) {
    std::map<std::u16string, std::pair<std::uint32_t, std::string>> tree;
    StringList pending{top};
    while (!pending.empty()) {
        const std::u16string folder = pending.back();
        pending.pop_back();
        FindData data;
        ScopedFindHandle find(files, files.FindFirst(folder + u"\\*", &data));
        if (!find.Valid()) continue;
        do {
            if (data.name == u"." || data.name == u"..") continue;
            const std::u16string path = folder + u"\\" + data.name;
            std::vector<std::uint8_t> bytes;
            files.ReadFile(path, &bytes);
            tree[AsciiUpper(path)] = {data.attributes, std::string(bytes.begin(), bytes.end())};
            if (data.attributes & kFileAttributeDirectory) pending.push_back(path);
        } while (files.FindNext(find.Get(), &data));
    }
    return tree;
}

class UndoSetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto& files = machine_.files;
        files.AddFile(kApp + u"\\app.exe", "MZ app");
        files.AddFile(kApp + u"\\readme.txt", "read me", kFileAttributeReadOnly);
        files.AddFile(kApp + u"\\data\\cache.bin", std::string("\0\1\2", 3));
        long_file_ = kApp + u"\\" + std::u16string(120, u'd') + u"\\" + std::u16string(150, u'f');
        files.AddFile(long_file_, "long");
        files.AddFile(kSettings, "[x]");
        files.AddFile(u"C:\\Program Files\\Neighbour\\keep.txt", "keep");
        files.AddFolder(kSets);
        auto& reg = machine_.registry;
        PutString(reg, kHkeyLocalMachine, kAppKey, u"Path", kApp, true);
        const std::uint8_t blob[] = {0, 1, 0xFE, 0xFF};
        PutValue(reg, kHkeyLocalMachine, kAppKey + u"\\Options", u"Blob", kRegBinary, blob, 4,
                 true);
        PutString(reg, kHkeyLocalMachine, kAppKey, u"Path", u"32-bit " + kApp, false);
        PutString(reg, kHkeyCurrentUser, kRun, u"Sample", u"app.exe", false);
        PutString(reg, kHkeyCurrentUser, kRun, u"Neighbour", u"n.exe", false);
        before_ = Tree(files, u"C:\\Program Files");
    }

    // The removal with the undo set's hooks, over the given finds.
    RemovalOutcome Remove(UndoSetWriter& set, const StringList& paths,
                          const std::vector<std::pair<std::u16string, bool>>& registry) {
        std::vector<RegistryRow> rows;
        RemovalOutcome outcome = RemovalOutcome::kNothingToRemove;
        const StringList starts = Starts();
        // The removal works in one view at a time, as the console runs it.
        for (const bool view64 : {false, true}) {
            rows.clear();
            for (const auto& [location, in64] : registry)
                if (in64 == view64) rows.push_back({location, true});
            const StringList none;
            RemovalRequest request;
            request.step3_files_folders_rows = view64 ? 0 : paths.size();
            request.step3_registry_rows = rows.size();
            request.all_files_folders = view64 ? &none : &paths;
            request.step2_registry = &rows;
            request.starting_folders = &starts;
            request.uninstall_type = view64 ? 1 : 0;
            request.select_software = u"Sample";
            request.cur_app_path = u"C:\\Purgeon\\";
            request.take_path = [&set](const std::u16string& path) { set.TakePath(path); };
            request.save_registry = [&set](const std::u16string& location, bool in64) {
                return set.SaveRegistry(location, in64);
            };
            machine_.dialog.Script({kIdYes, kIdOk});
            Ports ports = machine_.ports();
            outcome = RemoveLeftovers(ports, request);
        }
        return outcome;
    }

    static StringList Starts() { return {kApp, std::u16string(PathFolder(kSettings))}; }

    const std::vector<std::pair<std::u16string, bool>> kRegistry = {
        {u"HKLM|" + kAppKey, true},
        {u"HKLM|" + kAppKey + u"|Path", false},
        {u"HKCU|" + kRun + u"|Sample", false},
    };

    MemoryMachine machine_;
    std::u16string long_file_;
    std::map<std::u16string, std::pair<std::uint32_t, std::string>> before_;
};

TEST_F(UndoSetTest, KeepsExactlyWhatTheGuardLetsThroughAndRestoresItAll) {
    UndoSetWriter set(machine_.files, machine_.registry, kSets + u"\\one", u"Sample", u"now");
    set.RecordStartingFolders(Starts());
    ASSERT_TRUE(set.Begin());
    // The neighbour lies outside the analysed folders and the Run key is one
    // every program relies on: the removal keeps both, so the set has neither.
    Remove(set, {kApp, kSettings, u"C:\\Program Files\\Neighbour\\keep.txt"},
           {{u"HKLM|" + kAppKey, true},
            {u"HKLM|" + kAppKey + u"|Path", false},
            {u"HKCU|" + kRun + u"|Sample", false},
            {u"HKCU|" + kRun, false}});
    set.Finish();
    auto& files = machine_.files;
    EXPECT_FALSE(files.Exists(kApp));
    EXPECT_FALSE(files.Exists(kSettings));
    EXPECT_TRUE(files.Exists(u"C:\\Program Files\\Neighbour\\keep.txt"));
    EXPECT_FALSE(KeyExists(machine_.registry, kHkeyLocalMachine, kAppKey, true));
    EXPECT_FALSE(ValueExists(machine_.registry, kHkeyLocalMachine, kAppKey, u"Path", false));
    EXPECT_TRUE(ValueExists(machine_.registry, kHkeyCurrentUser, kRun, u"Neighbour"));
    ASSERT_EQ(set.taken().size(), 2u);
    EXPECT_EQ(set.registry_saved().size(), 3u);
    EXPECT_TRUE(files.Exists(kSets + u"\\one\\files\\C\\Program Files\\Sample\\readme.txt"));
    EXPECT_FALSE(files.Exists(kSets + u"\\one\\files\\C\\Program Files\\Neighbour"));

    const RestoreReport report =
        RestoreUndoSet(files, machine_.registry, machine_.shell, kSets + u"\\one");
    EXPECT_TRUE(report.refused.empty());
    EXPECT_TRUE(report.failed.empty());
    EXPECT_EQ(Tree(files, u"C:\\Program Files"), before_);
    EXPECT_TRUE(files.Exists(long_file_));
    EXPECT_EQ(files.GetAttributes(kApp + u"\\readme.txt") & kFileAttributeReadOnly,
              kFileAttributeReadOnly);
    EXPECT_TRUE(files.Exists(kSettings));
    std::u16string text;
    ASSERT_TRUE(Reg_ReadString(machine_.registry, kHkeyLocalMachine, kAppKey, u"Path", true, text));
    EXPECT_EQ(text, kApp);
    ASSERT_TRUE(
        Reg_ReadString(machine_.registry, kHkeyLocalMachine, kAppKey, u"Path", false, text));
    EXPECT_EQ(text, u"32-bit " + kApp);
    std::uint8_t blob[8] = {};
    std::uint32_t size = sizeof blob, type = 0;
    ScopedRegKey key(machine_.registry);
    ASSERT_EQ(machine_.registry.OpenKey(kHkeyLocalMachine, kAppKey + u"\\Options",
                                        kKeyRead | kKeyWow64_64Key, key.Receive()),
              kErrorSuccess);
    ASSERT_EQ(machine_.registry.QueryValue(key.Get(), u"Blob", &type, blob, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegBinary);
    EXPECT_EQ(std::vector<std::uint8_t>(blob, blob + size),
              (std::vector<std::uint8_t>{0, 1, 0xFE, 0xFF}));
    EXPECT_TRUE(ValueExists(machine_.registry, kHkeyCurrentUser, kRun, u"Sample"));

    const auto sets = ListUndoSets(files, kSets);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].program, u"Sample");
    EXPECT_TRUE(sets[0].complete);
}

TEST_F(UndoSetTest, ARemovalThatStoppedMidwayRestoresWhatWentUntilThen) {
    UndoSetWriter set(machine_.files, machine_.registry, kSets + u"\\half", u"Sample", u"now");
    set.RecordStartingFolders(Starts());
    ASSERT_TRUE(set.Begin());
    // The removal ends after the folder and one registry value: no Finish,
    // and the manifest on disk is the one written along the way.
    set.TakePath(kApp);
    ASSERT_TRUE(set.SaveRegistry(u"HKCU|" + kRun + u"|Sample", false));
    Reg_DeleteValue(machine_.registry, kHkeyCurrentUser, kRun, u"Sample", false);
    const auto sets = ListUndoSets(machine_.files, kSets);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_FALSE(sets[0].complete);

    const RestoreReport report =
        RestoreUndoSet(machine_.files, machine_.registry, machine_.shell, kSets + u"\\half");
    EXPECT_TRUE(report.failed.empty());
    EXPECT_EQ(Tree(machine_.files, u"C:\\Program Files"), before_);
    EXPECT_TRUE(ValueExists(machine_.registry, kHkeyCurrentUser, kRun, u"Sample"));
    EXPECT_TRUE(KeyExists(machine_.registry, kHkeyLocalMachine, kAppKey, true));  // never went
}

TEST_F(UndoSetTest, RestoreRefusesToOverwriteWhatExistsSince) {
    UndoSetWriter set(machine_.files, machine_.registry, kSets + u"\\one", u"Sample", u"now");
    set.RecordStartingFolders(Starts());
    ASSERT_TRUE(set.Begin());
    Remove(set, {kApp}, kRegistry);
    // Since then: a new app.exe, and the Run value written again.
    machine_.files.AddFile(kApp + u"\\app.exe", "new app");
    PutString(machine_.registry, kHkeyCurrentUser, kRun, u"Sample", u"new.exe", false);

    const RestoreReport report =
        RestoreUndoSet(machine_.files, machine_.registry, machine_.shell, kSets + u"\\one");
    EXPECT_EQ(report.refused, (StringList{kApp + u"\\app.exe", u"HKCU|" + kRun + u"|Sample"}));
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(machine_.files.ReadFile(kApp + u"\\app.exe", &bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "new app");
    std::u16string text;
    ASSERT_TRUE(Reg_ReadString(machine_.registry, kHkeyCurrentUser, kRun, u"Sample", false, text));
    EXPECT_EQ(text, u"new.exe");
    // Everything else came back, and the refused file is still in the set.
    EXPECT_TRUE(machine_.files.Exists(kApp + u"\\readme.txt"));
    EXPECT_TRUE(machine_.files.Exists(long_file_));
    EXPECT_TRUE(machine_.files.Exists(kSets + u"\\one\\files\\C\\Program Files\\Sample\\app.exe"));
}

TEST_F(UndoSetTest, AFileInUseStaysAndIsReportedNothingIsLost) {
    machine_.files.SetInUse(kApp + u"\\app.exe", true);
    UndoSetWriter set(machine_.files, machine_.registry, kSets + u"\\one", u"Sample", u"now");
    set.RecordStartingFolders(Starts());
    ASSERT_TRUE(set.Begin());
    set.TakePath(kApp);
    EXPECT_EQ(set.not_taken(), StringList{kApp + u"\\app.exe"});
    EXPECT_TRUE(machine_.files.Exists(kApp + u"\\app.exe"));
    EXPECT_FALSE(machine_.files.Exists(kApp + u"\\readme.txt"));
    std::vector<std::uint8_t> manifest;
    ASSERT_TRUE(machine_.files.ReadFile(kSets + u"\\one\\manifest.json", &manifest));
    EXPECT_NE(std::string(manifest.begin(), manifest.end()).find("app.exe"), std::string::npos);

    machine_.files.SetInUse(kApp + u"\\app.exe", false);
    const RestoreReport report =
        RestoreUndoSet(machine_.files, machine_.registry, machine_.shell, kSets + u"\\one");
    EXPECT_TRUE(report.refused.empty());
    EXPECT_EQ(Tree(machine_.files, u"C:\\Program Files"), before_);
}

TEST_F(UndoSetTest, ASetOnAnotherVolumeCopiesChecksAndDeletes) {
    machine_.files.AddDrive(u'D');
    machine_.files.AddFolder(u"D:\\Undo");
    UndoSetWriter set(machine_.files, machine_.registry, u"D:\\Undo\\one", u"Sample", u"now");
    set.RecordStartingFolders(Starts());
    ASSERT_TRUE(set.Begin());
    set.TakePath(kApp);
    ASSERT_EQ(set.taken().size(), 1u);
    EXPECT_TRUE(set.taken()[0].copied);
    EXPECT_FALSE(machine_.files.Exists(kApp));
    EXPECT_TRUE(set.not_taken().empty());
    EXPECT_TRUE(RestoreUndoSet(machine_.files, machine_.registry, machine_.shell, u"D:\\Undo\\one")
                    .failed.empty());
    EXPECT_EQ(Tree(machine_.files, u"C:\\Program Files"), before_);
}

// --- What a restore lets through ----------------------------------------------

// A set made by the removal, then changed as a program of the user's could
// change a set it may write: the restore must write nothing but what the
// removal took, where it took it from.
class TamperedSet : public UndoSetTest {
  public:
    using UndoSetTest::machine_;
    void SetUp() override {
        UndoSetTest::SetUp();
        auto& files = machine_.files;
        files.AddFile(u"C:\\Windows\\System32\\kernel32.dll", "MZ kernel");
        files.AddFile(u"C:\\Program Files\\Neighbour\\n.exe", "MZ neighbour");
        UndoSetWriter set(files, machine_.registry, kSet, u"Sample", u"now");
        set.RecordStartingFolders(Starts());
        ASSERT_TRUE(set.Begin());
        Remove(set, {kApp, kSettings}, kRegistry);
        set.Finish();
        system_before_ = Tree(files, u"C:\\Windows");
        neighbour_before_ = Tree(files, u"C:\\Program Files\\Neighbour");
    }
    std::string Record() {
        std::vector<std::uint8_t> bytes;
        machine_.files.ReadFile(kSet + u"\\manifest.json", &bytes);
        return std::string(bytes.begin(), bytes.end());
    }

  public:
    void SetRecord(const std::string& text) {
        machine_.files.AddFile(kSet + u"\\manifest.json", text);
    }
    // Inserts one more item into the record's list.
    void AddItem(const std::string& item) {
        std::string record = Record();
        const std::size_t at = record.find("\"items\": [") + 10;
        SetRecord(record.insert(at, "\n    " + item + ","));
    }
    void AddRegSection(bool view64, const std::u16string& lines) {
        const std::u16string name = kSet + (view64 ? u"\\registry-64.reg" : u"\\registry-32.reg");
        std::vector<std::uint8_t> bytes;
        machine_.files.ReadFile(name, &bytes);
        std::u16string text;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(char16_t(bytes[i] | (bytes[i + 1] << 8)));
        if (text.empty()) text = std::u16string(kRegFileHeader) + u"\r\n\r\n";
        const std::vector<std::uint8_t> out = RegFileBytes(text + lines);
        machine_.files.AddFile(name, std::string(out.begin(), out.end()));
    }
    RestoreReport Restore() {
        return RestoreUndoSet(machine_.files, machine_.registry, machine_.shell, kSet);
    }
    // Nothing outside what the removal took was written.
    void ExpectNothingElseWritten() {
        EXPECT_EQ(Tree(machine_.files, u"C:\\Windows"), system_before_);
        EXPECT_EQ(Tree(machine_.files, u"C:\\Program Files\\Neighbour"), neighbour_before_);
        EXPECT_FALSE(ValueExists(machine_.registry, kHkeyLocalMachine, kRun, u"Evil", true));
        EXPECT_FALSE(ValueExists(machine_.registry, kHkeyLocalMachine, kRun, u"Evil", false));
        EXPECT_FALSE(ValueExists(machine_.registry, kHkeyCurrentUser, kRun, u"Evil"));
        EXPECT_FALSE(ValueExists(machine_.registry, kHkeyLocalMachine, u"", u"Evil", true));
    }

    const std::u16string kSet = kSets + u"\\one";

  protected:
    std::map<std::u16string, std::pair<std::uint32_t, std::string>> system_before_,
        neighbour_before_;
};

struct TamperCase {
    const char* what;
    std::function<void(TamperedSet&)> tamper;
    const char* reported;  // "ignored", "denied", "damaged" or "unreadable"
};

void PrintTo(const TamperCase& c, std::ostream* os) {
    *os << c.what;
}

std::string EvilHash() {
    return Sha256Hex({'e', 'v', 'i', 'l'});
}

std::vector<TamperCase> TamperCases() {
    return {
        {"a file added to the tree, into System32",
         [](TamperedSet& t) {
             t.machine_.files.AddFile(t.kSet + u"\\files\\C\\Windows\\System32\\evil.dll", "evil");
         },
         "ignored"},
        {"a file added to the tree, into another program's folder",
         [](TamperedSet& t) {
             t.machine_.files.AddFile(t.kSet + u"\\files\\C\\Program Files\\Neighbour\\evil.dll",
                                      "evil");
         },
         "ignored"},
        {"a file added inside a folder the removal took",
         [](TamperedSet& t) {
             t.machine_.files.AddFile(t.kSet + u"\\files\\C\\Program Files\\Sample\\evil.dll",
                                      "evil");
         },
         "ignored"},
        {"the record names a file outside the starting folders",
         [](TamperedSet& t) {
             t.machine_.files.AddFile(t.kSet + u"\\files\\C\\Program Files\\Neighbour\\evil.dll",
                                      "evil");
             t.AddItem(R"({"from": "C:\\Program Files\\Neighbour\\evil.dll", "kind": "file", )"
                       R"("attributes": 32, "size": 4, "sha256": ")" +
                       EvilHash() + "\"}");
         },
         "denied"},
        {"the record names a file through ..",
         [](TamperedSet& t) {
             t.machine_.files.AddFile(t.kSet + u"\\files\\C\\Program Files\\Neighbour\\evil.dll",
                                      "evil");
             t.AddItem(R"({"from": "C:\\Program Files\\Sample\\..\\Neighbour\\evil.dll", "kind": )"
                       R"("file", "attributes": 32, "size": 4, "sha256": ")" +
                       EvilHash() + "\"}");
         },
         "denied"},
        {"the record makes System32 a starting folder",
         [](TamperedSet& t) {
             std::string record = t.Record();
             const std::size_t at = record.find("\"starting_folders\": [") + 21;
             t.SetRecord(record.insert(at, R"("C:\\Windows\\System32",)"));
             t.machine_.files.AddFile(t.kSet + u"\\files\\C\\Windows\\System32\\evil.dll", "evil");
             t.AddItem(R"({"from": "C:\\Windows\\System32\\evil.dll", "kind": "file", )"
                       R"("attributes": 32, "size": 4, "sha256": ")" +
                       EvilHash() + "\"}");
         },
         "denied"},
        {"a folder of the tree replaced by a link to System32",
         [](TamperedSet& t) {
             auto& files = t.machine_.files;
             const std::u16string mirror = t.kSet + u"\\files\\C\\Program Files\\Sample";
             files.MoveFile(mirror, t.kSet + u"\\moved-away");
             files.AddJunction(mirror, u"C:\\Windows\\System32");
         },
         "damaged"},
        {"a file's content changed in the set",
         [](TamperedSet& t) {
             t.machine_.files.AddFile(t.kSet + u"\\files\\C\\Program Files\\Sample\\app.exe",
                                      "MZ evil");
         },
         "damaged"},
        {"Run values and a value on the root key added to the .reg files",
         [](TamperedSet& t) {
             const std::u16string lines =
                 u"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
                 u"\"Evil\"=\"evil.exe\"\r\n\r\n[HKEY_LOCAL_MACHINE\\]\r\n\"Evil\"=\"x\"\r\n\r\n"
                 u"[HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
                 u"\"Evil\"=\"evil.exe\"\r\n\r\n";
             t.AddRegSection(true, lines);
             t.AddRegSection(false, lines);
         },
         "ignored"},
        {"a truncated record", [](TamperedSet& t) { t.SetRecord(t.Record().substr(0, 200)); },
         "unreadable"},
        {"a record with a bad escape",
         [](TamperedSet& t) {
             std::string record = t.Record();
             record.insert(record.find("\"program\": \"") + 12, "\\uZZZZ");
             t.SetRecord(record);
         },
         "unreadable"},
    };
}

class TamperedSetTest : public TamperedSet, public ::testing::WithParamInterface<TamperCase> {};

TEST_P(TamperedSetTest, WritesBackOnlyWhatTheRecordListsWhereTheRemovalWouldTakeIt) {
    const TamperCase& c = GetParam();
    SCOPED_TRACE(c.what);
    c.tamper(*this);
    const RestoreReport report = Restore();
    ExpectNothingElseWritten();
    const std::string reported = c.reported;
    if (reported == "unreadable") {
        EXPECT_TRUE(report.record_unreadable);
        EXPECT_FALSE(machine_.files.Exists(kApp));
    } else {
        const StringList& list = reported == "ignored"  ? report.ignored
                                 : reported == "denied" ? report.denied
                                                        : report.damaged;
        EXPECT_FALSE(list.empty());
        // What the removal took and nobody touched still came back.
        EXPECT_TRUE(machine_.files.Exists(kSettings));
    }
}

INSTANTIATE_TEST_SUITE_P(Tampered, TamperedSetTest, ::testing::ValuesIn(TamperCases()),
                         [](const ::testing::TestParamInfo<TamperCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

TEST_F(TamperedSet, ARegFileWithABadSectionRestoresItsGoodSections) {
    AddRegSection(false, u"[HKEY_CURRENT_USER\\Broken]\r\n\"x\"=nonsense\r\n\r\n");
    const RestoreReport report = Restore();
    ASSERT_EQ(report.damaged.size(), 1u);
    EXPECT_NE(ToUtf8(report.damaged[0]).find("Broken"), std::string::npos);
    EXPECT_TRUE(ValueExists(machine_.registry, kHkeyCurrentUser, kRun, u"Sample"));
    EXPECT_TRUE(ValueExists(machine_.registry, kHkeyLocalMachine, kAppKey, u"Path", false));
    EXPECT_TRUE(machine_.files.Exists(kApp + u"\\app.exe"));
}

TEST_F(UndoSetTest, ASetIsListedWhateverTheOthersRecordsHold) {
    machine_.files.AddFile(kSets + u"\\a-broken\\manifest.json", "{\"program\": \"\\uZZ");
    machine_.files.AddFolder(kSets + u"\\b-no-record");
    UndoSetWriter set(machine_.files, machine_.registry, kSets + u"\\c-good", u"Sample", u"now");
    set.RecordStartingFolders(Starts());
    ASSERT_TRUE(set.Begin());
    set.TakePath(kSettings);
    set.Finish();
    const auto sets = ListUndoSets(machine_.files, kSets);
    ASSERT_EQ(sets.size(), 3u);
    EXPECT_TRUE(sets[0].damaged);
    EXPECT_TRUE(sets[1].damaged);
    EXPECT_FALSE(sets[1].complete);
    EXPECT_FALSE(sets[2].damaged);
    EXPECT_TRUE(sets[2].complete);
    EXPECT_EQ(sets[2].program, u"Sample");
}

TEST_F(UndoSetTest, ASetThatTookNothingIsRemovedAndAnExistingFolderIsRefused) {
    UndoSetWriter empty(machine_.files, machine_.registry, kSets + u"\\empty", u"Sample", u"now");
    ASSERT_TRUE(empty.Begin());
    empty.Finish();
    EXPECT_FALSE(machine_.files.Exists(kSets + u"\\empty"));
    machine_.files.AddFolder(kSets + u"\\there");
    UndoSetWriter there(machine_.files, machine_.registry, kSets + u"\\there", u"Sample", u"now");
    EXPECT_FALSE(there.Begin());
}

TEST_F(UndoSetTest, AFullVolumeLeavesNoPartialCopyAndSaysSo) {
    auto& files = machine_.files;
    files.AddDrive(u'D');
    files.AddFolder(u"D:\\Undo");
    files.AddFile(kApp + u"\\big.bin", std::string(3000, 'b'));
    before_ = Tree(files, u"C:\\Program Files");
    files.SetDriveCapacity(u'D', 2000);  // the record and the small files fit
    UndoSetWriter set(files, machine_.registry, u"D:\\Undo\\one", u"Sample", u"now");
    set.RecordStartingFolders(Starts());
    ASSERT_TRUE(set.Begin());
    set.TakePath(kApp);
    set.Finish();
    EXPECT_TRUE(set.volume_full());
    EXPECT_EQ(set.not_taken(), StringList{kApp + u"\\big.bin"});
    // The file that did not fit is whole where it was; nothing of it is in the set.
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(files.ReadFile(kApp + u"\\big.bin", &bytes));
    EXPECT_EQ(bytes.size(), 3000u);
    EXPECT_FALSE(files.Exists(u"D:\\Undo\\one\\files\\C\\Program Files\\Sample\\big.bin"));
    // Every file the set holds is whole, and they all go back.
    files.SetDriveCapacity(u'D', 1 << 20);
    const RestoreReport report =
        RestoreUndoSet(files, machine_.registry, machine_.shell, u"D:\\Undo\\one");
    EXPECT_TRUE(report.damaged.empty());
    EXPECT_TRUE(report.failed.empty());
    EXPECT_EQ(Tree(files, u"C:\\Program Files"), before_);
}

TEST_F(UndoSetTest, ARemovalKilledBeforeItsNextRecordStillRestoresEverything) {
    UndoSetWriter set(machine_.files, machine_.registry, kSets + u"\\killed", u"Sample", u"now");
    set.RecordStartingFolders(Starts());
    ASSERT_TRUE(set.Begin());
    set.TakePath(kApp);
    set.TakePath(kSettings);
    // No record since Begin: only the journal names what went.
    const RestoreReport report =
        RestoreUndoSet(machine_.files, machine_.registry, machine_.shell, kSets + u"\\killed");
    EXPECT_TRUE(report.failed.empty());
    EXPECT_TRUE(report.ignored.empty());
    EXPECT_EQ(Tree(machine_.files, u"C:\\Program Files"), before_);
    EXPECT_TRUE(machine_.files.Exists(kSettings));
}

// --- Where a set may be made ----------------------------------------------------

TEST_F(UndoSetTest, ASetIsNeverMadeInWhatIsRemovedInWindowsOrThroughALink) {
    auto& files = machine_.files;
    files.AddFolder(u"C:\\Windows\\System32");
    files.AddJunction(u"C:\\LinkToSystem", u"C:\\Windows\\System32");
    files.AddJunction(u"C:\\LinkIntoApp", kApp + u"\\data");
    files.AddFolder(u"D:\\Undo");
    const StringList removed{kApp, kSettings};
    struct Case {
        std::u16string folder;
        const char* why;  // empty: allowed
    } cases[] = {
        {kSets + u"\\set", ""},
        {kApp + u"\\undo\\set", "it lies in what the removal takes"},
        {u"C:\\PROGRA~1\\Sample\\set", "it lies in what the removal takes"},
        {u"C:\\LinkIntoApp\\set", "it is reached through a link"},
        {u"C:\\LinkToSystem\\set", "it is reached through a link"},
        {u"C:\\Windows\\System32\\set", "it is a folder of Windows or of its users"},
        {u"\\\\?\\C:\\Windows\\System32.\\set", "it is a folder of Windows or of its users"},
        {u"C:\\", "it is a folder of Windows or of its users"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UndoPlaceProblem(files, machine_.shell, &machine_.registry, c.folder, removed),
                  c.why)
            << ToUtf8(c.folder);
    }
}

TEST(MemoryFileSystemMove, RenamesOnOneDriveOnly) {
    MemoryFileSystem files;
    files.AddDrive(u'D');
    files.AddFile(u"C:\\a\\f.txt", "x", kFileAttributeReadOnly);
    files.AddFile(u"C:\\b\\g.txt");
    EXPECT_TRUE(files.MoveFile(u"C:\\a", u"C:\\b\\moved"));
    EXPECT_TRUE(files.Exists(u"C:\\b\\moved\\f.txt"));
    EXPECT_FALSE(files.Exists(u"C:\\a"));
    EXPECT_FALSE(files.MoveFile(u"C:\\b\\moved", u"D:\\moved"));     // another volume
    EXPECT_FALSE(files.MoveFile(u"C:\\b\\moved", u"C:\\b\\g.txt"));  // exists
    EXPECT_FALSE(files.MoveFile(u"C:\\b", u"C:\\b\\moved\\inner"));  // into itself
    files.SetInUse(u"C:\\b\\moved\\f.txt", true);
    EXPECT_FALSE(files.MoveFile(u"C:\\b\\moved", u"C:\\c"));  // holds a file in use
    files.SetInUse(u"C:\\b\\g.txt", true);
    EXPECT_FALSE(files.DeleteFile(u"C:\\b\\g.txt"));
    EXPECT_FALSE(files.WriteFile(u"C:\\b\\g.txt", {}));
}

TEST(UndoSetNames, AreFolderNamesAndMirrorPaths) {
    EXPECT_EQ(UndoSetName(u"2026-12-10_144000", u"Quill: Notes/2 ."),
              u"2026-12-10_144000_Quill_ Notes_2");
    EXPECT_EQ(UndoMirrorPath(u"D:\\U", u"C:\\Program Files\\X\\"),
              u"D:\\U\\files\\C\\Program Files\\X");
    EXPECT_EQ(UndoMirrorPath(u"D:\\U", u"\\\\?\\c:\\x"), u"D:\\U\\files\\C\\x");
    EXPECT_EQ(UndoMirrorPath(u"D:\\U", u"\\\\srv\\share\\x"), u"D:\\U\\files\\UNC\\srv\\share\\x");
    EXPECT_EQ(UndoMirrorPath(u"D:\\U", u"relative"), u"");
}

}  // namespace
}  // namespace purgeon
