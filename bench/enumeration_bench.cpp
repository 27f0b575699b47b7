// The installed-program enumeration on a large machine, against a bare walk
// that only reads the same registry values: 5,000 Uninstall entries (HKLM in
// both views and HKCU) and 2,000 Windows Installer products, through the
// in-memory registry. Prints the ratio of the two, measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "../tests/support/memory_machine.h"
#include "inventory/Thread_EnumInstalledApp.h"
#include "inventory/Unit_K_Registry_Proc.h"
#include "ratio_reporter.h"

namespace purgeon {
namespace {

using testing::MemoryMachine;

constexpr int kMachine32Entries = 2000;  // HKLM, 32-bit view
constexpr int kMachine64Entries = 2000;  // HKLM, 64-bit view
constexpr int kUserEntries = 1000;       // HKCU
constexpr int kProducts = 2000;          // Windows Installer products
constexpr int kFoldersPerProduct = 3;    // Installer\Folders values
constexpr int kAppPaths = 200;

const std::u16string kUninstall = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::u16string kUserData =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\";
const std::u16string kProductsKey = u"SOFTWARE\\Classes\\Installer\\Products\\";
const std::u16string kFoldersKey =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
const std::u16string kAppPathsKey = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const std::u16string kSid = u"S-1-5-18";

// Every value the enumeration may read from an Uninstall entry, and from
// a product's InstallProperties.
const std::u16string kEntryTexts[] = {
    u"ReleaseType",     u"DisplayName",          u"Publisher",       u"DisplayVersion",
    u"InstallLocation", u"Inno Setup: App Path", u"UninstallString", u"UninstallPath",
    u"LocalPackage",    u"DisplayIcon"};
const std::u16string kProductTexts[] = {
    u"DisplayName",          u"Publisher",       u"DisplayVersion", u"InstallLocation",
    u"Inno Setup: App Path", u"UninstallString", u"UninstallPath",  u"LocalPackage",
    u"DisplayIcon"};

std::u16string Text(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

std::u16string Number(int n) {
    return Text(std::to_string(n));
}

// A product code in scrambled order, as real keys come, and its packed form.
std::u16string ProductCode(int n) {
    char text[48];
    std::snprintf(text, sizeof text, "{%08X-%04X-4%03X-8%03X-%012X}", unsigned(n) * 2654435761u,
                  n & 0xFFFF, n & 0xFFF, (n * 7) & 0xFFF, n);
    return Text(text);
}
std::u16string PackedCode(int n) {
    std::u16string code = ProductCode(n);
    std::u16string packed;
    for (char16_t c : code) {
        if (c != u'{' && c != u'}' && c != u'-') packed.push_back(c);
    }
    return packed;
}

class Writer {
  public:
    explicit Writer(MemoryRegistry& reg) : reg_(reg) {}
    void Open(RegKey root, const std::u16string& path, bool view64) {
        key_.reset(new ScopedRegKey(reg_));
        reg_.CreateKey(root, path, RegistryViewMask(view64), key_->Receive());
    }
    void String(const std::u16string& name, const std::u16string& text) {
        reg_.SetValue(key_->Get(), name, kRegSz,
                      reinterpret_cast<const std::uint8_t*>(text.c_str()),
                      std::uint32_t((text.size() + 1) * 2));
    }
    void Dword(const std::u16string& name, std::uint32_t number) {
        reg_.SetValue(key_->Get(), name, kRegDword, reinterpret_cast<const std::uint8_t*>(&number),
                      4);
    }

  private:
    MemoryRegistry& reg_;
    std::unique_ptr<ScopedRegKey> key_;
};

// One Uninstall entry `n` of the kinds a real machine holds: most name their
// install folder, a third do not (it is found from the uninstall command),
// half name an icon, one in fifty is a system component. Entries of products
// are keyed by product code and uninstalled through msiexec.
void AddEntry(Writer& w, MemoryFileSystem& files, RegKey root, bool view64, int n, int product) {
    const std::u16string name = u"Product " + Number(n);
    const std::u16string folder =
        u"C:\\Program Files\\Vendor " + Number(n % 97) + u"\\" + name + u"\\";
    w.Open(root, kUninstall + (product >= 0 ? ProductCode(product) : u"App" + Number(n)), view64);
    w.String(u"DisplayName", name);
    w.String(u"Publisher", u"Vendor " + Number(n % 97));
    w.String(u"DisplayVersion", u"1." + Number(n) + u".0");
    if (n % 3 != 0) w.String(u"InstallLocation", folder);
    w.String(u"UninstallString", product >= 0 ? u"MsiExec.exe /X" + ProductCode(product)
                                              : u"\"" + folder + u"unins000.exe\" /SILENT");
    // Every install folder exists; some entries name no icon, and one in
    // ten of those has an executable registered under App Paths in it.
    files.AddFolder(folder);
    files.AddFile(folder + u"readme.txt");
    if (n % 2 == 0) {
        w.String(u"DisplayIcon", folder + u"app.exe,0");
        if (n % 4 == 0) files.AddFile(folder + u"app.exe");
    } else if (n % 10 == 1) {
        files.AddFile(folder + u"tool" + Number(n % kAppPaths) + u".exe");
    }
    if (n % 50 == 0) w.Dword(u"SystemComponent", 1);
}

// The machine, built once.
MemoryMachine& Machine() {
    static std::unique_ptr<MemoryMachine> machine;
    if (machine) return *machine;
    machine = std::make_unique<MemoryMachine>(true);
    MemoryRegistry& reg = machine->registry;
    MemoryFileSystem& files = machine->files;
    Writer w(reg);
    int n = 0, product = 0;
    // Half of the machine-wide entries of each view belong to Windows
    // Installer products (they are merged with the product's data).
    for (int i = 0; i < kMachine32Entries; ++i, ++n) {
        AddEntry(w, files, kHkeyLocalMachine, false, n, i % 2 == 0 ? product++ : -1);
    }
    for (int i = 0; i < kMachine64Entries; ++i, ++n) {
        AddEntry(w, files, kHkeyLocalMachine, true, n, i % 2 == 0 ? product++ : -1);
    }
    for (int i = 0; i < kUserEntries; ++i, ++n) AddEntry(w, files, kHkeyCurrentUser, false, n, -1);

    // The products' own data: InstallProperties (64-bit view, as Windows
    // keeps it), the product icon, and the folders they created.
    for (int p = 0; p < kProducts; ++p) {
        const int entry =
            p < kMachine32Entries / 2 ? 2 * p : kMachine32Entries + 2 * (p - kMachine32Entries / 2);
        const std::u16string name = u"Product " + Number(entry);
        const std::u16string folder =
            u"C:\\Program Files\\Vendor " + Number(entry % 97) + u"\\" + name + u"\\";
        w.Open(kHkeyLocalMachine,
               kUserData + kSid + u"\\Products\\" + PackedCode(p) + u"\\InstallProperties", true);
        w.String(u"DisplayName", name);
        w.String(u"Publisher", u"Vendor " + Number(entry % 97));
        w.String(u"DisplayVersion", u"1." + Number(entry) + u".0");
        if (entry % 3 != 0) w.String(u"InstallLocation", folder);
        w.String(u"UninstallString", u"MsiExec.exe /X" + ProductCode(p));
        w.String(u"LocalPackage", u"C:\\Windows\\Installer\\" + Number(p) + u".msi");
        w.Open(kHkeyLocalMachine, kProductsKey + PackedCode(p), false);
        w.String(u"ProductName", name);
        w.String(u"ProductIcon", u"C:\\Windows\\Installer\\" + ProductCode(p) + u"\\icon.ico");
        w.Open(kHkeyLocalMachine, kFoldersKey, true);
        w.String(folder, u"");
        w.String(folder + u"bin\\", u"");
        w.String(u"C:\\Program Files\\Common Files\\Vendor " + Number(entry % 97) + u"\\" +
                     Number(p) + u"\\",
                 u"");
    }
    for (int a = 0; a < kAppPaths; ++a) {
        w.Open(kHkeyLocalMachine, kAppPathsKey + u"tool" + Number(a) + u".exe", false);
        w.String(u"", u"C:\\Tools\\tool" + Number(a) + u".exe");
    }
    return *machine;
}

class SilentListener : public InstallerSoftwareListListener {
  public:
    void Callback_InstallerSoftwarelist_Start() override {}
    void Callback_InstallerSoftwarelist(std::uint32_t, const std::u16string&, const std::u16string&,
                                        const std::u16string&, const std::u16string&,
                                        std::uint32_t) override {
        ++reported;
    }
    void Callback_InstallerSoftwarelist_End(std::uint32_t) override {}
    bool IsLoadingWindowVisible() override { return false; }
    std::size_t reported = 0;
};

void BM_Enumeration(benchmark::State& state) {
    MemoryMachine& machine = Machine();
    K_Software_Const_Feature_Lib lib;
    lib.mpu_InitLib();
    std::size_t programs = 0;
    for (auto _ : state) {
        K_Class_SoftwareInfo_List list;
        SilentListener listener;
        TThread_EnumInstalledApp worker(machine.ports(), list, lib, u"C:\\Purgeon\\", listener);
        worker.Execute();
        programs = listener.reported;
        benchmark::DoNotOptimize(programs);
    }
    // Entries less system components; products merge into their entries.
    const std::size_t expected =
        std::size_t(kMachine32Entries + kMachine64Entries + kUserEntries) -
        std::size_t((kMachine32Entries + kMachine64Entries + kUserEntries) / 50);
    if (programs < expected) state.SkipWithError("programs missing from the inventory");
    state.counters["programs"] = double(programs);
}

// Reads every text value of every sub-key of `path` (one level, or through
// `below` for the products' InstallProperties), as the enumeration reads
// them; returns the number of keys read.
std::size_t ReadAll(RegistryPort& reg, RegKey root, const std::u16string& path, bool view64,
                    const std::u16string* names, std::size_t name_count, std::u16string& sink) {
    const std::uint32_t sam = RegistryViewMask(view64);
    ScopedRegKey parent(reg);
    if (reg.OpenKey(root, path, sam, parent.Receive()) != kErrorSuccess) return 0;
    std::uint32_t count = 0;
    reg.QueryInfoKey(parent.Get(), &count, nullptr);
    std::u16string sub_key, text;
    std::size_t read = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (reg.EnumKey(parent.Get(), i, kRegNameBufferChars, &sub_key) != kErrorSuccess) continue;
        ScopedRegKey key(reg);
        if (reg.OpenKey(parent.Get(), sub_key, sam, key.Receive()) != kErrorSuccess) continue;
        std::uint8_t number[4];
        std::uint32_t size = sizeof number;
        reg.QueryValue(key.Get(), u"SystemComponent", nullptr, number, &size);
        for (std::size_t v = 0; v < name_count; ++v) {
            if (RegQueryText(reg, key.Get(), names[v], text)) sink.swap(text);
        }
        ++read;
    }
    return read;
}

// The same values, read once each: the icon-source tables and the folder
// list, then the Uninstall keys and the products of both passes.
std::size_t BareWalk(RegistryPort& reg) {
    std::u16string sink;
    std::size_t keys = 0;
    StringList names, codes;
    Reg_EnumSubKeys(reg, kHkeyLocalMachine, kProductsKey, codes, false);
    for (const auto& code : codes) {
        Reg_ReadString(reg, kHkeyLocalMachine, kProductsKey + code + u"\\", u"ProductIcon", false,
                       sink);
        Reg_ReadString(reg, kHkeyLocalMachine, kProductsKey + code + u"\\", u"ProductName", false,
                       sink);
    }
    Reg_EnumSubKeys(reg, kHkeyLocalMachine, kAppPathsKey, names, false);
    Reg_EnumValueNames(reg, kHkeyLocalMachine, kFoldersKey, names, true);
    for (bool view64 : {false, true}) {
        keys += ReadAll(reg, kHkeyLocalMachine, kUninstall, view64, kEntryTexts,
                        std::size(kEntryTexts), sink);
        keys += ReadAll(reg, kHkeyCurrentUser, kUninstall, view64, kEntryTexts,
                        std::size(kEntryTexts), sink);
        StringList sids;
        Reg_EnumUserDataSids(reg, sids, view64);
        for (const auto& sid : sids) {
            const std::u16string products = kUserData + sid + u"\\Products\\";
            Reg_EnumSubKeys(reg, kHkeyLocalMachine, products, codes, view64);
            for (const auto& code : codes) {
                ScopedRegKey key(reg);
                if (reg.OpenKey(kHkeyLocalMachine, products + code + u"\\InstallProperties\\",
                                RegistryViewMask(view64), key.Receive()) != kErrorSuccess) {
                    continue;
                }
                std::u16string text;
                for (const auto& name : kProductTexts) {
                    if (RegQueryText(reg, key.Get(), name, text)) sink.swap(text);
                }
                ++keys;
            }
        }
    }
    benchmark::DoNotOptimize(sink.data());
    return keys;
}

void BM_BareWalk(benchmark::State& state) {
    MemoryMachine& machine = Machine();
    std::size_t keys = 0;
    for (auto _ : state) {
        keys = BareWalk(machine.registry);
        benchmark::DoNotOptimize(keys);
    }
    // HKCU shows in both passes; the products in the 64-bit pass only.
    const std::size_t expected =
        std::size_t(kMachine32Entries + kMachine64Entries + 2 * kUserEntries + kProducts);
    if (keys != expected) state.SkipWithError("the walk did not read every key");
    state.counters["keys"] = double(keys);
}

BENCHMARK(BM_BareWalk)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Enumeration)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
}  // namespace purgeon

int main(int argc, char** argv) {
    return purgeon::RunBenchmarksWithRatio(argc, argv, "BM_Enumeration", "BM_BareWalk",
                                           "enumeration vs bare walk of the same values");
}
