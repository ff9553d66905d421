// layer_faults_test.cpp -- the layer's fault injection: only real call names, and the last error
// set as the platform sets it

#include <gtest/gtest.h>

#include "support.h"

TEST(Faults, ANameNoCallHasEndsTheTest)
{
    // Such a test would pass without anything failing.
    EXPECT_DEATH(layer_fail_call("CreateFileW"), "CreateFileW");
    EXPECT_DEATH(layer_fail_call("IDirectDrawSurface7::Flip"), "Flip");
    EXPECT_DEATH(layer_fail_call("createfilea"), "createfilea");
}

TEST(Faults, CallsWithoutAnHresultSetTheLastError)
{
    constexpr DWORD Code = ERROR_NOT_ENOUGH_MEMORY;
    constexpr HRESULT Wrapped = static_cast<HRESULT>(0x80070000u | Code);  // HRESULT_FROM_WIN32
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "faults";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    WNDCLASSA another = windowClass;
    another.lpszClassName = "faults-2";
    struct Row {
        const char* call;
        bool (*failed)(const WNDCLASSA&);
    };
    const Row rows[] = {
        {"RegisterClassA", [](const WNDCLASSA& c) { return RegisterClassA(&c) == 0; }},
        {"CreateWindowExA", [](const WNDCLASSA&) {
             return CreateWindowExA(0, "faults", "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr,
                                    nullptr, nullptr) == nullptr;
         }},
        {"CreateFontA", [](const WNDCLASSA&) {
             return CreateFontA(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial") == nullptr;
         }},
        {"CreateFileA", [](const WNDCLASSA&) {
             return CreateFileA("any", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr) ==
                    INVALID_HANDLE_VALUE;
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.call);
        SetLastError(0);
        layer_fail_call(row.call, 0, Wrapped);
        EXPECT_TRUE(row.failed(another));
        EXPECT_EQ(GetLastError(), Code);
        layer_clear_faults();
    }
}
