#include <gtest/gtest.h>

#include "core/Failure.h"
#include "core/win32/Win32Support.h"

namespace kelbrook::win32 {
namespace {

// A failure remembers the code it came from, so a caller can tell a busy or a vanished
// server from other faults.
TEST(Win32Failures, CarryTheCodeTheyCameFrom) {
    try {
        ThrowWin32Error(ERROR_ACCESS_DENIED, L"Writing");
        FAIL() << "nothing was raised";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Code(), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
        EXPECT_EQ(failure.Description().rfind(L"Writing: ", 0), 0u)
            << failure.Description().c_str();
    }
    try {
        ThrowIfFailed(RPC_E_DISCONNECTED, L"Calling Name");
        FAIL() << "nothing was raised";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Code(), RPC_E_DISCONNECTED);
    }
    EXCEPINFO info{};
    Variant description;
    description.SetString(L"Stand-in failure in Document.SaveAs");
    info.bstrDescription = description.get()->bstrVal;
    info.scode = STG_E_ACCESSDENIED;
    try {
        ThrowIfFailed(DISP_E_EXCEPTION, L"Calling SaveAs", &info);
        FAIL() << "nothing was raised";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.Description(), L"Stand-in failure in Document.SaveAs");
        EXPECT_EQ(failure.Code(), STG_E_ACCESSDENIED);
    }
}

TEST(Win32Owners, MoveTheirResourceAndFreeItOnce) {
    Variant first;
    first.SetString(L"Flyer.pub");
    Variant second(std::move(first));
    EXPECT_EQ(first.get()->vt, VT_EMPTY);
    ASSERT_EQ(second.get()->vt, VT_BSTR);
    EXPECT_STREQ(second.get()->bstrVal, L"Flyer.pub");
    first = std::move(second);
    EXPECT_EQ(second.get()->vt, VT_EMPTY);
    EXPECT_STREQ(first.get()->bstrVal, L"Flyer.pub");

    UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    const HANDLE raw = event.get();
    UniqueHandle moved(std::move(event));
    EXPECT_FALSE(event);
    EXPECT_EQ(moved.get(), raw);
    moved.reset();
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(raw, &flags)) << "the handle was not closed";
    UniqueFile none;
    EXPECT_FALSE(none);
    EXPECT_EQ(none.get(), INVALID_HANDLE_VALUE);
}

}  // namespace
}  // namespace kelbrook::win32
