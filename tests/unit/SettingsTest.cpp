#include <gtest/gtest.h>

#include "core/Failure.h"
#include "core/Settings.h"

namespace kelbrook {
namespace {

std::wstring FailureOf(const std::wstring& text) {
    try {
        ToInteger16(text);
    } catch (const Failure& f) {
        return f.Description();
    }
    return L"(no failure)";
}

TEST(ToInteger16, ReadsWholeNumbersOfTheSixteenBitRange) {
    EXPECT_EQ(ToInteger16(L"3"), 3);
    EXPECT_EQ(ToInteger16(L"10"), 10);
    EXPECT_EQ(ToInteger16(L" 7 "), 7);
    EXPECT_EQ(ToInteger16(L"-32768"), -32768);
    EXPECT_EQ(ToInteger16(L"32767"), 32767);
    EXPECT_EQ(ToInteger16(L"+4"), 4);
    EXPECT_EQ(ToInteger16(L"2.5"), 2);  // half to even
    EXPECT_EQ(ToInteger16(L"3.5"), 4);
}

TEST(ToInteger16, NoNumberIsATypeMismatchAndTooLargeIsAnOverflow) {
    EXPECT_EQ(FailureOf(L"abc"), L"Type mismatch");
    EXPECT_EQ(FailureOf(L""), L"Type mismatch");
    EXPECT_EQ(FailureOf(L"3x"), L"Type mismatch");
    EXPECT_EQ(FailureOf(L"-"), L"Type mismatch");
    EXPECT_EQ(FailureOf(L"32768"), L"Overflow");
    EXPECT_EQ(FailureOf(L"-40000"), L"Overflow");
    EXPECT_EQ(FailureOf(L"99999999999999999999999"), L"Overflow");
}

TEST(LeadingNumber, TakesTheLeadingNumericPart) {
    EXPECT_EQ(LeadingNumber(L"2"), 2.0);
    EXPECT_EQ(LeadingNumber(L" 2"), 2.0);
    EXPECT_EQ(LeadingNumber(L"2x"), 2.0);
    EXPECT_EQ(LeadingNumber(L"x"), 0.0);
    EXPECT_EQ(LeadingNumber(L""), 0.0);
    EXPECT_EQ(LeadingNumber(L"1.5"), 1.5);
    EXPECT_EQ(LeadingNumber(L"-2"), -2.0);
    EXPECT_EQ(LeadingNumber(L"x2"), 0.0);
}

}  // namespace
}  // namespace kelbrook
