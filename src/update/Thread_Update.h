// The update check's worker: asks the main window to show the update window,
// waits, finds out whether a newer version is published and posts the
// answer to the update window. It frees itself when its run ends.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/ports.h"
#include "platform/worker_thread.h"
#include "update/update_ports.h"

namespace purgeon {

class TThread_Update;

// The main window's reference to the running update worker; the worker
// clears it when it is destroyed.
using UpdateWorkerReference = std::atomic<TThread_Update*>;

// Everything a check works through; the ports are borrowed and must outlive
// the worker.
struct UpdateCheckContext {
    Ports ports;  // dispatcher (posts), clock, dialog, hostkit and files
    DownloadPort& download;
    OwnVersionPort& own_version;
    HostkitTable hostkit_table = nullptr;  // the main window's InitDll_Hostkit table
    WindowId main_window = 0;              // receives WM_SHOW_UPDATE_WINDOW
    std::u16string program_folder;         // the running executable's folder, ending in "\"
    std::u16string update_file_url;        // the site's "/Update.dat"
};

// The wait between showing the update window and the check itself.
constexpr std::uint32_t kUpdateCheckDelayMs = 3000;

// True when the published version is newer than the own one: the four pairs
// compared in order, the first pair that differs decides; all equal is false.
bool IsNewerVersion(const std::array<std::int32_t, 4>& published, const FileVersion& own);

class TThread_Update : public WorkerThread {
  public:
    // How a worker is started; the default is its own Start (a thread that
    // frees the worker at its end). Tests run it on a thread they join.
    using Starter = std::function<void(WorkerThread* worker)>;

    // Create: a new worker for the window `hFormHandle`, recorded in
    // `reference` (may be null) and started at once. When no thread can be
    // started the worker is freed and the error is thrown on.
    static TThread_Update* Create(WindowId hFormHandle, UpdateCheckContext context,
                                  UpdateWorkerReference* reference, const Starter& starter = {});

    TThread_Update(WindowId hFormHandle, UpdateCheckContext context,
                   UpdateWorkerReference* reference);
    // Destroy: clears the main window's reference when it still names this
    // worker.
    ~TThread_Update() override;

    // Posts WM_SHOW_UPDATE_WINDOW to the main window, sleeps 3000 ms, checks,
    // and posts WM_UPDATE_RESULT (1 newer, 0 not) to the update window.
    void Execute() override;

    // Whether the site publishes a newer version than the running one. No
    // connection, a failed download and a missing file all give false; the
    // missing file also shows its "Warning" box (from this thread).
    bool CheckForNewVersion();

    // The running executable's version; on any failure the outputs keep the
    // values they had.
    void GetOwnFileVersion(std::uint16_t& major, std::uint16_t& minor, std::uint16_t& release,
                           std::uint16_t& build, std::u16string& text);

    WindowId hFormHandle() const { return hFormHandle_; }

  private:
    const WindowId hFormHandle_;
    UpdateCheckContext context_;
    UpdateWorkerReference* reference_;
};

}  // namespace purgeon
