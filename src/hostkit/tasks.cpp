// Scheduled tasks over the Task Scheduler 1.0 COM interfaces. Every call
// initialises COM on the calling thread, works, releases what it obtained and
// uninitialises again; nothing is kept between calls. Failed COM steps write
// a diagnostic line to standard output.
#include <windows.h>
// The Windows headers below build on <windows.h>.
#include <mstask.h>
#include <objbase.h>
#include <time.h>  // _mktime64

#include <ctime>
#include <memory>
#include <new>

#include "services.h"

namespace purgeon::hostkit {

namespace {

constexpr GUID kClsidTaskScheduler = {
    0x148BD52A, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
constexpr GUID kIidTaskScheduler = {
    0x148BD527, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
constexpr GUID kIidTask = {
    0x148BD524, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
constexpr GUID kClsidTask = {
    0x148BD520, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
constexpr GUID kIidPersistFile = {
    0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

constexpr WORD kTriggerSize = 48;
static_assert(sizeof(TASK_TRIGGER) == kTriggerSize, "the platform's trigger record");
constexpr DWORD kTaskRunOnlyIfLoggedOn = 0x2000;
constexpr DWORD kUserNameChars = 32767;
constexpr DWORD kDurationMinutes = 120;
constexpr WORD kAllMonths = 0x0FFF;
constexpr int kLastDayEveryMonthHas = 28;

void PrintFailure(const char* step, HRESULT hr) {
    PrintStdout("Failed calling %s: Error = 0x%x\n", step, static_cast<unsigned>(hr));
}

// CoInitialize for one call; CoUninitialize when it succeeded (S_FALSE, COM
// already initialised on this thread, counts and is balanced too).
class ComScope {
  public:
    ComScope() : hr_(CoInitialize(nullptr)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool ok() const { return SUCCEEDED(hr_); }

  private:
    HRESULT hr_;
};

// Owns one interface reference. Declared after the ComScope it depends on,
// so it is released before COM is uninitialised.
template <typename T>
class ComRef {
  public:
    ComRef() = default;
    ~ComRef() { Reset(); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    void Reset() {
        if (p_ != nullptr) p_->Release();
        p_ = nullptr;
    }
    T** Out() {
        Reset();
        return &p_;
    }
    template <typename U>
    U** OutAs() {
        return reinterpret_cast<U**>(Out());
    }
    T* operator->() const { return p_; }

  private:
    T* p_ = nullptr;
};

// The scheduler service reads a task file again each time it changes, and
// shares it for reading only while it does; a save or delete that meets such
// a read waits it out (the service treats its own opens the same way).
constexpr int kSharedFileTries = 20;
constexpr DWORD kSharedFileWaitMs = 100;

template <typename Call>
HRESULT RetryWhileShared(Call call) {
    HRESULT hr = call();
    for (int tries = 1;
         hr == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION) && tries < kSharedFileTries; ++tries) {
        Sleep(kSharedFileWaitMs);
        hr = call();
    }
    return hr;
}

bool CreateScheduler(const ComScope& com, ComRef<ITaskScheduler>& scheduler) {
    return com.ok() &&
           SUCCEEDED(CoCreateInstance(kClsidTaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                      kIidTaskScheduler, scheduler.OutAs<void>()));
}

TASK_TRIGGER NewTrigger(TASK_TRIGGER_TYPE type, int hour, int minute) {
    TASK_TRIGGER trigger{};
    trigger.cbTriggerSize = kTriggerSize;
    trigger.TriggerType = type;
    trigger.wStartHour = static_cast<WORD>(hour);
    trigger.wStartMinute = static_cast<WORD>(minute);
    return trigger;
}

void SetBeginDate(TASK_TRIGGER& trigger, int year, int month, int day) {
    trigger.wBeginYear = static_cast<WORD>(year);
    trigger.wBeginMonth = static_cast<WORD>(month);
    trigger.wBeginDay = static_cast<WORD>(day);
}

void SetBeginToday(TASK_TRIGGER& trigger) {
    SYSTEMTIME today;
    GetLocalTime(&today);
    SetBeginDate(trigger, today.wYear, today.wMonth, today.wDay);
}

// Opens the task of that name, or makes a new one, adds `trigger` to it and
// saves it. An existing task keeps its earlier triggers. With `in_range`
// false the trigger is added in memory only and nothing is saved.
int AddTrigger(const wchar_t* task_name, const wchar_t* program_path, const TASK_TRIGGER& trigger,
               bool in_range = true) {
    ComScope com;
    ComRef<ITaskScheduler> scheduler;
    if (!CreateScheduler(com, scheduler)) return 0;

    ComRef<ITask> task;
    HRESULT hr = scheduler->Activate(task_name, kIidTask, task.OutAs<IUnknown>());
    if (FAILED(hr)) {
        PrintFailure("ITaskScheduler::Activate", hr);
        hr = scheduler->NewWorkItem(task_name, kClsidTask, kIidTask, task.OutAs<IUnknown>());
        if (FAILED(hr)) {
            PrintFailure("ITaskScheduler::NewWorkItem", hr);
            return 0;
        }
    }
    scheduler.Reset();

    WORD index = 0;
    ComRef<ITaskTrigger> new_trigger;
    hr = task->CreateTrigger(&index, new_trigger.Out());
    if (FAILED(hr)) {
        PrintFailure("ITask::CreateTrigger", hr);
        return 0;
    }
    if (!in_range) return 0;
    TASK_TRIGGER record = trigger;
    hr = new_trigger->SetTrigger(&record);
    if (FAILED(hr)) {
        PrintFailure("ITaskTrigger::SetTrigger", hr);
        return 0;
    }

    // The results of these settings are not checked: Save decides.
    task->SetFlags(kTaskRunOnlyIfLoggedOn);
    std::unique_ptr<wchar_t[]> user(new (std::nothrow) wchar_t[kUserNameChars]());
    DWORD user_chars = kUserNameChars;
    if (user != nullptr && !GetUserNameW(user.get(), &user_chars)) user[0] = L'\0';
    task->SetAccountInformation(user != nullptr ? user.get() : L"", nullptr);
    task->SetApplicationName(program_path);

    ComRef<IPersistFile> file;
    hr = task->QueryInterface(kIidPersistFile, file.OutAs<void>());
    if (SUCCEEDED(hr)) hr = RetryWhileShared([&] { return file->Save(nullptr, TRUE); });
    if (FAILED(hr)) {
        PrintFailure("IPersistFile::Save", hr);
        return 0;
    }
    PrintStdout("The trigger was create and IPersistFile::Save was \n");
    PrintStdout("called to save the new trigger to disk.\n");
    return 1;
}

}  // namespace

// Null names and paths are refused in every creating function, not only where
// callers are told to expect it: COM is not touched for them.

int __stdcall Task_CreateWeekly(const wchar_t* task_name, const wchar_t* program_path, int day,
                                int month, int year, int hour, int minute) {
    if (task_name == nullptr || program_path == nullptr) return 0;
    TASK_TRIGGER trigger = NewTrigger(TASK_TIME_TRIGGER_WEEKLY, hour, minute);
    SetBeginDate(trigger, year, month, day);
    trigger.MinutesDuration = kDurationMinutes;
    trigger.Type.Weekly.WeeksInterval = 1;
    // The begin date must be a local calendar time (seconds 0) that has a time
    // stamp; its weekday gives the day-of-week bit.
    bool in_range = year >= 1900 && month >= 1 && month <= 12 && day >= 1 && day <= 31 &&
                    hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59;
    if (in_range) {
        std::tm local{};
        local.tm_year = year - 1900;
        local.tm_mon = month - 1;
        local.tm_mday = day;
        local.tm_hour = hour;
        local.tm_min = minute;
        local.tm_isdst = -1;
        // 64-bit time stamps: 32-bit msvcrt builds would otherwise stop in 2038.
        in_range = _mktime64(&local) != static_cast<__time64_t>(-1) && local.tm_wday >= 0 &&
                   local.tm_wday <= 6;
        if (in_range) trigger.Type.Weekly.rgfDaysOfTheWeek = static_cast<WORD>(1u << local.tm_wday);
    }
    return AddTrigger(task_name, program_path, trigger, in_range);
}

int __stdcall Task_CreateMonthly(const wchar_t* task_name, const wchar_t* program_path, int day,
                                 int month, int year, int hour, int minute) {
    if (task_name == nullptr || program_path == nullptr) return 0;
    TASK_TRIGGER trigger = NewTrigger(TASK_TIME_TRIGGER_MONTHLYDATE, hour, minute);
    SetBeginDate(trigger, year, month, day);
    trigger.MinutesDuration = kDurationMinutes;
    // Days after the 28th are not in every month: they become the 28th. A day
    // below 1 names no day (an empty mask, for SetTrigger to judge).
    const int mask_day = day > kLastDayEveryMonthHas ? kLastDayEveryMonthHas : day;
    trigger.Type.MonthlyDate.rgfDays = mask_day >= 1 ? 1u << (mask_day - 1) : 0;
    trigger.Type.MonthlyDate.rgfMonths = kAllMonths;
    return AddTrigger(task_name, program_path, trigger);
}

int __stdcall Task_CreateOnce(const wchar_t* task_name, const wchar_t* program_path, int year,
                              int month, int day, int hour, int minute) {
    if (task_name == nullptr || program_path == nullptr) return 0;
    TASK_TRIGGER trigger = NewTrigger(TASK_TIME_TRIGGER_ONCE, hour, minute);
    SetBeginDate(trigger, year, month, day);
    return AddTrigger(task_name, program_path, trigger);
}

int __stdcall Task_CreateWeeklyOnDays(const wchar_t* task_name, const wchar_t* program_path,
                                      int days_of_week, int hour, int minute) {
    if (task_name == nullptr || program_path == nullptr) return 0;
    TASK_TRIGGER trigger = NewTrigger(TASK_TIME_TRIGGER_WEEKLY, hour, minute);
    SetBeginToday(trigger);
    trigger.Type.Weekly.WeeksInterval = 1;
    trigger.Type.Weekly.rgfDaysOfTheWeek = static_cast<WORD>(days_of_week);
    return AddTrigger(task_name, program_path, trigger);
}

int __stdcall Task_CreateDaily(const wchar_t* task_name, const wchar_t* program_path, int hour,
                               int minute) {
    if (task_name == nullptr || program_path == nullptr) return 0;
    TASK_TRIGGER trigger = NewTrigger(TASK_TIME_TRIGGER_DAILY, hour, minute);
    SetBeginToday(trigger);
    trigger.Type.Daily.DaysInterval = 1;
    return AddTrigger(task_name, program_path, trigger);
}

int __stdcall Task_Delete(const wchar_t* task_name) {
    if (task_name == nullptr) return 0;
    ComScope com;
    ComRef<ITaskScheduler> scheduler;
    if (!CreateScheduler(com, scheduler)) return 0;
    const HRESULT hr = RetryWhileShared([&] { return scheduler->Delete(task_name); });
    if (FAILED(hr)) PrintFailure("ITaskScheduler::Delete", hr);
    return 1;
}

int __stdcall Task_GetTrigger(const wchar_t* task_name, TASK_TRIGGER* trigger, int* found) {
    if (task_name == nullptr || trigger == nullptr || found == nullptr) return 0;
    *found = 0;
    ComScope com;
    ComRef<ITaskScheduler> scheduler;
    if (!CreateScheduler(com, scheduler)) return 0;

    ComRef<ITask> task;
    HRESULT hr = scheduler->Activate(task_name, kIidTask, task.OutAs<IUnknown>());
    if (FAILED(hr)) {
        // No such task: an answer, not a failure.
        PrintFailure("ITaskScheduler::Activate", hr);
        return 1;
    }
    scheduler.Reset();

    ComRef<ITaskTrigger> first;
    if (FAILED(task->GetTrigger(0, first.Out()))) return 1;
    hr = first->GetTrigger(trigger);
    if (FAILED(hr)) {
        PrintFailure("ITaskTrigger::GetTrigger", hr);
        return 0;
    }
    *found = 1;
    return 1;
}

int __stdcall Task_TriggerToTime(const TASK_TRIGGER* trigger, SYSTEMTIME* time) {
    if (trigger == nullptr || time == nullptr) return 0;
    *time = SYSTEMTIME{};
    switch (trigger->TriggerType) {
        case TASK_TIME_TRIGGER_ONCE:
            time->wYear = trigger->wBeginYear;
            time->wMonth = trigger->wBeginMonth;
            time->wDay = trigger->wBeginDay;
            break;
        case TASK_TIME_TRIGGER_DAILY:
            break;
        case TASK_TIME_TRIGGER_WEEKLY:
            // A mask of days, not a weekday number.
            time->wDayOfWeek = trigger->Type.Weekly.rgfDaysOfTheWeek;
            break;
        default:
            return 0;
    }
    time->wHour = trigger->wStartHour;
    time->wMinute = trigger->wStartMinute;
    return 1;
}

int __stdcall Task_MaskHasDay(WORD mask, WORD day) {
    return (mask & day) != 0 ? 1 : 0;
}

}  // namespace purgeon::hostkit
