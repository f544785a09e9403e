// The Help button, driven from outside: one message naming the maker's contact page.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "Driver.h"
#include "RunningProgram.h"
#include "app/win32/ControlIds.h"

namespace kelbrook::e2e {
namespace {

using namespace kelbrook::win32;

constexpr wchar_t kHelpText[] =
    L"Questions? Please contact Team Tarnwick at http://www.tarnwick.example/contact/";

class Help : public RunningProgram {};

TEST_F(Help, ShowsOneContactMessageWithOkOnlyAndChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const std::map<std::wstring, std::wstring> before = Store::Snapshot();

    ASSERT_NO_FATAL_FAILURE(Click(ControlId::PushButton11));
    const std::optional<SeenBox> box = program_.WaitForMessageBox();
    ASSERT_TRUE(box) << "no message box came";
    EXPECT_EQ(box->text, kHelpText);
    EXPECT_EQ(box->title, kProgramTitle);
    EXPECT_TRUE(box->ok);
    EXPECT_FALSE(box->yes || box->no || box->cancel);
    EXPECT_FALSE(box->icon);
    EXPECT_FALSE(::IsWindowEnabled(program_.MainWindow())) << "the box is not modal";
    ASSERT_TRUE(Answer(*box, IDOK));

    ASSERT_NO_FATAL_FAILURE(ExpectQuietAfterwards());  // no second box
    EXPECT_EQ(Store::Snapshot(), before);
}

}  // namespace
}  // namespace kelbrook::e2e
