// The update check over in-memory ports: the version file's reading and
// numbers, the worker's run in its order, the check's failures, and the
// update window's handling of the result.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/text.h"
#include "platform/window_messages.h"
#include "support/memory_machine.h"
#include "update/Form_UpdateCheck.h"
#include "update/Thread_Update.h"
#include "update/version_file.h"

namespace purgeon {
namespace {

using testing::MemoryMachine;

constexpr WindowId kMainWindow = 0x1010;
constexpr WindowId kUpdateWindow = 0x2020;
constexpr char16_t kProgramFolder[] = u"C:\\Program Files (x86)\\Purgeon\\";
constexpr char16_t kUpdateFile[] = u"C:\\Program Files (x86)\\Purgeon\\Update.dat";
constexpr std::int32_t kInetResourceNotFound = std::int32_t(0x800C0005);

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::string Utf8(const std::u16string& text) {
    return ToUtf8(text);
}

// URLDownloadToFileW as scripted: each call is recorded; on success the
// scripted content (if any) is written to the target path.
class ScriptedDownload : public DownloadPort {
  public:
    ScriptedDownload(MemoryFileSystem& files) : files_(files) {}
    std::int32_t DownloadToFile(const std::u16string& url,
                                const std::u16string& file_path) override {
        std::lock_guard<std::mutex> lock(mutex_);
        calls.push_back({url, file_path});
        if (result == kSOk && content) files_.AddFile(file_path, *content);
        return result;
    }
    struct Call {
        std::u16string url, file_path;
    };
    std::vector<Call> calls;
    std::int32_t result = kSOk;
    std::optional<std::string> content;  // none: the call "succeeds" without a file

  private:
    MemoryFileSystem& files_;
    std::mutex mutex_;
};

class FixedOwnVersion : public OwnVersionPort {
  public:
    bool ReadOwnFileVersion(FileVersion* out) override {
        if (!version) return false;
        *out = *version;
        return true;
    }
    std::optional<FileVersion> version = FileVersion{2, 5, 0, 10};
};

// Posts recorded with the virtual time at which they were made.
class TimedDispatcher : public DispatcherPort {
  public:
    explicit TimedDispatcher(FakeClock& clock) : clock_(clock) {}
    void Send(const std::function<void()>& work) override { work(); }
    bool Post(WindowId window, std::uint32_t message, std::uintptr_t wparam,
              std::intptr_t lparam) override {
        std::lock_guard<std::mutex> lock(mutex_);
        posts.push_back({{window, message, wparam, lparam}, clock_.TickCount()});
        return true;
    }
    struct TimedPost {
        PostedMessage message;
        std::uint64_t at = 0;
    };
    std::vector<TimedPost> posts;

  private:
    FakeClock& clock_;
    std::mutex mutex_;
};

// Message boxes as scripted, each noted with the thread that showed it.
class ThreadNotingDialog : public DialogPort {
  public:
    int MessageBox(WindowId owner, const std::u16string& text, const std::u16string& caption,
                   std::uint32_t flags) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            threads.push_back(std::this_thread::get_id());
        }
        return script.MessageBox(owner, text, caption, flags);
    }
    ScriptedDialog script;
    std::vector<std::thread::id> threads;

  private:
    std::mutex mutex_;
};

// A check as the main window starts it, over an in-memory machine.
struct CheckFixture {
    CheckFixture() : download(machine.files), dispatcher(machine.clock) {}

    Ports ports() {
        return {machine.registry, machine.files,    machine.shell, machine.hostkit,
                dispatcher,       machine.clock,    dialog,        machine.processes,
                machine.launcher, machine.code_page};
    }
    UpdateCheckContext Context() {
        return {ports(),
                download,
                own_version,
                table,
                kMainWindow,
                kProgramFolder,
                u"https://www.purgeon.com/Update.dat"};
    }
    // Update.dat as the site serves it.
    void Serve(std::string content) { download.content = std::move(content); }

    MemoryMachine machine;
    ScriptedDownload download;
    FixedOwnVersion own_version;
    TimedDispatcher dispatcher;
    ThreadNotingDialog dialog;
    HostkitTable table = machine.hostkit.InitFunctionTable();
};

std::string VersionFile(const std::string& v1, const std::string& v2, const std::string& v3,
                        const std::string& v4) {
    return "[CUR_VERSION]\r\nVer1=" + v1 + "\r\nVer2=" + v2 + "\r\nVer3=" + v3 + "\r\nVer4=" + v4 +
           "\r\n";
}

// --- The version file ------------------------------------------------------------

TEST(UpdateVersionFile, NumbersConvertAsWrittenUpToTheFirstForeignCharacter) {
    struct Case {
        const char16_t* text;
        std::int32_t number;
    } const cases[] = {
        {u"21", 21},
        {u"21beta", 21},
        {u"0x1F", 31},
        {u"0X1f", 31},
        {u"$10", 16},
        {u"x10", 16},
        {u"X1a", 26},
        {u"-3", -3},
        {u"  +7", 7},
        {u"\t 7", 7},
        {u"-$10", -16},
        {u"+0x1F", 31},
        {u"007", 7},
        {u"3.5", 3},
        {u"10 20", 10},
        {u"", 0},
        {u"beta", 0},
        {u"+", 0},
        {u"-", 0},
        {u"$", 0},
        {u"0x", 0},
        {u"0xG", 0},
        {u"$G1", 0},
        {u"- 3", 0},
        {u"+-3", 0},
        {u"1F", 1},
        {u"0", 0},
        {u"00x1", 0},
        {u"2147483647", 2147483647},
        {u"-2147483648", -2147483647 - 1},
        {u"99999999999", 2147483647},
        {u"-99999999999", -2147483647 - 1},
        {u"$7FFFFFFF", 2147483647},
        {u"$FFFFFFFFFF", 2147483647},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VersionNumberFromText(c.text), c.number) << "\"" << Utf8(c.text) << "\"";
    }
}

TEST(UpdateVersionFile, ValuesAreReadAsTheProfileReaderReadsThem) {
    struct Case {
        const char* file;
        const char16_t* value;  // of CUR_VERSION / Ver1
        const char* why;
    } const cases[] = {
        {"[CUR_VERSION]\r\nVer1=2\r\n", u"2", "plain"},
        {"[cur_version]\nVER1=3\n", u"3", "names ignore case, LF lines"},
        {"[CUR_VERSION]\rVer1=4\r", u"4", "CR lines"},
        {"  [ CUR_VERSION ]  \r\n  Ver1  =  5  \r\n", u"5", "blanks around names and value"},
        {"[CUR_VERSION]\r\nVer1=\"6\"\r\n", u"6", "double quotes removed"},
        {"[CUR_VERSION]\r\nVer1='7'\r\n", u"7", "single quotes removed"},
        {"[CUR_VERSION]\r\nVer1=\"8'\r\n", u"\"8'", "quotes that do not match stay"},
        {"[CUR_VERSION]\r\nVer1=a=b\r\n", u"a=b", "the first equals sign splits"},
        {"[CUR_VERSION]\r\nVer1=\r\n", u"", "empty value"},
        {"[CUR_VERSION]\r\nVer1=1\r\nVer1=9\r\n", u"1", "the first line of a key"},
        {"Ver1=9\r\n[CUR_VERSION]\r\nVer2=1\r\n", u"", "lines before any section belong to none"},
        {"[OTHER]\r\nVer1=9\r\n", u"", "no CUR_VERSION section"},
        {"[OTHER]\r\nVer1=9\r\n[CUR_VERSION]\r\nVer1=2\r\n", u"2", "the section, not another"},
        {"[CUR_VERSION]\r\nVer2=2\r\n[CUR_VERSION]\r\nVer1=9\r\n", u"",
         "only the first section of the name"},
        {"[CUR_VERSION]\r\n; Ver1=9\r\nVer1 9\r\n", u"", "comment and line without '='"},
        {"\xEF\xBB\xBF[CUR_VERSION]\r\nVer1=10\r\n", u"10", "UTF-8 byte-order mark"},
        {"<html><body>404 Not Found</body></html>", u"", "an error page"},
        {"", u"", "empty file"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadIniValue(Bytes(c.file), u"CUR_VERSION", u"Ver1"), c.value) << c.why;
    }
    // UTF-16 files, little- and big-endian, with their byte-order marks.
    const std::u16string text = u"[CUR_VERSION]\r\nVer1=11\r\n";
    std::vector<std::uint8_t> le{0xFF, 0xFE}, be{0xFE, 0xFF};
    for (char16_t c : text) {
        le.insert(le.end(), {std::uint8_t(c & 0xFF), std::uint8_t(c >> 8)});
        be.insert(be.end(), {std::uint8_t(c >> 8), std::uint8_t(c & 0xFF)});
    }
    EXPECT_EQ(ReadIniValue(le, u"CUR_VERSION", u"Ver1"), u"11");
    EXPECT_EQ(ReadIniValue(be, u"CUR_VERSION", u"Ver1"), u"11");
    le.push_back(0x41);  // an odd byte at the end is dropped
    EXPECT_EQ(ReadIniValue(le, u"CUR_VERSION", u"Ver1"), u"11");
}

TEST(UpdateVersionFile, UntrustedBytesNeverCrash) {
    // Every byte value, lone surrogates in UTF-16, and a huge line.
    std::vector<std::uint8_t> all;
    for (int i = 0; i < 256; ++i) all.push_back(std::uint8_t(i));
    EXPECT_EQ(ReadIniValue(all, u"CUR_VERSION", u"Ver1"), u"");
    const std::vector<std::uint8_t> surrogates{0xFF, 0xFE, 0x00, 0xD8, 0x00, 0xDC, 0x5B, 0x00};
    EXPECT_EQ(ReadIniValue(surrogates, u"CUR_VERSION", u"Ver1"), u"");
    std::string huge = "[CUR_VERSION]\nVer1=" + std::string(1 << 20, '9') + "\n";
    const std::u16string value = ReadIniValue(Bytes(huge), u"CUR_VERSION", u"Ver1");
    EXPECT_EQ(value.size(), std::size_t(1) << 20);
    EXPECT_EQ(VersionNumberFromText(value), 2147483647);
}

// --- CheckForNewVersion ------------------------------------------------------------

TEST(UpdateCheck, ComparesThePublishedVersionWithTheOwnInOrder) {
    struct Case {
        std::string file;
        bool newer;
        const char* why;
    } const cases[] = {
        {VersionFile("2", "6", "0", "0"), true, "2.6.0.0 against 2.5.0.10"},
        {VersionFile("2", "5", "0", "10"), false, "the same version"},
        {VersionFile("1", "99", "99", "99"), false, "an older major number decides"},
        {VersionFile("1", "", "", ""), false, "1 and nothing more"},
        {VersionFile("2", "5", "0", "11"), true, "a newer build"},
        {VersionFile("2", "5", "0", "9"), false, "an older build"},
        {VersionFile("3", "0", "0", "0"), true, "a newer major number"},
        {VersionFile("2", "4", "99", "99"), false, "an older minor number decides"},
        {VersionFile("2", "5", "1", "0"), true, "a newer release"},
        {VersionFile("2", "5", "-1", "99"), false, "a negative release is older"},
        {VersionFile("  +2", "0x5", "$0", "11beta"), true, "the numbers as written: 2.5.0.11"},
        {VersionFile("2beta", "5", "0", "10"), false, "\"2beta\" counts as 2"},
        {VersionFile("$FFFFFFFFFF", "0", "0", "0"), true, "a huge number is a large one"},
        {"[OTHER]\r\nVer1=9\r\nVer2=9\r\nVer3=9\r\nVer4=9\r\n", false,
         "no CUR_VERSION section reads 0.0.0.0"},
        {"", false, "an empty file"},
    };
    for (const Case& c : cases) {
        CheckFixture f;
        f.Serve(c.file);
        TThread_Update worker(kUpdateWindow, f.Context(), nullptr);
        EXPECT_EQ(worker.CheckForNewVersion(), c.newer) << c.why;
        EXPECT_TRUE(f.dialog.script.Calls().empty()) << c.why;
        ASSERT_EQ(f.download.calls.size(), 1u) << c.why;
        EXPECT_EQ(f.download.calls[0].url, u"https://www.purgeon.com/Update.dat");
        EXPECT_EQ(f.download.calls[0].file_path, kUpdateFile);
    }
}

TEST(UpdateCheck, WithoutAVersionResourceTheOwnVersionCountsAsZero) {
    CheckFixture f;
    f.own_version.version.reset();
    f.Serve(VersionFile("0", "0", "0", "1"));
    EXPECT_TRUE(TThread_Update(kUpdateWindow, f.Context(), nullptr).CheckForNewVersion());
    f.Serve(VersionFile("0", "0", "0", "0"));
    EXPECT_FALSE(TThread_Update(kUpdateWindow, f.Context(), nullptr).CheckForNewVersion());
}

TEST(UpdateCheck, TheDownloadOverwritesAnOlderCopyAndLeavesTheFile) {
    CheckFixture f;
    f.machine.files.AddFile(kUpdateFile, VersionFile("9", "0", "0", "0"));
    f.Serve(VersionFile("2", "5", "0", "10"));
    EXPECT_FALSE(TThread_Update(kUpdateWindow, f.Context(), nullptr).CheckForNewVersion());
    std::vector<std::uint8_t> left;
    ASSERT_TRUE(f.machine.files.ReadFile(kUpdateFile, &left));
    EXPECT_EQ(left, Bytes(VersionFile("2", "5", "0", "10")));
}

TEST(UpdateCheck, NoConnectionMeansNoDownloadAndUpToDateAfterTheWait) {
    CheckFixture f;
    f.machine.hostkit.set_connected(false);
    f.Serve(VersionFile("9", "0", "0", "0"));
    f.machine.clock.Advance(1000);
    TThread_Update worker(kUpdateWindow, f.Context(), nullptr);
    std::thread([&] { worker.Execute(); }).join();

    EXPECT_TRUE(f.download.calls.empty()) << "no download without a connection";
    EXPECT_EQ(f.machine.clock.Sleeps(), std::vector<std::uint32_t>{3000});
    ASSERT_EQ(f.dispatcher.posts.size(), 2u);
    EXPECT_EQ(f.dispatcher.posts[0].message,
              (PostedMessage{kMainWindow, WM_SHOW_UPDATE_WINDOW, 0, 0}));
    EXPECT_EQ(f.dispatcher.posts[0].at, 1000u) << "the window is asked for first";
    EXPECT_EQ(f.dispatcher.posts[1].message,
              (PostedMessage{kUpdateWindow, WM_UPDATE_RESULT, 0, 0}));
    EXPECT_EQ(f.dispatcher.posts[1].at, 4000u) << "the answer comes 3000 ms later";
}

TEST(UpdateCheck, ANewerVersionIsPostedAsOne) {
    CheckFixture f;
    f.Serve(VersionFile("2", "6", "0", "0"));
    TThread_Update worker(kUpdateWindow, f.Context(), nullptr);
    std::thread([&] { worker.Execute(); }).join();
    ASSERT_EQ(f.dispatcher.posts.size(), 2u);
    EXPECT_EQ(f.dispatcher.posts[1].message,
              (PostedMessage{kUpdateWindow, WM_UPDATE_RESULT, 1, 0}));
    EXPECT_EQ(f.dispatcher.posts[1].at, 3000u);
}

TEST(UpdateCheck, AFailedDownloadIsUpToDateWithoutABox) {
    CheckFixture f;
    f.download.result = kInetResourceNotFound;
    f.Serve(VersionFile("9", "0", "0", "0"));
    f.machine.files.AddFile(kUpdateFile, VersionFile("9", "0", "0", "0"));  // an old copy
    TThread_Update worker(kUpdateWindow, f.Context(), nullptr);
    EXPECT_FALSE(worker.CheckForNewVersion()) << "an old copy is not read after a failure";
    EXPECT_EQ(f.download.calls.size(), 1u);
    EXPECT_TRUE(f.dialog.script.Calls().empty());
}

TEST(UpdateCheck, AMissingFileAfterASuccessfulDownloadShowsTheWarningFromTheWorker) {
    // Nothing at the path, or a folder of that name: neither is the file.
    for (const bool folder : {false, true}) {
        CheckFixture f;
        if (folder) f.machine.files.AddFolder(kUpdateFile);
        f.download.content.reset();
        TThread_Update worker(kUpdateWindow, f.Context(), nullptr);
        std::thread::id worker_thread;
        std::thread run([&] {
            worker_thread = std::this_thread::get_id();
            worker.Execute();
        });
        run.join();

        const std::vector<DialogCall> boxes = f.dialog.script.Calls();
        ASSERT_EQ(boxes.size(), 1u) << "folder " << folder;
        EXPECT_EQ(boxes[0].owner, 0u);
        EXPECT_EQ(boxes[0].text, std::u16string(kUpdateFile) + u" does not exist!");
        EXPECT_EQ(boxes[0].caption, u"Warning");
        EXPECT_EQ(boxes[0].flags, 0x40010u);
        EXPECT_EQ(f.dialog.threads[0], worker_thread) << "shown by the worker";
        ASSERT_EQ(f.dispatcher.posts.size(), 2u);
        EXPECT_EQ(f.dispatcher.posts[1].message.wparam, 0u) << "then up to date";
    }
}

TEST(UpdateCheck, AnAnswerIsPostedEvenWhenTheCheckThrows) {
    struct ThrowingDownload : DownloadPort {
        std::int32_t DownloadToFile(const std::u16string&, const std::u16string&) override {
            throw std::bad_alloc();
        }
    } throwing;
    CheckFixture f;
    UpdateCheckContext context = f.Context();
    TThread_Update worker(kUpdateWindow,
                          {context.ports, throwing, f.own_version, f.table, kMainWindow,
                           kProgramFolder, context.update_file_url},
                          nullptr);
    worker.Execute();
    ASSERT_EQ(f.dispatcher.posts.size(), 2u);
    EXPECT_EQ(f.dispatcher.posts[1].message,
              (PostedMessage{kUpdateWindow, WM_UPDATE_RESULT, 0, 0}));
}

TEST(UpdateCheck, GetOwnFileVersionLeavesTheOutputsAloneOnFailure) {
    CheckFixture f;
    TThread_Update worker(kUpdateWindow, f.Context(), nullptr);
    std::uint16_t major = 7, minor = 7, release = 7, build = 7;
    std::u16string text = u"before";
    f.own_version.version.reset();
    worker.GetOwnFileVersion(major, minor, release, build, text);
    EXPECT_EQ((std::array<int, 4>{major, minor, release, build}), (std::array<int, 4>{7, 7, 7, 7}));
    EXPECT_EQ(text, u"before");

    f.own_version.version = FileVersion{65535, 0, 12, 3};
    worker.GetOwnFileVersion(major, minor, release, build, text);
    EXPECT_EQ((std::array<int, 4>{major, minor, release, build}),
              (std::array<int, 4>{65535, 0, 12, 3}));
    EXPECT_EQ(text, u"65535.0.12.3");
}

// --- The update window's logic --------------------------------------------------------

class FakeUpdateView : public UpdateCheckView {
  public:
    explicit FakeUpdateView(ScriptedDialog& dialog) : dialog_(dialog) {}
    WindowId UpdateWindowId() override { return kUpdateWindow; }
    void CentreOverMainWindow() override { ++centred; }
    void Render() override { ++renders; }
    void CloseWindow() override { ++closed; }
    WindowId ActiveWindow() override { return active_window; }
    void EnableUpgradeButton(bool enabled) override {
        button_enabled = enabled;
        boxes_when_enabled.push_back(dialog_.Calls().size());
    }

    int centred = 0, renders = 0, closed = 0;
    WindowId active_window = 0x3030;
    bool button_enabled = true;
    std::vector<std::size_t> boxes_when_enabled;  // boxes shown before each change

  private:
    ScriptedDialog& dialog_;
};

struct FormFixture {
    FormFixture() : download(machine.files), view(machine.dialog) {}
    MemoryMachine machine;
    ScriptedDownload download;
    FixedOwnVersion own_version;
    FakeUpdateView view;
    TFrm_UpdateCheck form{machine.ports(), download, own_version, view};
};

TEST(UpdateWindowLogic, TheResultIsReportedAndTheWindowCloses) {
    struct Case {
        std::uintptr_t wparam;
        std::optional<int> answer;  // none: no box
        bool launches;
        const char* why;
    } const cases[] = {
        {1, kIdYes, true, "newer, Yes: the setup opens in the browser"},
        {1, kIdNo, false, "newer, No"},
        {0, kIdOk, false, "up to date"},
        {2, std::nullopt, false, "another value"},
        {0xFFFFFFFF, std::nullopt, false, "another value"},
    };
    for (const Case& c : cases) {
        FormFixture f;
        f.form.FormShow();
        f.view.EnableUpgradeButton(false);  // as the click left it
        f.view.boxes_when_enabled.clear();
        if (c.answer) f.machine.dialog.Script({*c.answer});
        f.form.OnUpdateResult(c.wparam);

        const std::vector<DialogCall> boxes = f.machine.dialog.Calls();
        const std::vector<Launch> launches = f.machine.launcher.Launches();
        if (!c.answer) {
            EXPECT_TRUE(boxes.empty()) << c.why;
            EXPECT_EQ(f.view.closed, 0) << c.why;
            EXPECT_TRUE(f.form.Gif_Updating_Playing) << c.why;
            EXPECT_FALSE(f.view.button_enabled) << c.why;
            EXPECT_TRUE(launches.empty()) << c.why;
            continue;
        }
        ASSERT_EQ(boxes.size(), 1u) << c.why;
        EXPECT_FALSE(boxes[0].unscripted) << c.why;
        EXPECT_EQ(boxes[0].caption, u"Purgeon");
        if (c.wparam == 1) {
            EXPECT_EQ(boxes[0].text,
                      u"An important Purgeon update is available now. Click 'YES' "
                      u"to download the update now.");
            EXPECT_EQ(boxes[0].flags, 0x40034u);
            EXPECT_EQ(boxes[0].owner, 0u) << "no owner window";
            EXPECT_FALSE(f.form.Label_AppList_Status_Title_Visible);
        } else {
            EXPECT_EQ(boxes[0].text, u"Already up to date.");
            EXPECT_EQ(boxes[0].flags, 0x40040u);
            EXPECT_EQ(boxes[0].owner, f.view.active_window) << "owned by the active window";
            EXPECT_TRUE(f.form.Label_AppList_Status_Title_Visible);
        }
        if (c.launches) {
            ASSERT_EQ(launches.size(), 1u) << c.why;
            EXPECT_EQ(launches[0],
                      (Launch{"shell", u"open", u"https://www.purgeon.com/Purgeon_Setup.exe", u"",
                              u"", "", kSwShowNormal}));
        } else {
            EXPECT_TRUE(launches.empty()) << c.why;
        }
        EXPECT_TRUE(f.view.button_enabled) << c.why;
        EXPECT_EQ(f.view.boxes_when_enabled, std::vector<std::size_t>{1})
            << "enabled once, after the box: " << c.why;
        EXPECT_FALSE(f.form.Gif_Updating_Playing) << c.why;
        EXPECT_EQ(f.view.closed, 1) << c.why;
    }
}

TEST(UpdateWindowLogic, ShowingCentresAndAnimatesHidingAndClosingStop) {
    FormFixture f;
    f.form.FormShow();
    EXPECT_EQ(f.view.centred, 1);
    EXPECT_TRUE(f.form.Gif_Updating_Playing);
    EXPECT_EQ(f.form.Label_AppList_Status_Title, u"Updating......");
    f.form.FormHide();
    EXPECT_FALSE(f.form.Gif_Updating_Playing);
    f.form.FormShow();
    f.form.FormClose();
    EXPECT_FALSE(f.form.Gif_Updating_Playing);
    EXPECT_EQ(f.view.centred, 2);
}

TEST(UpdateWindowLogic, TheClickDisablesTheButtonAndStartsTheWorkerForThisWindow) {
    FormFixture f;
    f.download.content = VersionFile("2", "6", "0", "0");
    bool disabled_at_start = false;
    TThread_Update* started = nullptr;
    std::thread run;
    f.form.set_worker_starter([&](WorkerThread* worker) {
        disabled_at_start = !f.view.button_enabled;
        started = static_cast<TThread_Update*>(worker);
        EXPECT_EQ(f.form.m_pThread_Update.load(), started) << "the reference is set first";
        run = std::thread([worker] {
            worker->Execute();
            delete worker;
        });
    });
    const HostkitTable table = f.machine.hostkit.InitFunctionTable();
    f.form.ImgBtn_Menu_UpgradeClick(kMainWindow, table, kProgramFolder);
    run.join();

    EXPECT_TRUE(disabled_at_start);
    ASSERT_NE(started, nullptr);
    EXPECT_EQ(f.form.m_pThread_Update.load(), nullptr) << "the ended worker cleared it";
    ASSERT_EQ(f.download.calls.size(), 1u);
    EXPECT_EQ(f.download.calls[0].url, u"https://www.purgeon.com/Update.dat");
    EXPECT_EQ(f.download.calls[0].file_path, kUpdateFile);
    EXPECT_EQ(f.machine.dispatcher.Posted(),
              (std::vector<PostedMessage>{{kMainWindow, WM_SHOW_UPDATE_WINDOW, 0, 0},
                                          {kUpdateWindow, WM_UPDATE_RESULT, 1, 0}}));
    EXPECT_FALSE(f.view.button_enabled) << "still disabled until the window has the result";
}

TEST(UpdateWindowLogic, AWorkerThatCannotStartLeavesTheButtonEnabled) {
    FormFixture f;
    f.form.set_worker_starter([](WorkerThread*) {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    f.form.ImgBtn_Menu_UpgradeClick(kMainWindow, nullptr, kProgramFolder);
    EXPECT_TRUE(f.view.button_enabled);
    EXPECT_EQ(f.form.m_pThread_Update.load(), nullptr) << "the unstarted worker is freed";
}

TEST(UpdateWindowLogic, TheProductSiteUnlessATestNamesItsOwn) {
    FormFixture f;
    TFrm_UpdateCheck local(f.machine.ports(), f.download, f.own_version, f.view,
                           u"http://127.0.0.1:8123");
    EXPECT_EQ(local.UpdateFileUrl(), u"http://127.0.0.1:8123/Update.dat");
    EXPECT_EQ(local.SetupUrl(), u"http://127.0.0.1:8123/Purgeon_Setup.exe");
    EXPECT_EQ(f.form.UpdateFileUrl(), u"https://www.purgeon.com/Update.dat");
    EXPECT_EQ(ProductSiteOrigin(), u"https://www.purgeon.com");
}

}  // namespace
}  // namespace purgeon
