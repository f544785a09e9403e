#include "core/ErrorReport.h"

#include "core/Globals.h"

namespace kelbrook {

std::wstring Location(const std::wstring& module, const std::wstring& procedure) {
    return L"Kelbrookapp2021/08/31." + module + L"." + procedure;
}

std::wstring ErrorReportText(const std::wstring& location, int step,
                             const std::wstring& description) {
    return description + L"\r\n" + L"in " + location + L" " + L"at line " + std::to_wstring(step) +
           L"\r\r" + L"Please email screenshot of this message to " + kSupportEmail;
}

void ShowErrorReport(Dialogs& dialogs, const std::wstring& location, int step,
                     const std::wstring& description) {
    dialogs.ShowMessage(ErrorReportText(location, step, description), kErrorReportTitle,
                        MessageButtons::Ok, MessageIcon::Warning);
}

void TraceUntrappedFailure(DebugOutput& debug, const std::wstring& handler) {
    try {
        debug.Write(std::wstring(kProductName) + L": " + handler + L" failed: " +
                    DescribeCurrentException() + L"\n");
    } catch (...) {
        // Nothing is left to tell it to.
    }
}

std::wstring GuardedProcedure::Report(int step) {
    std::wstring description = DescribeCurrentException();
    failures_.push_back(description);
    if (ended_) {
        try {
            throw;
        } catch (const Failure& failure) {
            endedQuietly_ = ended_(&failure);
        } catch (...) {
            endedQuietly_ = ended_(nullptr);
        }
        if (endedQuietly_) return description;
    }
    ShowErrorReport(dialogs_, location_, step, description);
    return description;
}

}  // namespace kelbrook
