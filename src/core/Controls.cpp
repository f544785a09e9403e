#include "core/Controls.h"

#include <array>

namespace kelbrook {

const wchar_t* ControlName(ControlId id) {
    static constexpr std::array<const wchar_t*, 21> kNames = {
        L"Form1",       L"PushButton4", L"Frame2",      L"ProgressBar1", L"Frame3",
        L"Option3",     L"Option4",     L"Check5",      L"Check8",       L"Frame1",
        L"Option2",     L"Option1",     L"Text1",       L"PushButton1",  L"ListView1",
        L"PushButton2", L"PushButton3", L"PushButton5", L"RichTextBox1", L"PushButton11",
        L"PushButton12"};
    const auto index = static_cast<std::size_t>(id);
    return index < kNames.size() ? kNames[index] : L"?";
}

}  // namespace kelbrook
