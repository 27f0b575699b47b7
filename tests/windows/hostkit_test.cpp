// Hostkit.dll as purgeon.exe uses it, on a 64-bit Windows (Wine's 64-bit
// prefix runs this 32-bit test under WOW64): every export is found under its
// plain name and pops its own arguments, the WOW64 answers and the file-system
// redirection switch are real, registry keys are deleted in the right view,
// and the function table has its binary layout. The 64-bit test build stands
// in for the 32-bit DLL on 64-bit Windows: the same names, answers and views;
// what only a 32-bit process shows (stdcall's popped arguments, redirection
// really switched) is skipped there with the reason.
#include <windows.h>
#include <gtest/gtest.h>
#include <wininet.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

#ifdef _WIN64
constexpr const char* kOnly32Bit =
    "only a 32-bit process shows this, and this is the 64-bit test build";
#endif

using Is64BitOsFn = BYTE(__stdcall*)();
using GetSamDesiredFn = DWORD(__stdcall*)();
using EnableRedirectionFn = BYTE(__stdcall*)(BYTE);
using RegDeleteKeyFn = BYTE(__stdcall*)(HKEY, const wchar_t*, BYTE);
using InitTableFn = void*(__stdcall*)();
using NetIsConnectedFn = int(__stdcall*)();

constexpr const char* kExportNames[] = {"Dll_Is64BitOs", "Dll_GetSamDesiredx6432",
                                        "Dll_EnableWow64FsRedirection", "Dll_Common_RegDeleteKey",
                                        "InitDll_Hostkit"};
// 32 pointer slots; the program reads Net_IsConnected from slot 12.
#ifdef _WIN64
constexpr int kTableBytes = 256;
constexpr int kNetIsConnectedOffset = 96;
#else
constexpr int kTableBytes = 128;
constexpr int kNetIsConnectedOffset = 48;
#endif

// Hostkit.dll loaded at run time, its exports resolved by plain name.
struct Hostkit {
    HMODULE module = nullptr;
    Is64BitOsFn is_64bit_os = nullptr;
    GetSamDesiredFn get_sam_desired = nullptr;
    EnableRedirectionFn enable_redirection = nullptr;
    RegDeleteKeyFn reg_delete_key = nullptr;
    InitTableFn init_table = nullptr;
};

template <typename Fn>
Fn Resolve(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const Hostkit& Dll() {
    static const Hostkit dll = [] {
        Hostkit h;
        h.module = LoadLibraryW(L"Hostkit.dll");
        if (h.module == nullptr) return h;
        h.is_64bit_os = Resolve<Is64BitOsFn>(h.module, "Dll_Is64BitOs");
        h.get_sam_desired = Resolve<GetSamDesiredFn>(h.module, "Dll_GetSamDesiredx6432");
        h.enable_redirection =
            Resolve<EnableRedirectionFn>(h.module, "Dll_EnableWow64FsRedirection");
        h.reg_delete_key = Resolve<RegDeleteKeyFn>(h.module, "Dll_Common_RegDeleteKey");
        h.init_table = Resolve<InitTableFn>(h.module, "InitDll_Hostkit");
        return h;
    }();
    return dll;
}

class HostkitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const Hostkit& dll = Dll();
        ASSERT_NE(dll.module, nullptr) << "LoadLibraryW(Hostkit.dll) failed: " << GetLastError();
        ASSERT_NE(dll.is_64bit_os, nullptr);
        ASSERT_NE(dll.get_sam_desired, nullptr);
        ASSERT_NE(dll.enable_redirection, nullptr);
        ASSERT_NE(dll.reg_delete_key, nullptr);
        ASSERT_NE(dll.init_table, nullptr);
    }
};

// --- The export table --------------------------------------------------------

// The headers of a module of this build's kind (PE32, or PE32+ in the 64-bit
// test build).
const IMAGE_NT_HEADERS* NtHeaders(HMODULE module) {
    auto base = reinterpret_cast<const BYTE*>(module);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return nullptr;
    if (nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC) return nullptr;
    return nt;
}

struct ExportTable {
    std::string dll_name;
    std::map<std::string, const void*> by_name;  // exported name -> address
};

// Reads the export directory of a loaded module, as the loader does.
ExportTable ReadExports(HMODULE module) {
    ExportTable table;
    const IMAGE_NT_HEADERS* nt = NtHeaders(module);
    if (nt == nullptr) return table;
    const IMAGE_DATA_DIRECTORY& entry =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (entry.VirtualAddress == 0) return table;
    auto base = reinterpret_cast<const BYTE*>(module);
    auto dir = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
    table.dll_name = reinterpret_cast<const char*>(base + dir->Name);
    auto names = reinterpret_cast<const DWORD*>(base + dir->AddressOfNames);
    auto ordinals = reinterpret_cast<const WORD*>(base + dir->AddressOfNameOrdinals);
    auto functions = reinterpret_cast<const DWORD*>(base + dir->AddressOfFunctions);
    for (DWORD i = 0; i < dir->NumberOfNames; ++i) {
        const char* name = reinterpret_cast<const char*>(base + names[i]);
        table.by_name[name] = base + functions[ordinals[i]];
    }
    return table;
}

TEST_F(HostkitTest, ExportsArePlainUndecoratedNames) {
    const ExportTable exports = ReadExports(Dll().module);
    EXPECT_STRCASEEQ(exports.dll_name.c_str(), "Hostkit.dll");
    ASSERT_FALSE(exports.by_name.empty()) << "no export directory";
    for (const auto& [name, address] : exports.by_name) {
        EXPECT_EQ(name.find('@'), std::string::npos) << "decorated export " << name;
        EXPECT_NE(name.front(), '_') << "decorated export " << name;
    }
    for (const char* name : kExportNames) {
        auto it = exports.by_name.find(name);
        ASSERT_NE(it, exports.by_name.end()) << name << " is not exported";
        // The table read here is the one GetProcAddress uses.
        EXPECT_EQ(it->second, reinterpret_cast<const void*>(GetProcAddress(Dll().module, name)))
            << name;
    }
}

#if defined(__i386__)
// Calls `fn` with three 32-bit arguments pushed and returns how many bytes of
// them the callee removed from the stack: a stdcall function removes its own
// arguments (4 per argument), a cdecl function none. ESP is restored after.
struct RawCall {
    const void* fn;
    DWORD args[3];
    DWORD result;
    DWORD popped;
};
static_assert(offsetof(RawCall, args) == 4 && offsetof(RawCall, result) == 16 &&
                  offsetof(RawCall, popped) == 20,
              "the offsets the assembly below uses");

void CallCountingPops(RawCall* call) {
    asm volatile(
        "movl %%esp, %%esi\n\t"
        "pushl 12(%%ebx)\n\t"
        "pushl 8(%%ebx)\n\t"
        "pushl 4(%%ebx)\n\t"
        "call *(%%ebx)\n\t"
        "movl %%eax, 16(%%ebx)\n\t"
        "movl %%esp, %%eax\n\t"
        "subl %%esi, %%eax\n\t"
        "addl $12, %%eax\n\t"
        "movl %%eax, 20(%%ebx)\n\t"
        "movl %%esi, %%esp\n\t"
        :
        : "b"(call)
        : "eax", "ecx", "edx", "esi", "memory", "cc");
}

TEST_F(HostkitTest, EveryExportRemovesItsOwnArguments) {
    // Harmless arguments: switch redirection on (it is on), delete a key
    // that does not exist.
    static const wchar_t kMissing[] = L"Software\\PurgeonTest\\NoSuchKey\\Really";
    struct Case {
        const char* name;
        DWORD args[3];
        DWORD argument_bytes;
    } cases[] = {
        {"Dll_Is64BitOs", {}, 0},
        {"Dll_GetSamDesiredx6432", {}, 0},
        {"Dll_EnableWow64FsRedirection", {1}, 4},
        {"Dll_Common_RegDeleteKey",
         {DWORD(reinterpret_cast<UINT_PTR>(HKEY_CURRENT_USER)),
          DWORD(reinterpret_cast<UINT_PTR>(kMissing)), 0},
         12},
        {"InitDll_Hostkit", {}, 0},
    };
    for (const Case& c : cases) {
        RawCall call = {reinterpret_cast<const void*>(GetProcAddress(Dll().module, c.name)),
                        {c.args[0], c.args[1], c.args[2]},
                        0,
                        0xFFFFFFFF};
        ASSERT_NE(call.fn, nullptr) << c.name;
        CallCountingPops(&call);
        EXPECT_EQ(call.popped, c.argument_bytes) << c.name << " is not stdcall";
    }
}
#else
TEST_F(HostkitTest, EveryExportRemovesItsOwnArguments) {
    GTEST_SKIP() << "stdcall's popped arguments: " << kOnly32Bit;
}
#endif

// --- WOW64 -------------------------------------------------------------------

bool ProcessIsWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

TEST_F(HostkitTest, ReportsA64BitSystemUnderWow64) {
#ifndef _WIN64
    ASSERT_TRUE(ProcessIsWow64()) << "run the Windows tests in a 64-bit prefix (WINEARCH=win64)";
#endif
    EXPECT_EQ(Dll().is_64bit_os(), 1);
    EXPECT_EQ(Dll().get_sam_desired(), 0xF013Fu);
    // Cached: the same answers again.
    EXPECT_EQ(Dll().is_64bit_os(), 1);
    EXPECT_EQ(Dll().get_sam_desired(), 0xF013Fu);
}

// Run by its own test entry in a 32-bit prefix (a 32-bit Windows): there is
// no second view to ask for and no redirection to switch, and switching it
// still reports success.
class HostkitOn32BitWindows : public HostkitTest {};

TEST_F(HostkitOn32BitWindows, ReportsA32BitSystemAndNeedsNoRedirection) {
    ASSERT_FALSE(ProcessIsWow64()) << "run in a 32-bit prefix (WINEARCH=win32)";
    EXPECT_EQ(Dll().is_64bit_os(), 0);
    EXPECT_EQ(Dll().get_sam_desired(), 0xF003Fu);
    EXPECT_EQ(Dll().enable_redirection(0), 1);
    EXPECT_EQ(Dll().enable_redirection(1), 1);
}

// The machine type in the PE header of a file, 0 when it cannot be read.
WORD PeMachine(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    std::vector<BYTE> head(4096);
    DWORD read = 0;
    const BOOL ok = ReadFile(file, head.data(), DWORD(head.size()), &read, nullptr);
    CloseHandle(file);
    if (!ok || read < sizeof(IMAGE_DOS_HEADER)) return 0;
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, head.data(), sizeof dos);
    const DWORD machine_at = DWORD(dos.e_lfanew) + 4;  // after "PE\0\0"
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || machine_at + 2 > read) return 0;
    WORD machine = 0;
    std::memcpy(&machine, head.data() + machine_at, 2);
    return machine;
}

std::wstring SystemDirectory() {
    wchar_t buffer[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
    return std::wstring(buffer, length);
}

// Switches redirection back on if a test stops half-way.
struct RedirectionRestorer {
    bool off = false;
    ~RedirectionRestorer() {
        if (off) Dll().enable_redirection(1);
    }
};

#ifdef _WIN64
// A 64-bit process sees the native system folder: the switch succeeds both
// ways with nothing to switch, as it does for the 32-bit DLL on a 32-bit
// Windows.
TEST_F(HostkitTest, RedirectionSwitchSucceedsWithNothingToSwitch) {
    const std::wstring kernel32 = SystemDirectory() + L"\\kernel32.dll";
    ASSERT_EQ(PeMachine(kernel32), IMAGE_FILE_MACHINE_AMD64);
    EXPECT_EQ(Dll().enable_redirection(0), 1);
    EXPECT_EQ(PeMachine(kernel32), IMAGE_FILE_MACHINE_AMD64);
    EXPECT_EQ(Dll().enable_redirection(1), 1);
    EXPECT_EQ(PeMachine(kernel32), IMAGE_FILE_MACHINE_AMD64);
}

TEST_F(HostkitTest, SwitchesFileSystemRedirectionOffAndOn) {
    GTEST_SKIP() << "WOW64 file-system redirection: " << kOnly32Bit;
}
#else
TEST_F(HostkitTest, SwitchesFileSystemRedirectionOffAndOn) {
    ASSERT_TRUE(ProcessIsWow64());
    // The system folder's kernel32.dll is the 32-bit one from SysWOW64
    // while redirection is on, and the 64-bit one when it is off.
    const std::wstring kernel32 = SystemDirectory() + L"\\kernel32.dll";
    ASSERT_EQ(PeMachine(kernel32), IMAGE_FILE_MACHINE_I386);

    RedirectionRestorer restorer;
    ASSERT_EQ(Dll().enable_redirection(0), 1);
    restorer.off = true;
    EXPECT_EQ(PeMachine(kernel32), IMAGE_FILE_MACHINE_AMD64);

    ASSERT_EQ(Dll().enable_redirection(1), 1);
    restorer.off = false;
    EXPECT_EQ(PeMachine(kernel32), IMAGE_FILE_MACHINE_I386);
}
#endif

// --- Dll_Common_RegDeleteKey -------------------------------------------------

constexpr REGSAM kView32 = KEY_WOW64_32KEY;
constexpr REGSAM kView64 = KEY_WOW64_64KEY;

// Creates the key (and its parents) with a REG_SZ value "Marker".
bool PutKey(HKEY root, const std::wstring& path, REGSAM view, const std::wstring& marker = L"") {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG status =
        RegSetValueExW(key, L"Marker", 0, REG_SZ, reinterpret_cast<const BYTE*>(marker.c_str()),
                       DWORD((marker.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The key's "Marker" value; "<missing>" when the key or value is not there.
std::wstring Marker(HKEY root, const std::wstring& path, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
        return L"<missing>";
    }
    wchar_t buffer[64] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    DWORD type = 0;
    const LONG status =
        RegQueryValueExW(key, L"Marker", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_SZ ? std::wstring(buffer) : L"<missing>";
}

// Removes <software>\PurgeonTest\<name> with its subtree, and PurgeonTest
// too once no test keeps anything there.
void DeleteTestKeys(HKEY root, const wchar_t* software, const std::wstring& name, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, software, 0, KEY_ALL_ACCESS | view, &key) != ERROR_SUCCESS) return;
    RegDeleteTreeW(key, (L"PurgeonTest\\" + name).c_str());
    RegDeleteKeyExW(key, L"PurgeonTest", view, 0);  // fails while not empty
    RegCloseKey(key);
}

// Each test works below its own keys, removed again afterwards in every
// place it may have written.
class HostkitRegistryTest : public HostkitTest {
  protected:
    void SetUp() override {
        HostkitTest::SetUp();
        name_ = std::wstring(L"Hostkit.") +
                Widen(::testing::UnitTest::GetInstance()->current_test_info()->name());
        for (auto& c : name_) {
            if (c == L'/') c = L'.';
        }
        user_ = L"Software\\PurgeonTest\\" + name_;
        machine_ = L"SOFTWARE\\PurgeonTest\\" + name_;
        TearDown();
    }
    void TearDown() override {
        DeleteTestKeys(HKEY_CURRENT_USER, L"Software", name_, 0);
        DeleteTestKeys(HKEY_LOCAL_MACHINE, L"SOFTWARE", name_, kView32);
        DeleteTestKeys(HKEY_LOCAL_MACHINE, L"SOFTWARE", name_, kView64);
    }
    static std::wstring Widen(const char* text) {
        return std::wstring(text, text + std::strlen(text));
    }

    BYTE Delete(HKEY root, const std::wstring& path, BYTE view) {
        return Dll().reg_delete_key(root, path.c_str(), view);
    }

    std::wstring name_, user_, machine_;
};

TEST_F(HostkitRegistryTest, DeletesALeafKeyAndLeavesItsParent) {
    ASSERT_TRUE(PutKey(HKEY_CURRENT_USER, user_ + L"\\Leaf", 0, L"leaf"));
    EXPECT_EQ(Delete(HKEY_CURRENT_USER, user_ + L"\\Leaf", 0), 1);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, user_ + L"\\Leaf"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, user_));
}

TEST_F(HostkitRegistryTest, DeletesAKeyWithItsWholeSubtreeAndNothingBeside) {
    for (const wchar_t* path :
         {L"\\Tree\\A\\B\\C", L"\\Tree\\A\\B2", L"\\Tree\\D", L"\\TreeSibling"}) {
        ASSERT_TRUE(PutKey(HKEY_CURRENT_USER, user_ + path, 0, path));
    }
    ASSERT_TRUE(PutKey(HKEY_CURRENT_USER, user_ + L"\\Tree", 0, L"tree"));
    EXPECT_EQ(Delete(HKEY_CURRENT_USER, user_ + L"\\Tree", 0), 1);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, user_ + L"\\Tree"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, user_ + L"\\Tree\\A\\B\\C"));
    EXPECT_EQ(Marker(HKEY_CURRENT_USER, user_ + L"\\TreeSibling", kView32), L"\\TreeSibling");
}

TEST_F(HostkitRegistryTest, AMissingKeyIsNotDeleted) {
    ASSERT_TRUE(PutKey(HKEY_CURRENT_USER, user_, 0));
    EXPECT_EQ(Delete(HKEY_CURRENT_USER, user_ + L"\\Missing", 0), 0);
    EXPECT_EQ(Delete(HKEY_CURRENT_USER, user_ + L"\\Missing\\Deeper", 1), 0);
    EXPECT_EQ(Delete(HKEY_LOCAL_MACHINE, machine_ + L"\\Missing", 1), 0);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, user_));
}

// An empty key path names the key the handle already stands for; deleting
// "nothing" must never delete that.
TEST_F(HostkitRegistryTest, AnEmptyKeyPathDeletesNothing) {
    ASSERT_TRUE(PutKey(HKEY_CURRENT_USER, user_ + L"\\Guard\\Child", 0, L"child"));
    HKEY guard = nullptr;
    ASSERT_EQ(
        RegOpenKeyExW(HKEY_CURRENT_USER, (user_ + L"\\Guard").c_str(), 0, KEY_ALL_ACCESS, &guard),
        ERROR_SUCCESS);
    EXPECT_EQ(Dll().reg_delete_key(guard, L"", 0), 0);
    EXPECT_EQ(Dll().reg_delete_key(guard, nullptr, 0), 0);
    EXPECT_EQ(Dll().reg_delete_key(guard, L"\\", 0), 0);
    RegCloseKey(guard);
    EXPECT_EQ(Marker(HKEY_CURRENT_USER, user_ + L"\\Guard\\Child", kView32), L"child");
}

// Under HKLM\SOFTWARE the two views hold different keys of the same name;
// the view byte picks the 64-bit view only when it is exactly 1.
TEST_F(HostkitRegistryTest, TheViewByteSelectsWhichKeyIsDeleted) {
    struct Case {
        BYTE view;
        bool subtree;
        bool deletes_64bit;
    } cases[] = {
        {0, false, false},    {0, true, false},    {2, false, false}, {2, true, false},
        {0x80, false, false}, {0xFF, true, false}, {1, false, true},  {1, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "view byte " << int(c.view) << (c.subtree ? ", subtree" : ", leaf"));
        const std::wstring app = machine_ + L"\\App";
        ASSERT_TRUE(PutKey(HKEY_LOCAL_MACHINE, app, kView32, L"32"));
        ASSERT_TRUE(PutKey(HKEY_LOCAL_MACHINE, app, kView64, L"64"));
        if (c.subtree) {
            ASSERT_TRUE(PutKey(HKEY_LOCAL_MACHINE, app + L"\\Sub\\Deep", kView32, L"32"));
            ASSERT_TRUE(PutKey(HKEY_LOCAL_MACHINE, app + L"\\Sub\\Deep", kView64, L"64"));
        }
        // Two distinct keys, or this test would prove nothing.
        ASSERT_EQ(Marker(HKEY_LOCAL_MACHINE, app, kView32), L"32");
        ASSERT_EQ(Marker(HKEY_LOCAL_MACHINE, app, kView64), L"64");

        EXPECT_EQ(Delete(HKEY_LOCAL_MACHINE, app, c.view), 1);

        const REGSAM gone = c.deletes_64bit ? kView64 : kView32;
        const REGSAM kept = c.deletes_64bit ? kView32 : kView64;
        const std::wstring kept_marker = c.deletes_64bit ? L"32" : L"64";
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, app, gone));
        EXPECT_EQ(Marker(HKEY_LOCAL_MACHINE, app, kept), kept_marker);
        if (c.subtree) {
            EXPECT_EQ(Marker(HKEY_LOCAL_MACHINE, app + L"\\Sub\\Deep", kept), kept_marker);
        }
        TearDown();
    }
}

// --- InitDll_Hostkit ---------------------------------------------------------

TEST_F(HostkitTest, EachTableIsANewBlockWithTheSameLayout) {
    auto first = static_cast<const BYTE*>(Dll().init_table());
    auto second = static_cast<const BYTE*>(Dll().init_table());
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(std::memcmp(first, second, kTableBytes), 0);

    auto slots = reinterpret_cast<void* const*>(first);
    EXPECT_EQ(slots[2], nullptr);
    for (int slot = 26; slot < 32; ++slot) EXPECT_EQ(slots[slot], nullptr) << "slot " << slot;

    // Every filled slot is code inside Hostkit.dll.
    const IMAGE_NT_HEADERS* nt = NtHeaders(Dll().module);
    ASSERT_NE(nt, nullptr);
    auto image = reinterpret_cast<const BYTE*>(Dll().module);
    for (int slot = 0; slot < 32; ++slot) {
        auto target = static_cast<const BYTE*>(slots[slot]);
        if (target == nullptr) continue;
        EXPECT_TRUE(target >= image && target < image + nt->OptionalHeader.SizeOfImage)
            << "slot " << slot;
    }

    // The program calls Net_IsConnected by its byte offset.
    void* net_slot = nullptr;
    std::memcpy(&net_slot, first + kNetIsConnectedOffset, sizeof net_slot);
    ASSERT_NE(net_slot, nullptr);
    const int connected = reinterpret_cast<NetIsConnectedFn>(net_slot)();
    // What Windows says right now, asked directly: connected only through a
    // modem, a LAN or a proxy (Wine reports a LAN while an interface exists).
    DWORD flags = 0;
    const bool state = InternetGetConnectedState(&flags, 0) != FALSE;
    EXPECT_EQ(connected, state && (flags & (INTERNET_CONNECTION_MODEM | INTERNET_CONNECTION_LAN |
                                            INTERNET_CONNECTION_PROXY))
                             ? 1
                             : 0)
        << "flags 0x" << std::hex << flags;
    // The tables belong to the program for good: never freed.
}

}  // namespace
