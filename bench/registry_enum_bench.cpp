// Enumerating every sub-key of one key through the in-memory registry must
// be linear: 100,000 sub-keys may cost about ten times what 10,000 cost.
// Prints the ratio of the two, measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>

#include "inventory/Unit_K_Registry_Proc.h"
#include "platform/memory/memory_registry.h"
#include "ratio_reporter.h"

namespace purgeon {
namespace {

const std::u16string kParent = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

MemoryRegistry& RegistryWith(int sub_keys) {
    static std::map<int, std::unique_ptr<MemoryRegistry>> cache;
    auto& slot = cache[sub_keys];
    if (!slot) {
        slot = std::make_unique<MemoryRegistry>(true);
        RegKey parent = 0;
        slot->CreateKey(kHkeyLocalMachine, kParent, kKeyAllAccess, &parent);
        for (int i = 0; i < sub_keys; ++i) {
            // Product-code-like names in scrambled order, as real keys come.
            const unsigned scrambled = unsigned(i) * 2654435761u;
            char name[48];
            std::snprintf(name, sizeof name, "{%08X-%04X-APP-%06d}", scrambled, i & 0xFFFF, i);
            RegKey child = 0;
            std::u16string wide(name, name + std::char_traits<char>::length(name));
            slot->CreateKey(parent, wide, kKeyAllAccess, &child);
            slot->CloseKey(child);
        }
        slot->CloseKey(parent);
    }
    return *slot;
}

void BM_EnumSubKeys(benchmark::State& state) {
    MemoryRegistry& reg = RegistryWith(int(state.range(0)));
    StringList names;
    for (auto _ : state) {
        Reg_EnumSubKeys(reg, kHkeyLocalMachine, kParent, names, false);
        benchmark::DoNotOptimize(names.data());
    }
    if (names.size() != std::size_t(state.range(0))) state.SkipWithError("wrong sub-key count");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EnumSubKeys)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
}  // namespace purgeon

int main(int argc, char** argv) {
    return purgeon::RunBenchmarksWithRatio(argc, argv, "/100000/", "/10000/",
                                           "enumeration 100,000 vs 10,000 sub-keys (linear = 10x)");
}
