#include <gtest/gtest.h>

#include "support/memory_machine.h"
#include "uninstall/Thread_ShellUninstall.h"
#include "uninstall/Unit_K_ProcessProc.h"
#include "uninstall/Unit_K_UninstallCommand.h"

namespace purgeon {
namespace {

using testing::MemoryMachine;

struct CommandCase {
    std::u16string command;
    bool shell_fails;
    std::vector<Launch> launches;
    std::vector<std::u16string> messages;
};

Launch Shell(std::u16string file, std::u16string parameters) {
    return {"shell", u"Open", std::move(file), std::move(parameters), u"", "", kSwShowNormal};
}
Launch Fallback(std::string command_line) {
    return {"winexec", u"", u"", u"", u"", std::move(command_line), kSwShowNormal};
}

TEST(RunUninstallCommand, SplitsByItsCasesInOrder) {
    const CommandCase cases[] = {
        {u"MsiExec.exe /X{1234-ABCD}", false, {Shell(u"MsiExec.exe", u"/X{1234-ABCD} ")}, {}},
        // Listed for its maintenance (a silent repair without dialogs): run
        // as its removal. A package to install keeps its /i.
        {u"MsiExec.exe /I{1234-ABCD}", false, {Shell(u"MsiExec.exe", u"/X{1234-ABCD} ")}, {}},
        {u"msiexec -i{AB} /qb",
         true,
         {Shell(u"msiexec", u"-X{AB} /qb "), Fallback("msiexec -X{AB} /qb")},
         {}},
        {u"MsiExec.exe /i C:\\setup.msi", false, {Shell(u"MsiExec.exe", u"/i C:\\setup.msi ")}, {}},
        {u"rundll32.exe advpack.dll,LaunchINFSection x.inf",
         false,
         {Shell(u"rundll32.exe", u"advpack.dll,LaunchINFSection x.inf ")},
         {}},
        {u"C:\\Windows\\System32\\rundll32.exe a.dll,Uninstall",
         false,
         {Shell(u"C:\\Windows\\System32\\rundll32.exe a.dll,Uninstall", u"")},
         {}},
        {u"C:\\WINDOWS\\unwise.exe C:\\App\\install.log",
         false,
         {Shell(u"C:\\WINDOWS\\unwise.exe", u"C:\\App\\install.log ")},
         {}},
        {u"C:\\Program Files\\App\\remove me.exe",
         false,
         {Shell(u"C:\\Program Files\\App\\remove me.exe", u"")},
         {}},
        {u"\"C:\\Program Files\\App\\uninst.exe\" /S",
         false,
         {Shell(u"\"C:\\Program Files\\App\\uninst.exe\" ", u"/S")},
         {}},
        {u"\"C:\\Program Files\\App\\unins000.exe\" /SILENT /NORESTART",
         false,
         {Shell(u"\"C:\\Program Files\\App\\unins000.exe\" ", u"/SILENT /NORESTART")},
         {}},
        {u"/", false, {}, {u"8 cmd is error ! "}},
        {u"C:\\App\\app.exe -uninstall", false, {Shell(u"C:\\App\\app.exe ", u"-uninstall")}, {}},
        {u"C:\\App\\app.exe --uninstall", false, {Shell(u"C:\\App\\app.exe ", u"--uninstall")}, {}},
        {u"C:\\App\\app.exe -", false, {Shell(u"C:\\App\\app.exe ", u"")}, {u"9 cmd is error ! "}},
        {u"C:\\App\\app.exe uninstall", false, {Shell(u"C:\\APP\\APP.EXE", u"UNINSTALL")}, {}},
        {u"C:\\App\\app.exe uninstall ", false, {Shell(u"C:\\App\\app.exe uninstall", u"")}, {}},
        // The word in the path is removed too: the shell fails, the fallback
        // launches the command as received.
        {u"C:\\Uninstall\\app.exe Uninstall",
         true,
         {Shell(u"C:\\\\APP.EXE", u"UNINSTALL"), Fallback("C:\\Uninstall\\app.exe Uninstall")},
         {}},
        {u"  \"C:\\Program Files\\App\\mcuihost.exe\" -uninstall ",
         false,
         {Fallback("\"C:\\Program Files\\App\\mcuihost.exe\" -uninstall")},
         {}},
        {u"C:\\App\\caf\u00E9\u6F22.exe",
         true,
         {Shell(u"C:\\App\\caf\u00E9\u6F22.exe", u""), Fallback("C:\\App\\caf\xE9?.exe")},
         {}},
        {u"   ", false, {}, {}},
        {u"", false, {}, {}},
    };
    for (const auto& c : cases) {
        MemoryMachine machine;
        machine.dialog.Script({kIdOk, kIdOk});
        if (c.shell_fails) machine.launcher.set_shell_result(2);
        Ports ports = machine.ports();
        RunUninstallCommand(ports, 0x77, c.command);
        EXPECT_EQ(machine.launcher.Launches(), c.launches) << ToUtf8(c.command);
        std::vector<std::u16string> messages;
        for (const auto& call : machine.dialog.Calls()) {
            messages.push_back(call.text);
            EXPECT_EQ(call.caption, u"Purgeon");
            EXPECT_EQ(call.flags, kMbOk);
        }
        EXPECT_EQ(messages, c.messages) << ToUtf8(c.command);
    }
}

TEST(RunUninstallCommand, SplitRuleKeepsQuotedStretches) {
    EXPECT_EQ(SplitCommand(u"\"a b\"c d", u' '), (StringList{u"\"a b\"c", u"d"}));
    // A quote inside a piece opens nothing: an apostrophe in a folder name
    // does not swallow the switch.
    EXPECT_EQ(SplitCommand(u"C:\\Bob's App\\u.exe /S", u'/'),
              (StringList{u"C:\\Bob's App\\u.exe ", u"S"}));
    EXPECT_EQ(SplitCommand(u"\r\na\r\nb", u' '), (StringList{u"a", u"b"}));
}

TEST(ShellCallUninstall, SwitchesRedirectionOffAroundTheLaunch) {
    MemoryMachine machine;
    std::vector<bool> redirection_at_launch;
    machine.launcher.set_on_launch([&](const Launch&) {
        redirection_at_launch.push_back(machine.hostkit.redirection_disabled());
    });
    QVU_Thread_ShellCallUninstall worker(machine.ports(), 0, u"C:\\App\\uninst.exe", true);
    worker.Execute();
    EXPECT_EQ(redirection_at_launch, std::vector<bool>{true});
    EXPECT_EQ(machine.hostkit.redirection_calls(), (std::vector<bool>{false, true}));
}

TEST(ExeNameFromUninstallString, Cases) {
    using T = TThread_ShellExeUninstaller;
    EXPECT_EQ(
        T::mpr_fun_ExeNameFromUninstallString(u"\"C:\\Program Files\\App\\unins000.exe\" /SILENT"),
        u"unins000.exe");
    EXPECT_EQ(T::mpr_fun_ExeNameFromUninstallString(u"MsiExec.exe /X{1}"), u"MsiExec.exe");
    EXPECT_EQ(T::mpr_fun_ExeNameFromUninstallString(u"  C:\\x\\My Tool.EXE"), u"Tool.EXE");
    EXPECT_EQ(T::mpr_fun_ExeNameFromUninstallString(u"C:\\x\\remove.bat"), u"");
    EXPECT_EQ(T::mpr_fun_ExeNameFromUninstallString(u".exe"), u"");
    EXPECT_EQ(T::mpr_fun_ExeNameFromUninstallString(u""), u"");
}

class Watcher : public ::testing::Test {
  protected:
    Watcher() {
        auto record = std::make_unique<K_Class_SoftwareInfo>();
        record->m_strNamelow = u"app";
        record_ = record.get();
        list_.Add(std::move(record));
    }
    void Run() {
        TThread_ShellExeUninstaller watcher(machine_.ports(), list_);
        watcher.m_CallbackPtr_Start = [this] { events_.push_back("start"); };
        watcher.m_CallbackPtr_End = [this] { events_.push_back("end"); };
        watcher.m_CallbackPtr_StepTip_Start = [this](std::int32_t s) {
            events_.push_back("start " + std::to_string(s));
        };
        watcher.m_CallbackPtr_StepTip_End = [this](std::int32_t s) {
            events_.push_back("end " + std::to_string(s));
        };
        watcher.mpu_pro_SetUninstallSoftware(u"app");
        watcher.Execute();
    }
    std::uint64_t Seconds() { return machine_.clock.TickCount() / 1000; }

    MemoryMachine machine_;
    K_Class_SoftwareInfo_List list_;
    K_Class_SoftwareInfo* record_;
    std::vector<std::string> events_;
    const std::vector<std::string> kOrder{"start", "start 2", "end 2", "start 3", "end 3", "end"};
};

TEST_F(Watcher, FirstLookSeesMsiExecAndWaitsWhileItRuns) {
    machine_.processes.Start(u"msiexec.exe");
    Run();
    EXPECT_EQ(events_, kOrder);
    EXPECT_EQ(Seconds(), 2u + 5u + 5u);  // it keeps running: the wait ends after five passes
}

TEST_F(Watcher, SecondLookWatchesTheCommandsExecutable) {
    record_->m_strUninstallString = u"\"C:\\Program Files\\App\\Remover.exe\" /S";
    // The uninstaller starts late (after 8 s) and ends at 10 s.
    std::uint32_t remover = 0;
    machine_.clock.SetOnSleep([&](std::uint32_t) {
        if (machine_.clock.TickCount() == 8000) remover = machine_.processes.Start(u"Remover.exe");
        if (machine_.clock.TickCount() == 10000) machine_.processes.Stop(remover);
    });
    Run();
    EXPECT_EQ(events_, kOrder);
    EXPECT_EQ(Seconds(), 10u);
}

TEST_F(Watcher, NoExecutableInTheCommandOnlyWaitsItsPasses) {
    record_->m_strUninstallString = u"C:\\App\\remove.bat";
    Run();
    EXPECT_EQ(events_, kOrder);
    EXPECT_EQ(Seconds(), 2u + 5u + 5u);
}

TEST(ProcessProcedures, ProtectedNamesAndOneInstance) {
    MemoryMachine machine;
    auto& processes = machine.processes;
    const auto explorer = processes.Start(u"explorer.exe");
    const auto services = processes.Start(u"services.exe");
    const auto first = processes.Start(u"Tool.exe");
    const auto second = processes.Start(u"tool.exe");
    EXPECT_TRUE(IsProcessRunning(processes, u"TOOL.EXE"));
    EXPECT_FALSE(IsProcessRunning(processes, u"C:\\Apps\\tool.exe"));
    TerminateProcessByName(processes, u"  EXPLORER.exe ");
    TerminateProcessByName(processes, u"Services.exe");
    TerminateProcessByName(processes, u"purgeon.exe");
    TerminateProcessByName(processes, u" tool.exe ");
    EXPECT_EQ(processes.Terminated(), std::vector<std::uint32_t>{first});
    EXPECT_TRUE(processes.IsRunning(second));
    EXPECT_TRUE(processes.IsRunning(explorer));
    EXPECT_TRUE(processes.IsRunning(services));
}

}  // namespace
}  // namespace purgeon
