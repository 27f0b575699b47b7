// The removal of a program with 100,000 files (100 folders of 1,000) with an
// undo set against the same removal without one, through the in-memory file
// system: the set on the program's volume (a rename), and on another volume
// (every file copied, compared and deleted). The finds list the folders and
// every file, as the analysis hands them over. Prints both ratios, measured
// in the same run.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "../tests/support/memory_machine.h"
#include "cli/undo_set.h"
#include "ratio_reporter.h"
#include "ui/Unit_LeftoverRemoval.h"

namespace purgeon {
namespace {

using testing::MemoryMachine;

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 1000;
const std::u16string kApp = u"C:\\Program Files\\Bench App";

std::u16string Number(int n) {
    const std::string text = std::to_string(n);
    return std::u16string(text.begin(), text.end());
}

enum class Keep { kNone, kSameVolume, kOtherVolume };

void Remove(benchmark::State& state, Keep keep) {
    for (auto _ : state) {
        state.PauseTiming();
        auto machine = std::make_unique<MemoryMachine>();
        machine->files.AddDrive(u'D');
        machine->files.AddFolder(u"C:\\Undo");
        machine->files.AddFolder(u"D:\\Undo");
        StringList folders{kApp}, files;
        for (int f = 0; f < kFolders; ++f) {
            const std::u16string folder = kApp + u"\\folder" + Number(f);
            folders.push_back(folder);
            for (int i = 0; i < kFilesPerFolder; ++i) {
                files.push_back(folder + u"\\file" + Number(i) + u".dat");
                machine->files.AddFile(files.back(), "0123456789abcdef");
            }
        }
        StringList paths = folders;
        paths.insert(paths.end(), files.begin(), files.end());
        const StringList starts{kApp};
        std::vector<RegistryRow> rows;
        UndoSetWriter set(machine->files, machine->registry,
                          keep == Keep::kOtherVolume ? u"D:\\Undo\\set" : u"C:\\Undo\\set",
                          u"Bench App", u"now");
        RemovalRequest request;
        request.step3_files_folders_rows = 3000;
        request.all_files_folders = &paths;
        request.step2_registry = &rows;
        request.starting_folders = &starts;
        request.select_software = u"Bench App";
        request.cur_app_path = u"C:\\Purgeon\\";
        if (keep != Keep::kNone) {
            if (!set.Begin()) state.SkipWithError("the undo set could not begin");
            request.take_path = [&set](const std::u16string& path) { set.TakePath(path); };
        }
        machine->dialog.Script({kIdYes, kIdOk});
        Ports ports = machine->ports();
        state.ResumeTiming();
        RemoveLeftovers(ports, request);
        if (keep != Keep::kNone) set.Finish();
        state.PauseTiming();
        if (machine->files.Exists(kApp)) state.SkipWithError("the program's folder stayed");
        machine.reset();
        state.ResumeTiming();
    }
}

void BM_RemovalWithoutUndo(benchmark::State& state) {
    Remove(state, Keep::kNone);
}
void BM_RemovalUndoSameVolume(benchmark::State& state) {
    Remove(state, Keep::kSameVolume);
}
void BM_RemovalUndoOtherVolume(benchmark::State& state) {
    Remove(state, Keep::kOtherVolume);
}
BENCHMARK(BM_RemovalWithoutUndo)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RemovalUndoSameVolume)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RemovalUndoOtherVolume)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace purgeon

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    purgeon::RatioReporter same("UndoSameVolume", "WithoutUndo",
                                "undo set on the same volume / without an undo set");
    benchmark::RunSpecifiedBenchmarks(&same);
    benchmark::Shutdown();
    return 0;
}
