// layer_misc_test.cpp -- wsprintfA, timeGetTime, SetRect, MessageBoxA, threads, events and
// critical sections

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <string>

#include "support.h"

TEST(WsprintfA, FormatsAsUser32Does)
{
    char buffer[1024];
    struct Row {
        const char* name;
        std::string got;
        const char* expected;
    };
    auto format = [&](auto... args) {
        const int length = wsprintfA(buffer, args...);
        EXPECT_EQ(length, static_cast<int>(std::string(buffer).size()));
        return std::string(buffer);
    };
    const Row rows[] = {
        {"status line", format("%d Fps - %03d", 16, 60), "16 Fps - 060"},
        {"zero pads after the sign", format("%03d", -5), "-05"},
        {"wider than the pad", format("%03d", 12345), "12345"},
        {"int32 minimum", format("%d", INT32_MIN), "-2147483648"},
        {"unsigned and hex", format("%u %x %X %#x", 4000000000u, 255u, 255u, 255u), "4000000000 ff FF 0xff"},
        {"left justified", format("[%-4d][%4d]", 7, 7), "[7   ][   7]"},
        {"precision as minimum digits", format("%.3d", 7), "007"},
        {"strings", format("%s|%.2s|%5s|%-3s|", "abc", "abc", "ab", "x"), "abc|ab|   ab|x  |"},
        {"null string", format("%s", static_cast<const char*>(nullptr)), "(null)"},
        {"character and percent", format("%c%%", 'A'), "A%"},
        {"long prefix", format("%ld %hd", 5, 6), "5 6"},
        {"unknown conversion prints its letter", format("%q%d", 3), "q3"},
        {"Windows-1251 bytes pass through", format("\xCE\xF8\xE8\xE1\xEA\xE0 %s", "X"), "\xCE\xF8\xE8\xE1\xEA\xE0 X"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.got, row.expected);
    }
}

TEST(WsprintfA, StopsAt1023Characters)
{
    std::string longText(3000, 'x');
    std::vector<char> buffer(4096, '#');
    EXPECT_EQ(wsprintfA(buffer.data(), "%s%s", longText.c_str(), "tail"), 1023);
    EXPECT_EQ(buffer[1023], 0);
    EXPECT_EQ(buffer[1024], '#') << "nothing past the 1024-byte limit is written";
}

TEST(TimeGetTime, CountsMillisecondsOfTheSystemsUptimeInThirtyTwoBits)
{
    // The platform counts from the system's start; CLOCK_MONOTONIC does too. Read around the call,
    // the count must fall between the two readings, in milliseconds, cut to 32 bits. (The engine's
    // arithmetic across the wrap is tested where the frame-rate counter meets it.)
    auto uptimeMs = [] {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<uint64_t>(now.tv_sec) * 1000 + static_cast<uint64_t>(now.tv_nsec) / 1000000;
    };
    layer_use_real_time();
    for (int i = 0; i < 3; ++i) {
        const uint64_t before = uptimeMs();
        const DWORD counted = timeGetTime();
        const uint64_t after = uptimeMs();
        EXPECT_LE(static_cast<DWORD>(counted - static_cast<DWORD>(before)), after - before)
            << "timeGetTime " << counted << " outside the uptime " << before << " ... " << after << " ms";
    }
}

TEST(TimerCalls, PeriodsInRangeAndSleepMovesAHeldClock)
{
    EXPECT_EQ(timeBeginPeriod(0), static_cast<MMRESULT>(TIMERR_NOCANDO));
    EXPECT_EQ(timeBeginPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(timeEndPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_EQ(timeEndPeriod(0), static_cast<MMRESULT>(TIMERR_NOCANDO));
    EXPECT_EQ(timeBeginPeriod(65536), static_cast<MMRESULT>(TIMERR_NOCANDO));

    layer_set_time(0xFFFFFFF0u);
    Sleep(40);
    EXPECT_EQ(timeGetTime(), 0x18u) << "the held clock moved by the sleep, across the wrap";
    Sleep(0);
    EXPECT_EQ(timeGetTime(), 0x18u);
}

TEST(SetRect, StoresTheFourValuesUnchanged)
{
    RECT rect{};
    EXPECT_TRUE(SetRect(&rect, 30, 40, 10, -20));
    EXPECT_EQ(rect.left, 30);
    EXPECT_EQ(rect.top, 40);
    EXPECT_EQ(rect.right, 10);
    EXPECT_EQ(rect.bottom, -20);
    EXPECT_FALSE(SetRect(nullptr, 0, 0, 0, 0));
}

TEST(MessageBoxA, WithoutADisplayWritesCaptionAndTextInUtf8AndReturnsIdOk)
{
    // Under the dummy video driver there is nobody to press OK: the box goes to standard error
    // only, converted from Windows-1251, and the call returns at once.
    layer_capture_message_boxes(false);
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "\xCF\xF0\xE8\xE2\xE5\xF2", "Box", MB_OK), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Box: \xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\n");
}

namespace {

struct Shared {
    CRITICAL_SECTION section;
    HANDLE go = nullptr;
    long counter = 0;
};

// Waits for the go event, then adds to the counter under the section, taking it twice each time.
DWORD WINAPI CountUnderSection(LPVOID parameter)
{
    auto* shared = static_cast<Shared*>(parameter);
    if (WaitForSingleObject(shared->go, INFINITE) != WAIT_OBJECT_0)
        return 1;
    for (int i = 0; i < 20000; ++i) {
        EnterCriticalSection(&shared->section);
        EnterCriticalSection(&shared->section);
        ++shared->counter;
        LeaveCriticalSection(&shared->section);
        LeaveCriticalSection(&shared->section);
    }
    return 0;
}

}  // namespace

TEST(CreateThread, ThreadsEventsAndCriticalSectionsBehaveAsKernel32s)
{
    Shared shared;
    InitializeCriticalSection(&shared.section);
    shared.go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(shared.go, nullptr);
    EXPECT_EQ(WaitForSingleObject(shared.go, 20), WAIT_TIMEOUT) << "created unset";
    DWORD id = 0;
    HANDLE threads[2] = {CreateThread(nullptr, 0, CountUnderSection, &shared, 0, &id),
                         CreateThread(nullptr, 0, CountUnderSection, &shared, 0, nullptr)};
    ASSERT_NE(threads[0], nullptr);
    ASSERT_NE(threads[1], nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(WaitForSingleObject(threads[0], 20), WAIT_TIMEOUT) << "still waiting for the event";
    ASSERT_TRUE(SetEvent(shared.go));  // a manual-reset event lets both through
    for (HANDLE thread : threads) {
        EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
        EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0) << "an ended thread stays signalled";
        EXPECT_TRUE(CloseHandle(thread));
    }
    EXPECT_EQ(shared.counter, 40000) << "no increment lost: the section excludes the other thread";
    DeleteCriticalSection(&shared.section);

    HANDLE once = CreateEventA(nullptr, FALSE, TRUE, nullptr);  // auto-reset, created set
    EXPECT_EQ(WaitForSingleObject(once, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(once, 0), WAIT_TIMEOUT) << "an auto-reset event lets one wait through";
    ASSERT_TRUE(SetEvent(once));
    ASSERT_TRUE(ResetEvent(once));
    EXPECT_EQ(WaitForSingleObject(once, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(once));
    EXPECT_TRUE(CloseHandle(shared.go));
    EXPECT_FALSE(CloseHandle(shared.go));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WaitForSingleObject(shared.go, 0), WAIT_FAILED);
    EXPECT_FALSE(SetEvent(shared.go));
    EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
}
