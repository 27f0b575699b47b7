#include <gtest/gtest.h>

#include "inventory/Unit_K_SoftwareInfo_Struct.h"

namespace purgeon {
namespace {

std::unique_ptr<K_Class_SoftwareInfo> Record(const std::u16string& name) {
    auto record = std::make_unique<K_Class_SoftwareInfo>();
    record->m_strSoftwareName = name;
    record->m_strNamelow = SoftwareKey(name);
    return record;
}

TEST(SoftwareInfoList, KeysFoldOnlyAsciiLetters) {
    K_Class_SoftwareInfo_List list;
    EXPECT_EQ(list.Add(Record(u"Foo App")), nullptr);
    auto refused = list.Add(Record(u"FOO APP"));
    ASSERT_NE(refused, nullptr);  // handed back for the caller to merge
    EXPECT_EQ(refused->m_strSoftwareName, u"FOO APP");
    EXPECT_EQ(list.Add(Record(u"\u00C9diteur")), nullptr);
    EXPECT_EQ(list.Add(Record(u"\u00E9diteur")), nullptr);

    EXPECT_EQ(list.m_ObjList_InstalledSoftware.size(), 3u);
    EXPECT_EQ(list.m_ListStr_InstalledSoftwareName,
              (StringList{u"foo app", u"\u00C9diteur", u"\u00E9diteur"}));
    ASSERT_NE(list.Find(u"foo app"), nullptr);
    EXPECT_EQ(list.Find(u"foo app")->m_strSoftwareName, u"Foo App");
    EXPECT_EQ(list.Find(u"FOO APP"), nullptr);  // the map compares exactly
}

TEST(SoftwareInfoList, SearchCleanKeepsRecordsAndCleanEmptiesAll) {
    static const StringList library_folders{u"Vendor\\App"};
    K_Class_SoftwareInfo_List list;
    auto record = Record(u"App");
    record->m_ListStr_Lib_FolderName = &library_folders;
    list.Add(std::move(record));
    list.Add(Record(u"Other"));
    list.m_bIsSearch = true;

    list.mpu_Search_Clean();
    EXPECT_TRUE(list.m_ListStr_InstalledSoftwareName.empty());
    ASSERT_NE(list.Find(u"app"), nullptr);
    EXPECT_EQ(list.Find(u"app")->m_ListStr_Lib_FolderName, &library_folders);

    list.mpu_Clean();
    EXPECT_TRUE(list.m_ListStr_InstalledSoftwareName.empty());
    EXPECT_TRUE(list.m_ObjList_InstalledSoftware.empty());
    EXPECT_TRUE(list.m_Map_InstalledSoftware.empty());
    EXPECT_TRUE(list.m_bIsSearch);  // not touched
    // The borrowed library list outlives the records.
    EXPECT_EQ(library_folders, StringList{u"Vendor\\App"});

    list.Add(Record(u"Again"));
    list.mpu_Free();
    EXPECT_EQ(list.Find(u"again"), nullptr);
}

}  // namespace
}  // namespace purgeon
