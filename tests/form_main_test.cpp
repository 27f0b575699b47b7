#include "ui/Form_Main.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_hostkit.h"
#include "platform/memory/memory_registry.h"

namespace purgeon {
namespace {

// Counts the InitDll_Hostkit calls and remembers the last table handed out.
class CountingHostkit : public MemoryHostkit {
  public:
    using MemoryHostkit::MemoryHostkit;
    HostkitTable InitFunctionTable() override {
        ++init_calls;
        last_table = MemoryHostkit::InitFunctionTable();
        return last_table;
    }
    int init_calls = 0;
    HostkitTable last_table = nullptr;
};

struct FolderCase {
    std::u16string exe_path;
    std::u16string expected;
};

TEST(ProgramFolderOf, KeepsTheFolderWithExactlyOneTrailingBackslash) {
    const FolderCase cases[] = {
        {u"C:\\Program Files\\Purgeon\\purgeon.exe", u"C:\\Program Files\\Purgeon\\"},
        {u"C:\\purgeon.exe", u"C:\\"},
        {u"C:\\Tools\\", u"C:\\Tools\\"},  // already ends in "\": no second one
        {u"C:\\dir\\\\purgeon.exe", u"C:\\dir\\\\"},
        {u"C:\\a.b\\c d\\pur geon.exe", u"C:\\a.b\\c d\\"},
        {u"\\\\?\\C:\\Long\\Path\\purgeon.exe", u"\\\\?\\C:\\Long\\Path\\"},
        {u"\\\\server\\share\\purgeon.exe", u"\\\\server\\share\\"},
        {u"C:\\Programme\\L\u00f6schen \u4e2d\\purgeon.exe",
         u"C:\\Programme\\L\u00f6schen \u4e2d\\"},
        {u"C:purgeon.exe", u"C:\\"},  // drive-relative: the folder part is "C:"
        {u"purgeon.exe", u"\\"},      // no folder part at all
        {u"", u"\\"},
    };
    for (const FolderCase& c : cases) {
        EXPECT_EQ(ProgramFolderOf(c.exe_path), c.expected) << ToUtf8(c.exe_path);
    }
}

TEST(FormMain, CreationSetsTheProgramFolderAndKeepsOneHostkitTable) {
    MemoryRegistry registry;
    CountingHostkit hostkit(registry);
    TFrm_Main_PG form(hostkit);
    EXPECT_EQ(form.hostkit_table(), nullptr);

    form.FormCreate(u"C:\\Program Files (x86)\\Purgeon\\purgeon.exe");
    EXPECT_EQ(form.m_strCurAppPath, u"C:\\Program Files (x86)\\Purgeon\\");
    EXPECT_EQ(hostkit.init_calls, 1);
    ASSERT_NE(form.hostkit_table(), nullptr);
    EXPECT_EQ(form.hostkit_table(), hostkit.last_table);
    EXPECT_EQ(hostkit.NetIsConnected(form.hostkit_table()), 1);
    EXPECT_EQ(form.current_program(), nullptr);
    EXPECT_TRUE(form.inventory().m_ObjList_InstalledSoftware.empty());
    EXPECT_EQ(form.library().m_Map_Lib_SoftwareName.size(), 58u);

    // Creation runs once: a second call neither asks for a new table nor
    // moves the program folder.
    const HostkitTable first = form.hostkit_table();
    form.FormCreate(u"D:\\Elsewhere\\purgeon.exe");
    EXPECT_EQ(hostkit.init_calls, 1);
    EXPECT_EQ(form.hostkit_table(), first);
    EXPECT_EQ(form.m_strCurAppPath, u"C:\\Program Files (x86)\\Purgeon\\");
    EXPECT_EQ(form.library().m_Map_Lib_SoftwareName.size(), 58u);  // filled once, not twice
}

struct VersionCase {
    FileVersion version;
    std::u16string expected;
};

TEST(VersionLabelText, FormatsFourNumbersWithATrailingBlank) {
    const VersionCase cases[] = {
        {{1, 0, 0, 0}, u"Version: 1.0.0.0 "},
        {{0, 0, 0, 0}, u"Version: 0.0.0.0 "},
        {{10, 2, 300, 4000}, u"Version: 10.2.300.4000 "},
        {{65535, 65535, 65535, 65535}, u"Version: 65535.65535.65535.65535 "},
    };
    for (const VersionCase& c : cases) {
        const FileVersion& v = c.version;
        EXPECT_EQ(VersionLabelText(v.major, v.minor, v.release, v.build), c.expected)
            << ToUtf8(c.expected);
    }
}

TEST(FormMain, EveryShowingRefreshesTheVersionLabel) {
    MemoryRegistry registry;
    MemoryHostkit hostkit(registry);
    TFrm_Main_PG form(hostkit);
    form.FormCreate(u"C:\\Purgeon\\purgeon.exe");

    form.FormShow({1, 0, 0, 0});
    EXPECT_EQ(form.Label_Version, u"Version: 1.0.0.0 ");
    form.FormShow({2, 5, 0, 17});
    EXPECT_EQ(form.Label_Version, u"Version: 2.5.0.17 ");
}

}  // namespace
}  // namespace purgeon
