// A main window over an in-memory machine, a recording view and fake icons,
// with its workers run on threads the fixture joins.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "fake_main_view.h"
#include "memory_machine.h"
#include "platform/memory/memory_text_compare.h"
#include "registry_fixture.h"
#include "ui/Form_Main.h"

namespace purgeon::testing {

inline const std::u16string kUninstall =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline const std::u16string kMsiexec = u"C:\\Windows\\system32\\msiexec.exe";

// A main window over an in-memory machine, a recording view and fake icons.
class MainForm : public ::testing::Test {
  protected:
    MainForm() {
        form.set_worker_starter([this](WorkerThread* worker) {
            ++running;
            workers.emplace_back([this, worker] {
                worker->Execute();
                delete worker;
                --running;
            });
        });
        form.FormCreate(u"C:\\Program Files (x86)\\Purgeon\\purgeon.exe");
    }
    ~MainForm() override {
        // Serve what the workers still send, then wait for their ends.
        machine.dispatcher.RunUntil([&] { return running == 0; }, std::chrono::seconds(20));
        for (auto& worker : workers) worker.join();
    }

    // An Uninstall entry of the 32-bit machine view.
    void AddProgram(const std::u16string& key, const std::u16string& name,
                    const std::u16string& version = u"1.0", const std::u16string& publisher = u"",
                    const std::u16string& location = u"") {
        const std::u16string path = kUninstall + key;
        PutString(machine.registry, kHkeyLocalMachine, path, u"DisplayName", name, false);
        PutString(machine.registry, kHkeyLocalMachine, path, u"UninstallString",
                  u"C:\\Apps\\" + key + u"\\uninst.exe", false);
        if (!version.empty())
            PutString(machine.registry, kHkeyLocalMachine, path, u"DisplayVersion", version, false);
        if (!publisher.empty())
            PutString(machine.registry, kHkeyLocalMachine, path, u"Publisher", publisher, false);
        if (!location.empty())
            PutString(machine.registry, kHkeyLocalMachine, path, u"InstallLocation", location,
                      false);
    }

    // Shows the window and lets the enumeration it starts run to its end,
    // serving its hand-overs as the list-loading window's loop would.
    void ShowAndEnumerate() {
        form.FormShow({1, 0, 0, 0});
        WaitForEnumeration();
    }
    void WaitForEnumeration() {
        ASSERT_TRUE(machine.dispatcher.RunUntil([&] { return !form.enumeration_running(); },
                                                std::chrono::seconds(20)));
    }

    std::vector<std::u16string> Captions() const {
        std::vector<std::u16string> captions;
        for (const auto& row : form.ListView_InstalledApp) captions.push_back(row.caption);
        return captions;
    }

    // One program turned into a row directly, as the enumeration hands it.
    void Row(const std::u16string& name, const std::u16string& icon, std::uint32_t number = 65535) {
        form.Callback_InstallerSoftwarelist(0, name, u"", u"", icon, number);
    }

    MemoryMachine machine;
    FakeMainView view;
    FakeProgramIcons icons;
    MemoryTextCompare text_compare;
    TFrm_Main_PG form{machine.ports(), view, icons, text_compare};
    std::vector<std::thread> workers;
    std::atomic<int> running{0};
};

}  // namespace purgeon::testing
