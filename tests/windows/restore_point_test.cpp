// The restore-point exports of Hostkit.dll as another program calls them:
// found under their plain names, stdcall, and on Wine (whose
// SRSetRestorePointW is a stub that always fails) taking their failure
// paths: false, the diagnostics on standard output, and the "SR" message
// boxes, which a helper thread answers. Success is covered by
// restore_point_logic_test.cpp with a stand-in; nothing here relies on the
// stub succeeding. The steps share the DLL's process-wide state, so they run
// in order in one test.
#include <windows.h>
// The Windows headers below build on <windows.h>.
#include <gtest/gtest.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "hostkit_services_support.h"

namespace purgeon::test {
namespace {

using SrNoArgFn = BYTE(__stdcall*)();
using SrBeginFn = BYTE(__stdcall*)(const wchar_t*);

TEST(RestorePointExportsTest, AreFoundByPlainNameAndRemoveTheirOwnArguments) {
    const HostkitDll& dll = LoadHostkit();
    ASSERT_NE(dll.module, nullptr);
    struct Case {
        const char* name;
        std::vector<UINT_PTR> args;
    } cases[] = {
        // Before Dll_SR_Init every call is refused without showing anything.
        {"Dll_SR_Begin", {0}},
        {"Dll_SR_Cancel", {}},
        {"Dll_SR_End", {}},
    };
    MessageBoxAnswerer boxes;
    for (const Case& c : cases) {
        const void* fn = reinterpret_cast<const void*>(GetProcAddress(dll.module, c.name));
        ASSERT_NE(fn, nullptr) << c.name << " is not exported under its plain name";
        const RawCallResult call = CallCountingPops(fn, c.args);
#ifndef _WIN64
        EXPECT_EQ(call.popped, 4 * c.args.size()) << c.name << " is not stdcall";
#endif
        EXPECT_EQ(call.eax & 0xFF, 0u) << c.name;
    }
    EXPECT_NE(GetProcAddress(dll.module, "Dll_SR_Init"), nullptr);
    for (const char* decorated : {"Dll_SR_Init@0", "Dll_SR_Begin@4", "_Dll_SR_Begin@4"}) {
        EXPECT_EQ(GetProcAddress(dll.module, decorated), nullptr) << decorated;
    }
    EXPECT_TRUE(boxes.Take().empty());
}

#ifdef _WIN64
TEST(RestorePointExportsTest, RemoveTheirOwnArguments) {
    GTEST_SKIP() << "stdcall's popped arguments: only a 32-bit process shows this, and this is "
                    "the 64-bit test build";
}
#endif

TEST(RestorePointExportsTest, OnWineEveryRestorePointFailsWithItsMessageBox) {
    const HostkitDll& dll = LoadHostkit();
    ASSERT_NE(dll.module, nullptr);
    auto init = dll.Export<SrNoArgFn>("Dll_SR_Init");
    auto begin = dll.Export<SrBeginFn>("Dll_SR_Begin");
    auto cancel = dll.Export<SrNoArgFn>("Dll_SR_Cancel");
    auto end = dll.Export<SrNoArgFn>("Dll_SR_End");
    ASSERT_TRUE(init && begin && cancel && end);

    MessageBoxAnswerer boxes;
    // A caller initialises COM before COM security is set up.
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));

    // Wine has srclient.dll with SRSetRestorePointW, and accepts the COM
    // security; a second init returns at once.
    std::string printed;
    EXPECT_EQ(Captured(printed, [&] { return init(); }), 1);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(Captured(printed, [&] { return init(); }), 1);
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(boxes.Take().empty());

    struct Step {
        const char* what;
        BYTE (*call)(const HostkitDll&);
        std::string printed;
        std::vector<std::wstring> boxes;
    } steps[] = {
        // The stub fails and reports status 0 (Begin cleared the record first).
        {"begin",
         [](const HostkitDll& d) { return d.Export<SrBeginFn>("Dll_SR_Begin")(L"Purgeon test"); },
         "Failure to create the restore point; error=0.\n",
         {L"Failure to create the restore poin."}},
        {"end",
         [](const HostkitDll& d) { return d.Export<SrNoArgFn>("Dll_SR_End")(); },
         "Failure to end the restore point; error=0.\n",
         {L"Failure to end the restore point;"}},
        {"cancel",
         [](const HostkitDll& d) { return d.Export<SrNoArgFn>("Dll_SR_Cancel")(); },
         "Failure to cancel the restore point; error=0.\n",
         {L"Dll_SR_Cancel--Enter."}},
        {"begin without a description",
         [](const HostkitDll& d) { return d.Export<SrBeginFn>("Dll_SR_Begin")(nullptr); },
         "",
         {}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const BYTE result = Captured(printed, [&] { return step.call(dll); });
        const std::vector<AnsweredBox> shown = boxes.Take();
        EXPECT_EQ(result, 0);
        EXPECT_EQ(printed, step.printed);
        std::vector<std::wstring> texts;
        for (const AnsweredBox& box : shown) {
            texts.push_back(box.text);
            EXPECT_EQ(box.caption, L"SR");
            // MB_TOPMOST is not visible under Wine; restore_point_logic_test
            // checks the style passed.
            EXPECT_TRUE(box.error_icon) << "MB_ICONERROR";
        }
        EXPECT_EQ(texts, step.boxes);
    }
    CoUninitialize();
}

}  // namespace
}  // namespace purgeon::test
