// Hostkit's services as another program reaches them: Hostkit.dll loaded by
// name, every service called through the function table that InitDll_Hostkit
// returns, against Wine's real registry, Task Scheduler, shell and registry
// editor. The test program is 32-bit and runs under WOW64 in a 64-bit prefix
// (or is the 64-bit test build, which stands in for it).
#include <windows.h>
// The Windows headers below build on <windows.h>.
#include <gtest/gtest.h>
#include <mstask.h>
#include <objbase.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <cstring>
#include <cwctype>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "hostkit_services_support.h"

namespace purgeon::test {
namespace {

const HostkitDll& Dll() {
    return LoadHostkit();
}

template <typename Fn>
Fn Slot(int slot) {
    return Dll().Slot<Fn>(slot);
}

class HostkitServicesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(Dll().module, nullptr) << "LoadLibraryW(Hostkit.dll) failed";
        ASSERT_NE(Dll().table, nullptr) << "InitDll_Hostkit gave no table";
    }
};

// --- The table -------------------------------------------------------------------

TEST_F(HostkitServicesTest, EveryServiceSitsInItsSlotAndRemovesItsOwnArguments) {
    void* const* slots = Dll().table->slots;
    for (int slot = 0; slot < 32; ++slot) {
        const bool listed = slot <= 1 || (slot >= 3 && slot <= 25);
        EXPECT_EQ(slots[slot] != nullptr, listed) << "slot " << slot;
    }

    // Arguments that change nothing: null strings are refused before any
    // work, the import names a file that does not exist.
    static const wchar_t kMissingReg[] = L"C:\\PurgeonTest\\no-such-file.reg";
    const UINT_PTR missing_reg = reinterpret_cast<UINT_PTR>(kMissingReg);
    struct Case {
        int slot;
        std::vector<UINT_PTR> args;
        DWORD result;      // the whole register for int results
        bool byte_result;  // only the low byte is defined
    } cases[] = {
        {kSlotRunKeyDeleteValue, {0}, 0, false},
        {kSlotRunKeySetValue, {0, 0}, 0, false},
        {kSlotTaskCreateWeekly, {0, 0, 1, 1, 2021, 3, 15}, 0, false},
        {kSlotTaskCreateMonthly, {0, 0, 1, 1, 2021, 3, 15}, 0, false},
        {kSlotTaskDelete, {0}, 0, false},
        {kSlotTaskCreateOnce, {0, 0, 2031, 7, 14, 9, 30}, 0, false},
        {kSlotTaskGetTrigger, {0, 0, 0}, 0, false},
        {kSlotTaskCreateWeeklyOnDays, {0, 0, 0x2A, 22, 5}, 0, false},
        {kSlotTaskCreateDaily, {0, 0, 7, 55}, 0, false},
        {kSlotTaskTriggerToTime, {0, 0}, 0, false},
        {kSlotTaskMaskHasDay, {0x22, 0x02}, 1, false},
        {kSlotRegBackupImport, {missing_reg}, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "slot " << c.slot);
        ASSERT_NE(slots[c.slot], nullptr);
        std::string printed;
        const RawCallResult call =
            Captured(printed, [&] { return CallCountingPops(slots[c.slot], c.args); });
#ifndef _WIN64
        EXPECT_EQ(call.popped, 4 * c.args.size()) << "not stdcall";
#endif
        EXPECT_EQ(c.byte_result ? call.eax & 0xFF : call.eax, c.result);
        EXPECT_EQ(printed, "") << "refused calls write nothing";
    }
}

#ifdef _WIN64
TEST_F(HostkitServicesTest, EveryServiceRemovesItsOwnArguments) {
    GTEST_SKIP() << "stdcall's popped arguments: only a 32-bit process shows this, and this is "
                    "the 64-bit test build";
}
#endif

// Only a 32-bit process under WOW64 has file-system redirection to switch
// off and back on; the 64-bit test build sees the native system folder.
#ifdef _WIN64
constexpr bool kRedirectionSwitches = false;
TEST_F(HostkitServicesTest, RedirectionIsBackOnAfterEveryService) {
    GTEST_SKIP() << "WOW64 file-system redirection: only a 32-bit process shows this, and this is "
                    "the 64-bit test build";
}
#else
constexpr bool kRedirectionSwitches = true;
#endif

// --- Run key -----------------------------------------------------------------------

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

struct RegValue {
    bool exists = false;
    DWORD type = 0;
    std::vector<BYTE> data;
};

RegValue ReadRunValue(const std::wstring& name, REGSAM view) {
    RegValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_QUERY_VALUE | view, &key) !=
        ERROR_SUCCESS) {
        return value;
    }
    DWORD size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &value.type, nullptr, &size) ==
        ERROR_SUCCESS) {
        value.data.resize(size);
        value.exists = RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.data.data(),
                                        &size) == ERROR_SUCCESS;
        value.data.resize(size);
        // The service passes the count without the terminating zero, but the
        // registry itself stores one when the text in memory has it (NT does,
        // and Wine copies it). Compare the text only.
        if (size >= 2 && value.data[size - 1] == 0 && value.data[size - 2] == 0) {
            value.data.resize(size - 2);
        }
    }
    RegCloseKey(key);
    return value;
}

std::vector<BYTE> Utf16Bytes(const std::wstring& text) {
    auto bytes = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(bytes, bytes + text.size() * sizeof(wchar_t));
}

class RunKeyTest : public HostkitServicesTest {
  protected:
    void SetUp() override {
        HostkitServicesTest::SetUp();
        set_ = Slot<RunKey_SetValue_Fn>(kSlotRunKeySetValue);
        delete_ = Slot<RunKey_DeleteValue_Fn>(kSlotRunKeyDeleteValue);
        name_ = L"PurgeonServicesTest" + std::to_wstring(GetCurrentProcessId());
    }
    void TearDown() override {
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE | view, &key) ==
                ERROR_SUCCESS) {
                RegDeleteValueW(key, name_.c_str());
                RegCloseKey(key);
            }
        }
    }
    RunKey_SetValue_Fn set_ = nullptr;
    RunKey_DeleteValue_Fn delete_ = nullptr;
    std::wstring name_;
};

TEST_F(RunKeyTest, SetsACommandInTheViewOfA32BitProgram) {
    const std::wstring command = L"\"C:\\PurgeonTest\\no such program.exe\" /quiet";
    ASSERT_EQ(set_(name_.c_str(), command.c_str()), 1);

    const RegValue value = ReadRunValue(name_, KEY_WOW64_32KEY);
    ASSERT_TRUE(value.exists);
    EXPECT_EQ(value.type, DWORD(REG_SZ));
    EXPECT_EQ(value.data, Utf16Bytes(command));
    // The plain access mask of a 32-bit process opens the 32-bit view only.
    EXPECT_FALSE(ReadRunValue(name_, KEY_WOW64_64KEY).exists);

    // Setting again replaces the command.
    ASSERT_EQ(set_(name_.c_str(), L"C:\\PurgeonTest\\other.exe"), 1);
    EXPECT_EQ(ReadRunValue(name_, KEY_WOW64_32KEY).data, Utf16Bytes(L"C:\\PurgeonTest\\other.exe"));
}

TEST_F(RunKeyTest, AnEmptyOrMissingArgumentGivesZeroAndChangesNothing) {
    ASSERT_EQ(set_(name_.c_str(), L"C:\\PurgeonTest\\kept.exe"), 1);
    EXPECT_EQ(set_(name_.c_str(), L""), 0);
    EXPECT_EQ(set_(name_.c_str(), nullptr), 0);
    EXPECT_EQ(set_(nullptr, L"C:\\PurgeonTest\\x.exe"), 0);
    EXPECT_EQ(ReadRunValue(name_, KEY_WOW64_32KEY).data, Utf16Bytes(L"C:\\PurgeonTest\\kept.exe"));

    const std::wstring fresh = name_ + L"Empty";
    EXPECT_EQ(set_(fresh.c_str(), L""), 0);
    EXPECT_FALSE(ReadRunValue(fresh, KEY_WOW64_32KEY).exists) << "an empty command writes nothing";
}

TEST_F(RunKeyTest, DeletesAValueAndCountsAMissingOneAsDeleted) {
    ASSERT_EQ(set_(name_.c_str(), L"C:\\PurgeonTest\\x.exe"), 1);
    EXPECT_EQ(delete_(name_.c_str()), 1);
    EXPECT_FALSE(ReadRunValue(name_, KEY_WOW64_32KEY).exists);
    EXPECT_EQ(delete_(name_.c_str()), 1) << "already gone counts as deleted";
    EXPECT_EQ(delete_(nullptr), 0);
}

// --- Scheduled tasks -------------------------------------------------------------------

// A program that does not exist: Wine runs due tasks while its server lives.
constexpr wchar_t kNoProgram[] = L"C:\\PurgeonTest\\no-such-program.exe";
constexpr char kActivateMissing[] = "Failed calling ITaskScheduler::Activate: Error = 0x80070002\n";
constexpr char kSaved[] =
    "The trigger was create and IPersistFile::Save was \n"
    "called to save the new trigger to disk.\n";

std::wstring JobFile(const std::wstring& task) {
    return WindowsFolder() + L"\\Tasks\\" + task + L".job";
}

// The number of triggers a saved task has, read with Task Scheduler 1.0
// directly; -1 when the task cannot be opened.
int SavedTriggerCount(const std::wstring& task) {
    int count = -1;
    const HRESULT init = CoInitialize(nullptr);
    ITaskScheduler* scheduler = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ITaskScheduler, reinterpret_cast<void**>(&scheduler)))) {
        ITask* job = nullptr;
        if (SUCCEEDED(
                scheduler->Activate(task.c_str(), IID_ITask, reinterpret_cast<IUnknown**>(&job)))) {
            WORD triggers = 0;
            if (SUCCEEDED(job->GetTriggerCount(&triggers))) count = triggers;
            job->Release();
        }
        scheduler->Release();
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return count;
}

class TaskTest : public HostkitServicesTest {
  public:  // the case tables below call the slots through the fixture
    void SetUp() override {
        HostkitServicesTest::SetUp();
        create_weekly_ = Slot<Task_CreateWeekly_Fn>(kSlotTaskCreateWeekly);
        create_monthly_ = Slot<Task_CreateMonthly_Fn>(kSlotTaskCreateMonthly);
        create_once_ = Slot<Task_CreateOnce_Fn>(kSlotTaskCreateOnce);
        create_weekly_on_days_ = Slot<Task_CreateWeeklyOnDays_Fn>(kSlotTaskCreateWeeklyOnDays);
        create_daily_ = Slot<Task_CreateDaily_Fn>(kSlotTaskCreateDaily);
        delete_ = Slot<Task_Delete_Fn>(kSlotTaskDelete);
        get_trigger_ = Slot<Task_GetTrigger_Fn>(kSlotTaskGetTrigger);
        to_time_ = Slot<Task_TriggerToTime_Fn>(kSlotTaskTriggerToTime);
    }
    // Every task a test named is deleted again, and proven gone.
    void TearDown() override {
        for (const std::wstring& task : tasks_) {
            if (GetFileAttributesW(JobFile(task).c_str()) == INVALID_FILE_ATTRIBUTES) continue;
            std::string printed;
            EXPECT_EQ(Captured(printed, [&] { return delete_(task.c_str()); }), 1);
            EXPECT_EQ(GetFileAttributesW(JobFile(task).c_str()), INVALID_FILE_ATTRIBUTES)
                << Narrow(task) << " left behind; Task_Delete said: " << printed;
        }
    }
    // Unique within the run, so a task one test leaves behind cannot pass
    // for another test's.
    std::wstring NewTaskName() {
        static int made = 0;
        tasks_.push_back(L"PurgeonServicesTest " + std::to_wstring(GetCurrentProcessId()) + L" " +
                         std::to_wstring(made++));
        return tasks_.back();
    }
    // Task_GetTrigger: {result, found, trigger}.
    struct Read {
        int result;
        int found;
        TASK_TRIGGER trigger;
    };
    Read ReadTrigger(const std::wstring& task) {
        Read read{-1, -1, {}};
        read.result = get_trigger_(task.c_str(), &read.trigger, &read.found);
        return read;
    }

    Task_CreateWeekly_Fn create_weekly_ = nullptr;
    Task_CreateMonthly_Fn create_monthly_ = nullptr;
    Task_CreateOnce_Fn create_once_ = nullptr;
    Task_CreateWeeklyOnDays_Fn create_weekly_on_days_ = nullptr;
    Task_CreateDaily_Fn create_daily_ = nullptr;
    Task_Delete_Fn delete_ = nullptr;
    Task_GetTrigger_Fn get_trigger_ = nullptr;
    Task_TriggerToTime_Fn to_time_ = nullptr;
    std::vector<std::wstring> tasks_;
};

TEST_F(TaskTest, EachCreatedTaskReadsBackTheTriggerThatWasAsked) {
    SYSTEMTIME today;
    GetLocalTime(&today);
    struct Expected {
        TASK_TRIGGER_TYPE type;
        WORD year, month, day;  // begin date; 0 = today
        WORD hour, minute;
        DWORD duration;
        WORD interval;        // days or weeks
        WORD days_of_week;    // weekly
        DWORD days_of_month;  // monthly
        WORD months;
    };
    struct Case {
        const char* what;
        int (*create)(TaskTest&, const wchar_t* name);
        Expected expected;
    } cases[] = {
        {"once on 14 July 2031, year-month-day order",
         [](TaskTest& t, const wchar_t* n) {
             return t.create_once_(n, kNoProgram, 2031, 7, 14, 9, 30);
         },
         {TASK_TIME_TRIGGER_ONCE, 2031, 7, 14, 9, 30, 0, 0, 0, 0, 0}},
        {"weekly from Friday 1 January 2021, day-month-year order",
         [](TaskTest& t, const wchar_t* n) {
             return t.create_weekly_(n, kNoProgram, 1, 1, 2021, 3, 15);
         },
         {TASK_TIME_TRIGGER_WEEKLY, 2021, 1, 1, 3, 15, 120, 1, 0x20, 0, 0}},
        {"weekly from Saturday 31 December 2039, past 32-bit time stamps",
         [](TaskTest& t, const wchar_t* n) {
             return t.create_weekly_(n, kNoProgram, 31, 12, 2039, 23, 59);
         },
         {TASK_TIME_TRIGGER_WEEKLY, 2039, 12, 31, 23, 59, 120, 1, 0x40, 0, 0}},
        {"weekly from Sunday 2 January 2033",
         [](TaskTest& t, const wchar_t* n) {
             return t.create_weekly_(n, kNoProgram, 2, 1, 2033, 0, 0);
         },
         {TASK_TIME_TRIGGER_WEEKLY, 2033, 1, 2, 0, 0, 120, 1, 0x01, 0, 0}},
        {"monthly on day 31 becomes day 28",
         [](TaskTest& t, const wchar_t* n) {
             return t.create_monthly_(n, kNoProgram, 31, 5, 2030, 6, 45);
         },
         {TASK_TIME_TRIGGER_MONTHLYDATE, 2030, 5, 31, 6, 45, 120, 0, 0, 1u << 27, 0x0FFF}},
        {"monthly on day 5",
         [](TaskTest& t, const wchar_t* n) {
             return t.create_monthly_(n, kNoProgram, 5, 11, 2030, 0, 0);
         },
         {TASK_TIME_TRIGGER_MONTHLYDATE, 2030, 11, 5, 0, 0, 120, 0, 0, 1u << 4, 0x0FFF}},
        {"weekly on Monday, Wednesday and Friday from today",
         [](TaskTest& t, const wchar_t* n) {
             return t.create_weekly_on_days_(n, kNoProgram, 0x2A, 22, 5);
         },
         {TASK_TIME_TRIGGER_WEEKLY, 0, 0, 0, 22, 5, 0, 1, 0x2A, 0, 0}},
        {"daily from today",
         [](TaskTest& t, const wchar_t* n) { return t.create_daily_(n, kNoProgram, 7, 55); },
         {TASK_TIME_TRIGGER_DAILY, 0, 0, 0, 7, 55, 0, 1, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring task = NewTaskName();
        std::string printed;
        const int created = Captured(printed, [&] { return c.create(*this, task.c_str()); });
        ASSERT_EQ(created, 1);
        // A new task: opening it fails first, then the new one is saved.
        EXPECT_EQ(printed, std::string(kActivateMissing) + kSaved);
        EXPECT_NE(GetFileAttributesW(JobFile(task).c_str()), INVALID_FILE_ATTRIBUTES);

        const Read read = Captured(printed, [&] { return ReadTrigger(task); });
        EXPECT_EQ(printed, "");
        ASSERT_EQ(read.result, 1);
        ASSERT_EQ(read.found, 1);
        const TASK_TRIGGER& t = read.trigger;
        const Expected& e = c.expected;
        EXPECT_EQ(t.cbTriggerSize, 48);
        EXPECT_EQ(t.TriggerType, e.type);
        const bool today_begins = e.year == 0;
        EXPECT_EQ(t.wBeginYear, today_begins ? today.wYear : e.year);
        EXPECT_EQ(t.wBeginMonth, today_begins ? today.wMonth : e.month);
        EXPECT_EQ(t.wBeginDay, today_begins ? today.wDay : e.day);
        EXPECT_EQ(t.wStartHour, e.hour);
        EXPECT_EQ(t.wStartMinute, e.minute);
        EXPECT_EQ(t.MinutesDuration, e.duration);
        EXPECT_EQ(t.MinutesInterval, 0u);
        switch (e.type) {
            case TASK_TIME_TRIGGER_DAILY:
                EXPECT_EQ(t.Type.Daily.DaysInterval, e.interval);
                break;
            case TASK_TIME_TRIGGER_WEEKLY:
                EXPECT_EQ(t.Type.Weekly.WeeksInterval, e.interval);
                EXPECT_EQ(t.Type.Weekly.rgfDaysOfTheWeek, e.days_of_week);
                break;
            case TASK_TIME_TRIGGER_MONTHLYDATE:
                EXPECT_EQ(t.Type.MonthlyDate.rgfDays, e.days_of_month);
                EXPECT_EQ(t.Type.MonthlyDate.rgfMonths, e.months);
                break;
            default:
                break;
        }

        // The time record: the date only for a once trigger, the day-of-week
        // mask only for a weekly one; monthly triggers have none.
        SYSTEMTIME time;
        std::memset(&time, 0xAB, sizeof(time));
        const int converted = to_time_(&t, &time);
        const bool monthly = e.type == TASK_TIME_TRIGGER_MONTHLYDATE;
        EXPECT_EQ(converted, monthly ? 0 : 1);
        const bool once = e.type == TASK_TIME_TRIGGER_ONCE;
        EXPECT_EQ(time.wYear, once ? e.year : 0);
        EXPECT_EQ(time.wMonth, once ? e.month : 0);
        EXPECT_EQ(time.wDay, once ? e.day : 0);
        EXPECT_EQ(time.wDayOfWeek, e.type == TASK_TIME_TRIGGER_WEEKLY ? e.days_of_week : 0);
        EXPECT_EQ(time.wHour, monthly ? 0 : e.hour);
        EXPECT_EQ(time.wMinute, monthly ? 0 : e.minute);
        EXPECT_EQ(time.wSecond, 0);
        EXPECT_EQ(time.wMilliseconds, 0);
    }
}

TEST_F(TaskTest, ASecondCreationUnderTheSameNameAddsATrigger) {
    const std::wstring task = NewTaskName();
    std::string printed;
    ASSERT_EQ(Captured(printed,
                       [&] { return create_once_(task.c_str(), kNoProgram, 2032, 2, 29, 12, 0); }),
              1);
    EXPECT_EQ(printed, std::string(kActivateMissing) + kSaved);
    ASSERT_EQ(Captured(printed, [&] { return create_daily_(task.c_str(), kNoProgram, 4, 20); }), 1);
    EXPECT_EQ(printed, kSaved) << "the existing task is opened";
    EXPECT_EQ(SavedTriggerCount(task), 2);

    // Task_GetTrigger reads the first one.
    const Read read = ReadTrigger(task);
    ASSERT_EQ(read.found, 1);
    EXPECT_EQ(read.trigger.TriggerType, TASK_TIME_TRIGGER_ONCE);
    EXPECT_EQ(read.trigger.wBeginDay, 29);
}

TEST_F(TaskTest, DeleteRemovesTheTaskAndAnUnknownTaskIsNotFound) {
    const std::wstring task = NewTaskName();
    std::string printed;
    ASSERT_EQ(
        Captured(printed, [&] { return create_once_(task.c_str(), kNoProgram, 2031, 1, 2, 3, 4); }),
        1);
    ASSERT_EQ(SavedTriggerCount(task), 1);

    EXPECT_EQ(Captured(printed, [&] { return delete_(task.c_str()); }), 1);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(GetFileAttributesW(JobFile(task).c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(SavedTriggerCount(task), -1);

    // Now unknown: found 0 with result 1, and the failed open on standard output.
    const Read read = Captured(printed, [&] { return ReadTrigger(task); });
    EXPECT_EQ(printed, kActivateMissing);
    EXPECT_EQ(read.result, 1);
    EXPECT_EQ(read.found, 0);

    // Deleting it again still gives 1 (the scheduler was there) and says why.
    EXPECT_EQ(Captured(printed, [&] { return delete_(task.c_str()); }), 1);
    EXPECT_EQ(printed, "Failed calling ITaskScheduler::Delete: Error = 0x80070002\n");
}

// The scheduler service reads a task file each time it changes, sharing it
// for reading only. A save or delete that meets such a read must wait for it,
// not fail and leave the task as it was.
TEST_F(TaskTest, ASaveOrDeleteDuringTheServicesReadWaitsForIt) {
    const std::wstring task = NewTaskName();
    std::string printed;
    ASSERT_EQ(
        Captured(printed, [&] { return create_once_(task.c_str(), kNoProgram, 2031, 3, 4, 5, 6); }),
        1);
    // Opens the file as the service does and lets it go 300 ms later.
    auto hold_while = [&](auto&& call) {
        HANDLE held = CreateFileW(JobFile(task).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(held, INVALID_HANDLE_VALUE);
        std::thread release([held] {
            Sleep(300);
            CloseHandle(held);
        });
        const int result = Captured(printed, call);
        release.join();
        return result;
    };

    EXPECT_EQ(hold_while([&] { return create_daily_(task.c_str(), kNoProgram, 4, 20); }), 1);
    EXPECT_EQ(printed, kSaved);
    EXPECT_EQ(SavedTriggerCount(task), 2);

    EXPECT_EQ(hold_while([&] { return delete_(task.c_str()); }), 1);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(GetFileAttributesW(JobFile(task).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(TaskTest, WeeklyRefusesADateOrTimeOutOfRangeAndSavesNothing) {
    struct Case {
        int day, month, year, hour, minute;
    } cases[] = {
        {0, 1, 2030, 1, 1},  {32, 1, 2030, 1, 1},   {1, 0, 2030, 1, 1},  {1, 13, 2030, 1, 1},
        {1, 1, 1899, 1, 1},  {1, 1, 2030, -1, 1},   {1, 1, 2030, 24, 1}, {1, 1, 2030, 1, -1},
        {1, 1, 2030, 1, 60}, {31, 12, 1969, 12, 0},  // before time stamps begin
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.day << "." << c.month << "." << c.year << " "
                                          << c.hour << ":" << c.minute);
        const std::wstring task = NewTaskName();
        std::string printed;
        EXPECT_EQ(Captured(printed,
                           [&] {
                               return create_weekly_(task.c_str(), kNoProgram, c.day, c.month,
                                                     c.year, c.hour, c.minute);
                           }),
                  0);
        EXPECT_EQ(printed, kActivateMissing) << "nothing saved, nothing more said";
        EXPECT_EQ(GetFileAttributesW(JobFile(task).c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST_F(TaskTest, TriggerToTimeAndMaskHasDayWorkOnRecordsAlone) {
    TASK_TRIGGER monthly_dow{};
    monthly_dow.TriggerType = TASK_TIME_TRIGGER_MONTHLYDOW;
    TASK_TRIGGER idle{};
    idle.TriggerType = TASK_EVENT_TRIGGER_ON_IDLE;
    SYSTEMTIME time;
    for (const TASK_TRIGGER* trigger : {&monthly_dow, &idle}) {
        std::memset(&time, 0xAB, sizeof(time));
        EXPECT_EQ(to_time_(trigger, &time), 0);
        EXPECT_EQ(time.wYear | time.wMonth | time.wDay | time.wHour | time.wDayOfWeek, 0)
            << "zeroed before the type is looked at";
    }
    EXPECT_EQ(to_time_(nullptr, &time), 0);
    EXPECT_EQ(to_time_(&idle, nullptr), 0);

    auto has_day = Slot<Task_MaskHasDay_Fn>(kSlotTaskMaskHasDay);
    struct Case {
        WORD mask, day;
        int expected;
    } cases[] = {{0x2A, 0x02, 1},     {0x2A, 0x04, 0},     {0x7F, 0x40, 1},
                 {0x8000, 0x8000, 1}, {0x0000, 0x0001, 0}, {0x0041, 0x0041, 1}};
    for (const Case& c : cases)
        EXPECT_EQ(has_day(c.mask, c.day), c.expected) << c.mask << "&" << c.day;
}

TEST_F(TaskTest, NullArgumentsAreRefusedWithoutTouchingTheScheduler) {
    const std::wstring task = NewTaskName();
    TASK_TRIGGER trigger{};
    int found = 7;
    std::vector<int> results;
    std::string printed;
    Captured(printed, [&] {
        results = {create_once_(task.c_str(), nullptr, 2031, 1, 1, 1, 1),
                   create_once_(nullptr, kNoProgram, 2031, 1, 1, 1, 1),
                   create_weekly_on_days_(task.c_str(), nullptr, 1, 1, 1),
                   create_weekly_on_days_(nullptr, kNoProgram, 1, 1, 1),
                   get_trigger_(nullptr, &trigger, &found),
                   get_trigger_(task.c_str(), nullptr, &found)};
    });
    EXPECT_EQ(results, std::vector<int>(6, 0));
    EXPECT_EQ(found, 7) << "untouched when refused";
    EXPECT_EQ(printed, "") << "no scheduler call, so no diagnostic";
    EXPECT_EQ(GetFileAttributesW(JobFile(task).c_str()), INVALID_FILE_ATTRIBUTES);
}

// --- Registry backup -------------------------------------------------------------------

// A marker key under HKCU for one test, removed again at the end.
class RegBackupTest : public HostkitServicesTest {
  protected:
    void SetUp() override {
        HostkitServicesTest::SetUp();
        set_target_ = Slot<RegBackup_SetTarget_Fn>(kSlotRegBackupSetTarget);
        export_ = Slot<RegBackup_Export_Fn>(kSlotRegBackupExport);
        import_ = Slot<RegBackup_Import_Fn>(kSlotRegBackupImport);
        const std::wstring id = std::to_wstring(GetCurrentProcessId());
        marker_key_ = L"Software\\PurgeonTest\\RegBackup" + id;
        root_ = TempFolder() + L"purgeon-regbackup-" + id;
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, marker_key_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\PurgeonTest");  // only if empty
        DeleteTree(root_);
    }
    static void DeleteTree(const std::wstring& folder) {
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring path = folder + L"\\" + name;
                // Our own folders only; nothing here is a link.
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    DeleteTree(path);
                } else {
                    DeleteFileW(path.c_str());
                }
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        RemoveDirectoryW(folder.c_str());
    }
    static std::vector<std::wstring> FilesIn(const std::wstring& folder) {
        std::vector<std::wstring> files;
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return files;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                files.push_back(found.cFileName);
        } while (FindNextFileW(find, &found));
        FindClose(find);
        return files;
    }
    std::wstring MarkerValue() {
        wchar_t data[64] = L"";
        DWORD size = sizeof(data);
        if (RegGetValueW(HKEY_CURRENT_USER, marker_key_.c_str(), L"Marker", RRF_RT_REG_SZ, nullptr,
                         data, &size) != ERROR_SUCCESS) {
            return L"<missing>";
        }
        return data;
    }
    void SetMarker(const std::wstring& value) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, marker_key_.c_str(), L"Marker", REG_SZ,
                                  value.c_str(), DWORD((value.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }

    RegBackup_SetTarget_Fn set_target_ = nullptr;
    RegBackup_Export_Fn export_ = nullptr;
    RegBackup_Import_Fn import_ = nullptr;
    std::wstring marker_key_;
    std::wstring root_;
};

// "YYYYMMDDhhmmss" followed by a decimal tick count and ".reg".
bool IsGeneratedName(const std::wstring& name, const SYSTEMTIME& before, const SYSTEMTIME& after) {
    const std::wstring suffix = L".reg";
    if (name.size() <= 14 + suffix.size() || name.compare(name.size() - 4, 4, suffix) != 0)
        return false;
    const std::wstring digits = name.substr(0, name.size() - 4);
    for (size_t i = 0; i < digits.size(); ++i) {
        const bool sign = i == 14 && digits[i] == L'-' && digits.size() > 15;
        if (!std::iswdigit(digits[i]) && !sign) return false;
    }
    auto stamp = [](const SYSTEMTIME& t) {
        wchar_t text[16];
        swprintf(text, 16, L"%04u%02u%02u%02u%02u%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                 t.wMinute, t.wSecond);
        return std::wstring(text);
    };
    const std::wstring when = digits.substr(0, 14);
    return when >= stamp(before) && when <= stamp(after);
}

std::string ReadFileHead(const std::wstring& path, size_t bytes) {
    std::string head(bytes, '\0');
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    DWORD read = 0;
    ReadFile(file, head.data(), DWORD(bytes), &read, nullptr);
    CloseHandle(file);
    head.resize(read);
    return head;
}

TEST_F(RegBackupTest, ExportsToAGeneratedNameInACreatedFolderAndImportsItBack) {
    RedirectionProbe probe;
    ASSERT_TRUE(probe.ready());
    SetMarker(L"before");
    const std::wstring folder = root_ + L"\\two\\levels";
    ASSERT_EQ(set_target_(folder.c_str(), L""), 1);

    SYSTEMTIME before, after;
    GetLocalTime(&before);
    ASSERT_EQ(export_(), 1);
    GetLocalTime(&after);
    if (kRedirectionSwitches)
        EXPECT_TRUE(probe.RedirectionIsOn()) << "switched back on after the export";

    const std::vector<std::wstring> files = FilesIn(folder);
    ASSERT_EQ(files.size(), 1u) << "the missing folders were made and hold one export";
    const std::wstring name = files[0];
    EXPECT_TRUE(IsGeneratedName(name, before, after)) << Narrow(name);
    const std::wstring path = folder + L"\\" + name;
    // regedit writes UTF-16 with a byte-order mark.
    const std::string head = ReadFileHead(path, 2 + 2 * 36);
    std::string header;
    for (size_t i = 2; i + 1 < head.size(); i += 2) header += head[i];
    EXPECT_EQ(head.substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(header, "Windows Registry Editor Version 5.00");

    // The generated name is kept: the next export writes the same file.
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    ASSERT_EQ(export_(), 1);
    EXPECT_EQ(FilesIn(folder), std::vector<std::wstring>{name});

    // Import restores what the backup holds.
    SetMarker(L"after");
    ASSERT_EQ(import_(path.c_str()), 1);
    if (kRedirectionSwitches)
        EXPECT_TRUE(probe.RedirectionIsOn()) << "switched back on after the import";
    EXPECT_EQ(MarkerValue(), L"before");
}

TEST_F(RegBackupTest, ExportsToTheGivenFileName) {
    // The folder already ends with a separator.
    const std::wstring folder = root_ + L"\\given\\";
    ASSERT_EQ(set_target_(folder.c_str(), L"named.reg"), 1);
    ASSERT_EQ(export_(), 1);
    EXPECT_EQ(FilesIn(root_ + L"\\given"), std::vector<std::wstring>{L"named.reg"});
}

TEST_F(RegBackupTest, AnEmptyFolderIsStoredButReportedAndAMissingFileIsNotImported) {
    EXPECT_EQ(set_target_(L"", L"x.reg"), 0);
    EXPECT_EQ(set_target_(nullptr, nullptr), 0);
    EXPECT_EQ(set_target_(L"C:\\PurgeonTest", nullptr), 1);

    SetMarker(L"kept");
    EXPECT_EQ(import_((root_ + L"\\no-such-file.reg").c_str()), 0);
    EXPECT_EQ(import_(nullptr), 0);
    EXPECT_EQ(MarkerValue(), L"kept");
}

// --- Tool launchers -----------------------------------------------------------------------

std::set<DWORD> ProcessIds() {
    std::set<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    if (Process32FirstW(snapshot, &entry)) {
        do {
            ids.insert(entry.th32ProcessID);
        } while (Process32NextW(snapshot, &entry));
    }
    CloseHandle(snapshot);
    return ids;
}

// Ends the processes with one of `names` that were not running before: the
// tools this test started. Returns the names it found.
std::set<std::wstring> EndStartedTools(const std::set<DWORD>& before,
                                       const std::set<std::wstring>& names) {
    std::set<std::wstring> seen;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    if (Process32FirstW(snapshot, &entry)) {
        do {
            std::wstring name = entry.szExeFile;
            for (wchar_t& c : name) c = std::towlower(c);
            if (before.count(entry.th32ProcessID) || !names.count(name)) continue;
            seen.insert(name);
            if (HANDLE process =
                    OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID)) {
                TerminateProcess(process, 0);
                WaitForSingleObject(process, 5000);
                CloseHandle(process);
            }
        } while (Process32NextW(snapshot, &entry));
    }
    CloseHandle(snapshot);
    return seen;
}

// Makes a file in the 64-bit System32 (with redirection off) or in SysWOW64,
// and removes it again.
class PlantedFile {
  public:
    PlantedFile(const std::wstring& folder, const std::wstring& name)
        : path_(WindowsFolder() + L"\\" + folder + L"\\" + name) {
        PVOID saved = nullptr;
        const BOOL off = Wow64DisableWow64FsRedirection(&saved);
        HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        made_ = file != INVALID_HANDLE_VALUE;
        if (made_) CloseHandle(file);
        if (off) Wow64RevertWow64FsRedirection(saved);
    }
    ~PlantedFile() {
        PVOID saved = nullptr;
        const BOOL off = Wow64DisableWow64FsRedirection(&saved);
        if (made_) DeleteFileW(path_.c_str());
        if (off) Wow64RevertWow64FsRedirection(saved);
    }
    bool made() const { return made_; }

  private:
    std::wstring path_;
    bool made_ = false;
};

TEST_F(HostkitServicesTest, ToolsMissingFromThisWindowsGiveFalseWithRedirectionBackOn) {
    // A fresh Wine prefix has none of these tools. Nothing is launched.
    RedirectionProbe probe;
    ASSERT_TRUE(probe.ready());
    MessageBoxAnswerer boxes;
    const int slots[] = {kSlotToolRunSystemInformation,  kSlotToolRunSystemConfiguration,
                         kSlotToolRunDiskCleanup,        kSlotToolRunDefragmenter,
                         kSlotToolRunComputerManagement, kSlotToolRunSystemRestore,
                         kSlotToolRunGroupPolicyEditor};
    for (int slot : slots) {
        const BYTE result = Slot<Tool_Run_Fn>(slot)();
        EXPECT_EQ(result, 0) << "slot " << slot;
        if (kRedirectionSwitches) EXPECT_TRUE(probe.RedirectionIsOn()) << "slot " << slot;
    }
    EXPECT_TRUE(boxes.Take().empty());
}

TEST_F(HostkitServicesTest, ToolsAreLookedForInThe64BitSystemFolder) {
    // The same file name in the other folder: only the one in the real (64-bit)
    // System32 counts, so the check ran with redirection off. Opening a .msc
    // file fails quietly here (no snap-in host), which the launcher ignores.
    RedirectionProbe probe;
    ASSERT_TRUE(probe.ready());
    MessageBoxAnswerer boxes;
    {
        PlantedFile only_32bit(L"SysWOW64", L"gpedit.msc");
        ASSERT_TRUE(only_32bit.made());
        EXPECT_EQ(Slot<Tool_Run_Fn>(kSlotToolRunGroupPolicyEditor)(), 0);
    }
    {
        PlantedFile only_64bit(L"System32", L"gpedit.msc");
        ASSERT_TRUE(only_64bit.made());
        EXPECT_EQ(Slot<Tool_Run_Fn>(kSlotToolRunGroupPolicyEditor)(), 1);
    }
    if (kRedirectionSwitches) EXPECT_TRUE(probe.RedirectionIsOn());
    EXPECT_TRUE(boxes.Take().empty());
}

TEST_F(HostkitServicesTest, ToolsPresentOnThisWindowsAreStarted) {
    // Wine has a registry editor and DirectX diagnostics, and reports
    // Windows 7, so Backup takes the Vista road (control.exe) although
    // ntbackup.exe is missing. What these programs show is Wine's business;
    // the test ends every tool process it started (a tool may start a second
    // process of its own a little later, so it keeps looking for a while).
    RedirectionProbe probe;
    ASSERT_TRUE(probe.ready());
    MessageBoxAnswerer boxes;
    struct Case {
        int slot;
        const wchar_t* started;  // a process that must appear, if any
    } cases[] = {
        {kSlotToolRunRegistryEditor, L"regedit.exe"},
        {kSlotToolRunDxDiag, nullptr},  // may end on its own before we look
        {kSlotToolRunBackup, nullptr},
    };
    const std::set<std::wstring> tools = {L"regedit.exe", L"dxdiag.exe", L"control.exe",
                                          L"rundll32.exe", L"ntbackup.exe"};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "slot " << c.slot);
        const std::set<DWORD> before = ProcessIds();
        EXPECT_EQ(Slot<Tool_Run_Fn>(c.slot)(), 1);
        if (kRedirectionSwitches) EXPECT_TRUE(probe.RedirectionIsOn());
        std::set<std::wstring> seen;
        DWORD quiet_since = GetTickCount();
        const DWORD start = quiet_since;
        while (GetTickCount() - quiet_since < 1500 && GetTickCount() - start < 15000) {
            const std::set<std::wstring> ended = EndStartedTools(before, tools);
            if (!ended.empty()) quiet_since = GetTickCount();
            seen.insert(ended.begin(), ended.end());
            if (c.started != nullptr && !seen.count(c.started)) quiet_since = GetTickCount();
            Sleep(100);
        }
        if (c.started != nullptr) {
            EXPECT_EQ(seen.count(c.started), 1u);
        }
    }
    boxes.Take();
}

}  // namespace
}  // namespace purgeon::test
