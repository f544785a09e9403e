// What every part of one backup run shares: the ports, the program-wide values, the run's
// error report (its steps), who asked for the run, and the user's clipboard kept aside.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <set>
#include <string>

#include "backup/SavePublisher.h"
#include "core/ErrorReport.h"
#include "core/Failure.h"

namespace kelbrook::SavePublisher {

inline constexpr wchar_t kObjectNotSet[] = L"Object variable or With block variable not set";

// The run's counters are 16-bit signed, as the documents' and pages' numbers are.
inline std::int16_t Int16(int value) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max()) {
        throw Failure(L"Overflow");
    }
    return static_cast<std::int16_t>(value);
}

// An object the run holds, or the failure of using one that is not there.
template <class T>
T& Use(const std::unique_ptr<T>& object) {
    if (!object) throw Failure(kObjectNotSet);
    return *object;
}

template <class T>
T& Use(T* object) {
    if (!object) throw Failure(kObjectNotSet);
    return *object;
}

// The end of a run, however it ends: the user's clipboard goes back, the run is over.
class RunScope {
  public:
    RunScope(ProgramValues& values, DebugOutput& debug);
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;
    ~RunScope();

    // Keeps what the user has on the clipboard before the run's first copy can reach it; tried
    // again before each copy while it cannot be taken, and raises meanwhile: no copy may
    // overwrite a clipboard that nothing can put back.
    void KeepClipboard(Clipboard& clipboard);
    // Puts the clipboard back now; raises when it cannot.
    void RestoreClipboard();

  private:
    ProgramValues& values_;
    DebugOutput& debug_;
    std::unique_ptr<ClipboardSnapshot> snapshot_;
};

// The volumes of this run's backups, by whether a backup fitted there or was refused for want
// of space: a volume's spell of low space ends with a run whose backups there all fit.
struct VolumesOfRun {
    std::set<std::wstring> fitted, refused;
};

struct BackupRunContext {
    SavePublisherPorts ports;
    ProgramValues& values;
    RunKind kind;
    GuardedProcedure& run;  // location "SavePublisher.SaveAll": every step reports through it
    RunScope& scope;
    VolumesOfRun& volumes;

    // A failure nobody asked to hear of (a trace, not a report), under the run's name.
    template <class Action>
    void Untrapped(const std::wstring& what, Action&& action) {
        RunUntrapped(ports.debug, L"SavePublisher.SaveAll" + what, std::forward<Action>(action));
    }
};

}  // namespace kelbrook::SavePublisher
