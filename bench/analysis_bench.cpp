// The leftover analysis of one program on a large machine, against a bare
// walk that reads the same registry keys and lists the same folders, through
// the in-memory registry and file system. The machine: 50,000 sub-keys under
// SOFTWARE\Classes (extensions and program types, among them CLSID,
// Interface and TypeLib), 20,000 classes, 10,000 interfaces, 5,000 type
// libraries, 1,000 Windows Installer products with 10,000 components, and an
// install folder of 100,000 files. Prints the ratio of the two, measured in
// the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "../tests/support/memory_machine.h"
#include "../tests/support/registry_fixture.h"
#include "analysis/Thread_Uninstall_Analyze.h"
#include "inventory/Unit_K_Registry_Proc.h"
#include "ratio_reporter.h"

namespace purgeon {
namespace {

using testing::MemoryMachine;
using testing::PutKey;
using testing::PutString;

constexpr int kClassesSubKeys = 50000;  // including CLSID, Interface and TypeLib
constexpr int kExtensions = 20000;
constexpr int kProgramTypes = kClassesSubKeys - kExtensions - 3;
constexpr int kClsids = 20000;
constexpr int kInterfaces = 10000;
constexpr int kTypeLibs = 5000;
constexpr int kProducts = 1000;
constexpr int kComponents = 10000;
constexpr int kInstallerFolders = 3000;
constexpr int kSharedDlls = 3000;
constexpr int kRunValues = 40;
constexpr int kElevationPolicies = 50;
constexpr int kSubfolders = 100;
constexpr int kFilesPerSubfolder = 1000;
// One in this many of each kind belongs to the program analysed.
constexpr int kOwnEvery = 500;

const std::u16string kClasses = u"SOFTWARE\\Classes\\";
const std::u16string kCv = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
const std::u16string kUserData = kCv + u"Installer\\UserData\\";
const std::u16string kSid = u"S-1-5-18";
const std::u16string kApp = u"C:\\Program Files\\Bench App\\";

std::u16string Text(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}
std::u16string Number(int n) {
    return Text(std::to_string(n));
}

// GUID-like names in scrambled order, as real keys come; `kind` keeps the
// families apart.
std::u16string Guid(int kind, int n) {
    char text[48];
    std::snprintf(text, sizeof text, "{%08X-%04X-4%03X-8%03X-%012X}", unsigned(n) * 2654435761u,
                  kind, n & 0xFFF, (n * 7) & 0xFFF, n);
    return Text(text);
}

// A folder of another program; files named there need not exist.
std::u16string Vendor(int n) {
    return u"C:\\Program Files\\Vendor " + Number(n % 397) + u"\\";
}
// The program's folder or another's, for the n-th trace of a kind.
std::u16string Folder(int n) {
    return n % kOwnEvery == 0 ? kApp : Vendor(n);
}

MemoryMachine& Machine() {
    static std::unique_ptr<MemoryMachine> machine;
    if (machine) return *machine;
    machine = std::make_unique<MemoryMachine>(true);
    MemoryRegistry& reg = machine->registry;
    auto put = [&reg](const std::u16string& path, const std::u16string& name,
                      const std::u16string& text) {
        PutString(reg, kHkeyLocalMachine, path, name, text, true);
    };

    // SOFTWARE\Classes: program types (a third with an open command, a
    // third with only an icon, a third with neither) and extensions naming
    // them.
    for (int i = 0; i < kProgramTypes; ++i) {
        const std::u16string type = kClasses + u"Vendor" + Number(i % 397) + u".Type" + Number(i);
        put(type, u"", u"Document " + Number(i));
        if (i % 3 == 0)
            put(type + u"\\Shell\\Open\\Command", u"", u"\"" + Folder(i) + u"app.exe\" \"%1\"");
        if (i % 3 == 1) put(type + u"\\DefaultIcon", u"", Folder(i) + u"app.exe,1");
    }
    for (int i = 0; i < kExtensions; ++i) {
        put(kClasses + u".x" + Number(i), u"", u"Vendor" + Number(i % 397) + u".Type" + Number(i));
    }
    for (int i = 0; i < kTypeLibs; ++i) {
        const std::u16string lib = kClasses + u"TypeLib\\" + Guid(1, i);
        put(lib + u"\\1.0", u"", u"Library " + Number(i));
        put(lib + u"\\1.0\\0\\win32", u"", Folder(i) + u"lib" + Number(i) + u".tlb");
        PutKey(reg, kHkeyLocalMachine, lib + u"\\1.0\\FLAGS", true);
    }
    // Classes: three in four served in process; every other one with a
    // ProgID; one in five described by a type library.
    for (int i = 0; i < kClsids; ++i) {
        const std::u16string clsid = kClasses + u"CLSID\\" + Guid(2, i);
        put(clsid, u"", u"Class " + Number(i));
        put(clsid + (i % 4 == 3 ? u"\\LocalServer32" : u"\\InprocServer32"), u"",
            Folder(i) + u"server" + Number(i % 50) + u".dll");
        if (i % 2 == 0) put(clsid + u"\\ProgID", u"", u"Vendor.Class" + Number(i) + u".1");
        if (i % 5 == 0) put(clsid + u"\\TypeLib", u"", Guid(1, i % kTypeLibs));
    }
    // Interfaces: proxied by a class, and every other one described by a
    // type library.
    for (int i = 0; i < kInterfaces; ++i) {
        const std::u16string iid = kClasses + u"Interface\\" + Guid(3, i);
        put(iid, u"", u"IInterface" + Number(i));
        put(iid + u"\\ProxyStubClsid32", u"", Guid(2, (i * 7) % kClsids));
        if (i % 2 == 0) put(iid + u"\\TypeLib", u"", Guid(1, (i * 3) % kTypeLibs));
    }
    for (int i = 0; i < 200; ++i) {
        put(kCv + u"Shell Extensions\\Approved", Guid(2, i * 11), u"Extension " + Number(i));
        PutKey(reg, kHkeyLocalMachine,
               kCv + u"Explorer\\Browser Helper Objects\\" + Guid(2, i * 13), true);
    }
    for (int i = 0; i < kInstallerFolders; ++i)
        put(kCv + u"Installer\\Folders", Folder(i) + u"f" + Number(i) + u"\\", u"");
    for (int i = 0; i < kSharedDlls; ++i)
        put(kCv + u"SharedDLLs", Folder(i) + u"shared" + Number(i) + u".dll", u"");

    // Windows Installer: products, each owning ten components.
    const std::u16string user = kUserData + kSid;
    for (int p = 0; p < kProducts; ++p) {
        const std::u16string properties =
            user + u"\\Products\\P" + Number(p) + u"\\InstallProperties";
        put(properties, u"InstallLocation", Folder(p));
        put(properties, u"UninstallString", u"MsiExec.exe /X" + Guid(4, p));
    }
    for (int c = 0; c < kComponents; ++c) {
        const int p = c % kProducts;
        put(user + u"\\Components\\C" + Number(c), u"P" + Number(p),
            Folder(p) + u"file" + Number(c) + u".dll");
    }

    for (int i = 0; i < kRunValues; ++i) {
        put(kCv + u"Run", u"Run" + Number(i),
            u"\"" + (i % 20 == 0 ? kApp : Vendor(i)) + u"tray.exe\" /min");
        PutString(reg, kHkeyCurrentUser, kCv + u"Run", u"Run" + Number(i),
                  u"\"" + Vendor(i) + u"u.exe\"", true);
    }
    for (int i = 0; i < kElevationPolicies; ++i) {
        put(u"SOFTWARE\\Microsoft\\Internet Explorer\\Low Rights\\ElevationPolicy\\" + Guid(5, i),
            u"AppPath", Folder(i * 10));
    }
    const std::u16string hive = reg.CurrentUserSid();
    for (int i = 0; i < 300; ++i) {
        PutString(
            reg, kHkeyUsers,
            hive + u"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers",
            Folder(i) + u"old" + Number(i) + u".exe", u"WINXPSP3", true);
        PutString(
            reg, kHkeyCurrentUser,
            u"Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache",
            Folder(i) + u"m" + Number(i) + u".exe", u"App", true);
    }

    // The install folder: shallow, 100 folders of 1,000 files.
    MemoryFileSystem& files = machine->files;
    for (int d = 0; d < kSubfolders; ++d) {
        const std::u16string folder = kApp + u"part" + Number(100 + d) + u"\\";
        for (int f = 0; f < kFilesPerSubfolder; ++f) {
            files.AddFile(folder + u"file" + Number(10000 + f) + (f % 10 == 0 ? u".dll" : u".dat"));
        }
    }
    return *machine;
}

// The program analysed: a 64-bit program, as the machine's data is in the
// 64-bit view.
K_Class_SoftwareInfo_List& Inventory() {
    static K_Class_SoftwareInfo_List list;
    if (list.Find(u"bench app") == nullptr) {
        auto record = std::make_unique<K_Class_SoftwareInfo>();
        record->m_strSoftwareName = u"Bench App";
        record->m_strNamelow = u"bench app";
        record->m_strInstallLocation = kApp;
        record->m_strUninstallString = u"MsiExec.exe /X" + Guid(4, 0);
        record->m_strInstallRegPath = u"HKLM|" + kCv + u"Uninstall\\" + Guid(4, 0);
        record->m_nIs64Bit = 1;
        list.Add(std::move(record));
    }
    return list;
}

void BM_Analysis(benchmark::State& state) {
    MemoryMachine& machine = Machine();
    K_Class_SoftwareInfo_List& list = Inventory();
    std::size_t files = 0, registry = 0;
    std::uint32_t running = 0;
    for (auto _ : state) {
        TThread_Uninstall_Analyze worker(machine.ports(), list);
        worker.m_CallbackPtr_FileFolderCount = [&running](const std::u16string&, std::uint32_t n) {
            running = n;
        };
        worker.m_CallbackPtr_FileFolderList = [](const std::u16string& p) {
            benchmark::DoNotOptimize(p.data());
        };
        worker.m_CallbackPtr_RegList = [](const std::u16string& e) {
            benchmark::DoNotOptimize(e.data());
        };
        worker.mpu_pro_SetUninstallSoftware(u"bench app");
        worker.Execute();
        files = worker.m_class_CurUninstallAppInfo->m_ListStr_Files.size();
        registry = worker.m_class_CurUninstallAppInfo->m_ListStr_Registry.size();
    }
    if (files != std::size_t(kSubfolders * kFilesPerSubfolder) ||
        running != files + kSubfolders + 1)
        state.SkipWithError("the install folder was not walked whole");
    if (registry < 100) state.SkipWithError("the registry searches found too little");
    state.counters["files"] = double(files);
    state.counters["registry"] = double(registry);
}

// --- The bare walk: the same keys read and the same folders listed, with
// the port's operations alone, nothing matched or recorded.

class Bare {
  public:
    explicit Bare(Ports ports) : reg_(ports.registry), fs_(ports.files) {}

    std::size_t Run() {
        reads_ = 0;
        ListTree(kApp);
        StringList names;
        SubKeys(kHkeyLocalMachine, kClasses, names);
        for (const auto& name : names) {
            if (name.empty()) continue;
            if (name[0] == u'.') {
                Read(kHkeyLocalMachine, kClasses + name, u"");
            } else if (!Read(kHkeyLocalMachine, kClasses + name + u"\\Shell\\Open\\Command", u"")) {
                Read(kHkeyLocalMachine, kClasses + name + u"\\DefaultIcon", u"");
            }
        }
        ValueNames(kHkeyLocalMachine, kCv + u"Installer\\Folders");
        ValueNames(kHkeyLocalMachine, kCv + u"SharedDLLs");

        SubKeys(kHkeyLocalMachine, kClasses + u"TypeLib", names);
        for (const auto& lib : names) FindAndRead(kClasses + u"TypeLib\\" + lib, u"WIN32");
        SubKeys(kHkeyLocalMachine, kClasses + u"CLSID", names);
        for (const auto& clsid : names) {
            const std::u16string key = kClasses + u"CLSID\\" + clsid;
            if (!Read(kHkeyLocalMachine, key + u"\\InprocServer32", u""))
                Read(kHkeyLocalMachine, key + u"\\LocalServer32", u"");
            if (text_.empty()) Read(kHkeyLocalMachine, key + u"\\TypeLib", u"");
        }
        SubKeys(kHkeyLocalMachine, kClasses + u"Interface", names);
        for (const auto& iid : names) {
            const std::u16string key = kClasses + u"Interface\\" + iid;
            if (!Read(kHkeyLocalMachine, key + u"\\ProxyStubClsid32", u""))
                Read(kHkeyLocalMachine, key + u"\\ProxyStubClsid", u"");
            Read(kHkeyLocalMachine, key + u"\\TypeLib", u"");
        }
        ValueNames(kHkeyLocalMachine, kCv + u"Shell Extensions\\Approved");
        ValueNames(kHkeyLocalMachine, u"SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar");
        SubKeys(kHkeyLocalMachine, kCv + u"Explorer\\Browser Helper Objects", names);

        StringList sids, products, components;
        SubKeys(kHkeyLocalMachine, kUserData, sids);
        for (const auto& sid : sids) {
            const std::u16string user = kUserData + sid;
            SubKeys(kHkeyLocalMachine, user + u"\\Products", products);
            SubKeys(kHkeyLocalMachine, user + u"\\Components", components);
            for (const auto& product : products) {
                const std::u16string properties =
                    user + u"\\Products\\" + product + u"\\InstallProperties";
                Read(kHkeyLocalMachine, properties, u"InstallLocation");
                Read(kHkeyLocalMachine, properties, u"UninstallString");
            }
            // The components are read for each tied product.
            for (int p = 0; p < kProducts; p += kOwnEvery) {
                for (const auto& component : components)
                    Read(kHkeyLocalMachine, user + u"\\Components\\" + component, u"P" + Number(p));
            }
        }

        StringList hives;
        SubKeys(kHkeyUsers, u"", hives);
        for (const auto& hive : hives)
            ValueNames(
                kHkeyUsers,
                hive +
                    u"\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers");
        ValueNames(
            kHkeyCurrentUser,
            u"Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache");
        for (const auto& hive : hives)
            ValueNames(kHkeyUsers, hive + u"\\Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache");
        SubKeys(kHkeyLocalMachine,
                u"SOFTWARE\\Microsoft\\Internet Explorer\\Low Rights\\ElevationPolicy", names);
        for (const auto& policy : names)
            Read(kHkeyLocalMachine,
                 u"SOFTWARE\\Microsoft\\Internet Explorer\\Low Rights\\ElevationPolicy\\" + policy,
                 u"AppPath");
        Values(kHkeyLocalMachine, kCv + u"Run");
        Values(kHkeyCurrentUser, kCv + u"Run");
        return reads_;
    }

  private:
    static constexpr std::uint32_t kSam = kKeyRead | kKeyWow64_64Key;

    bool Read(RegKey root, const std::u16string& path, const std::u16string& name) {
        text_.clear();
        ScopedRegKey key(reg_);
        if (reg_.OpenKey(root, path, kSam, key.Receive()) != kErrorSuccess) return false;
        ++reads_;
        return RegQueryText(reg_, key.Get(), name, text_);
    }
    void SubKeys(RegKey root, const std::u16string& path, StringList& out) {
        out.clear();
        ScopedRegKey key(reg_);
        if (reg_.OpenKey(root, path, kSam, key.Receive()) != kErrorSuccess) return;
        std::u16string name;
        for (std::uint32_t i = 0;
             reg_.EnumKey(key.Get(), i, kRegNameBufferChars, &name) == kErrorSuccess; ++i)
            out.push_back(name);
    }
    void ValueNames(RegKey root, const std::u16string& path) {
        ScopedRegKey key(reg_);
        if (reg_.OpenKey(root, path, kSam, key.Receive()) != kErrorSuccess) return;
        std::u16string name;
        for (std::uint32_t i = 0;
             reg_.EnumValue(key.Get(), i, kRegNameBufferChars, &name) == kErrorSuccess; ++i)
            sink_.swap(name);
    }
    void Values(RegKey root, const std::u16string& path) {
        ScopedRegKey key(reg_);
        if (reg_.OpenKey(root, path, kSam, key.Receive()) != kErrorSuccess) return;
        std::u16string name;
        for (std::uint32_t i = 0;
             reg_.EnumValue(key.Get(), i, kRegNameBufferChars, &name) == kErrorSuccess; ++i)
            RegQueryText(reg_, key.Get(), name, text_);
    }
    // Depth first below `path` for a sub-key named `upper_name`, then its
    // default value, as the type-library search does.
    void FindAndRead(const std::u16string& path, const std::u16string& upper_name) {
        std::vector<std::u16string> stack{path};
        while (!stack.empty()) {
            const std::u16string level = std::move(stack.back());
            stack.pop_back();
            StringList names;
            SubKeys(kHkeyLocalMachine, level, names);
            for (auto it = names.rbegin(); it != names.rend(); ++it) {
                if (AsciiUpper(*it) == upper_name) {
                    Read(kHkeyLocalMachine, level + u"\\" + *it, u"");
                    return;
                }
                stack.push_back(level + u"\\" + *it);
            }
        }
    }
    void ListTree(const std::u16string& root) {
        std::vector<std::u16string> folders{root};
        FindData data;
        while (!folders.empty()) {
            const std::u16string base = WithTrailingBackslash(folders.back());
            folders.pop_back();
            ScopedFindHandle find(fs_, fs_.FindFirst(base + u"*.*", &data));
            if (!find.Valid()) continue;
            do {
                if (data.name == u"." || data.name == u"..") continue;
                if ((data.attributes & kFileAttributeDirectory) != 0 &&
                    (data.attributes & kFileAttributeReparsePoint) == 0)
                    folders.push_back(base + data.name);
                else
                    sink_ = base + data.name;
            } while (fs_.FindNext(find.Get(), &data));
        }
    }

    RegistryPort& reg_;
    FileSystemPort& fs_;
    std::u16string text_, sink_;
    std::size_t reads_ = 0;
};

void BM_BareWalk(benchmark::State& state) {
    MemoryMachine& machine = Machine();
    Bare bare(machine.ports());
    std::size_t reads = 0;
    for (auto _ : state) {
        reads = bare.Run();
        benchmark::DoNotOptimize(reads);
    }
    state.counters["keys_read"] = double(reads);
}

BENCHMARK(BM_BareWalk)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Analysis)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace purgeon

int main(int argc, char** argv) {
    return purgeon::RunBenchmarksWithRatio(argc, argv, "BM_Analysis", "BM_BareWalk",
                                           "analysis vs bare walk of the same keys and folders");
}
