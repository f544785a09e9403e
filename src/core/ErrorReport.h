// The uniform error report and the "report and go on" helper of every guarded procedure.
//
// How failures are handled, everywhere:
// 1. A failure is a Failure exception; a guarded procedure runs each numbered step through
//    GuardedProcedure, which reports it and goes on, and hands the caller what it reported.
// 2. A handler without a report of its own runs through RunUntrapped: traced, never shown.
// 3. The two window procedures catch whatever is left, so no exception crosses into Windows;
//    no step has a try/catch of its own, and a helper that may fail harmlessly says so.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/Dialogs.h"
#include "core/Failure.h"
#include "core/Platform.h"

namespace kelbrook {

inline constexpr wchar_t kSupportEmail[] = L"support@tarnwick.example";
inline constexpr wchar_t kErrorReportTitle[] = L"Application Error";

// "Kelbrookapp2021/08/31.<Module>.<Procedure>"
std::wstring Location(const std::wstring& module, const std::wstring& procedure);

// The report's message: description, CR LF, "in <location> at line <step>", CR CR, request.
std::wstring ErrorReportText(const std::wstring& location, int step,
                             const std::wstring& description);

// Shows the report (OK, warning icon, "Application Error") and returns once it is closed.
void ShowErrorReport(Dialogs& dialogs, const std::wstring& location, int step,
                     const std::wstring& description);

// One guarded procedure: each numbered step runs through Step or Test; a failure shows
// the error report with the procedure's location and the step's number, and the
// procedure goes on. A failed Test counts as passed, so its branch is entered.
class GuardedProcedure {
  public:
    GuardedProcedure(Dialogs& dialogs, std::wstring location)
        : dialogs_(dialogs), location_(std::move(location)) {}

    // From the moment `stop` holds, every step is skipped and every test fails, so that the
    // procedure runs out at its next step.
    void StopWhen(std::function<bool()> stop) { stop_ = std::move(stop); }
    // From the failure of which `ended` holds (it sees the Failure, or nullptr for any other
    // exception), the procedure ends without a report: what it worked on has gone, and the
    // caller tells of that in its own way. The failure still counts among failures().
    void EndQuietlyWhen(std::function<bool(const Failure*)> ended) { ended_ = std::move(ended); }
    bool EndedQuietly() const { return endedQuietly_; }
    // Whether the procedure has ended quietly, asking `ended` now (of no failure) if not yet:
    // for a caller that learns of trouble outside a step.
    bool EndsQuietly() {
        if (!endedQuietly_ && ended_) endedQuietly_ = ended_(nullptr);
        return endedQuietly_;
    }
    bool Stopped() const { return endedQuietly_ || (stop_ && stop_()); }

    // The description of the failure it reported, or nothing when the step passed (or was
    // skipped).
    template <class Action>
    std::optional<std::wstring> Step(int step, Action&& action) {
        if (Stopped()) return std::nullopt;
        try {
            std::forward<Action>(action)();
            return std::nullopt;
        } catch (...) {
            return Report(step);
        }
    }

    template <class Predicate>
    bool Test(int step, Predicate&& predicate) {
        if (Stopped()) return false;
        try {
            return static_cast<bool>(std::forward<Predicate>(predicate)());
        } catch (...) {
            Report(step);
            return true;
        }
    }

    const std::wstring& location() const { return location_; }
    // Every failure reported so far, in order.
    const std::vector<std::wstring>& failures() const { return failures_; }

  private:
    std::wstring Report(int step);  // call only inside a catch block

    Dialogs& dialogs_;
    std::wstring location_;
    std::vector<std::wstring> failures_;
    std::function<bool()> stop_;
    std::function<bool(const Failure*)> ended_;
    bool endedQuietly_ = false;
};

// Writes the failure now being handled to the debugger output, naming the handler (call
// only inside a catch block).
void TraceUntrappedFailure(DebugOutput& debug, const std::wstring& handler);

// Runs a handler that has no error report of its own: a failure is not dropped without a
// trace but written with its description to the debugger output, and the program goes on.
template <class Action>
void RunUntrapped(DebugOutput& debug, const std::wstring& handler, Action&& action) {
    try {
        std::forward<Action>(action)();
    } catch (...) {
        TraceUntrappedFailure(debug, handler);
    }
}

}  // namespace kelbrook
