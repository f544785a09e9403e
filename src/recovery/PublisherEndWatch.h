// Noticing that the user's Publisher ended unexpectedly, and keeping what that concerns until
// the user acts on it: between runs the user's Publisher's process is watched (no thread of
// the program's own, no timer); an end with an exit code other than 0, or a last session of
// this program that did not end as it should (a power cut, the program ended), makes the
// publications the last run saw with unsaved changes pending recoveries, stored in the
// settings until each is opened or dismissed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backup/PublisherAutomation.h"
#include "core/Globals.h"
#include "core/Platform.h"
#include "core/Settings.h"
#include "recovery/PendingRecoveries.h"

namespace kelbrook::Recovery {

// Where the pending recoveries show: the balloon, the tray tip and menu, the main window.
class RecoveryEvents {
  public:
    virtual ~RecoveryEvents() = default;
    // The pending recoveries changed; `tell`: Publisher has just been found ended, so the
    // user is told (the balloon), not only shown.
    virtual void PendingChanged(const std::vector<PendingRecovery>& pending, bool tell) = 0;
};

struct RecoveryPorts {
    SettingsStore& settings;
    PublisherAutomation& publisher;
    DebugOutput& debug;
};

class PublisherEndWatch {
  public:
    PublisherEndWatch(RecoveryPorts ports, ProgramValues& values, RecoveryEvents& events)
        : ports_(ports), values_(values), events_(events) {}
    PublisherEndWatch(const PublisherEndWatch&) = delete;
    PublisherEndWatch& operator=(const PublisherEndWatch&) = delete;

    // Early in start-up: whether the last session ended as it should, and this one marked
    // open.
    void OpenSession();
    // Late in start-up, once the tray icon is up: the recoveries still pending, and those of
    // a last session that did not end as it should. No Publisher is asked anything.
    void Start();
    // After each run: what it saw is stored, and the Publisher it ran against watched.
    void AfterRun();
    // The user's Publisher running now, if any, watched.
    void Watch();
    // The program ends as it should: no recovery is owed to this session's end.
    void End();
    // The user opened the publication's backup, or dismissed its recovery.
    void Resolved(const std::wstring& fullName);

  private:
    void Ended(UserPublisherProcess& process);
    void AddPending(const std::vector<SeenUnsaved>& ended, bool tell);

    RecoveryPorts ports_;
    ProgramValues& values_;
    RecoveryEvents& events_;
    std::shared_ptr<UserPublisherProcess> watched_;
    // The watched Publisher ended while a run was under way: its exit code, for the run's end.
    std::optional<std::uint32_t> endedMeanwhile_;
    bool lastSessionUnclean_ = false;
};

}  // namespace kelbrook::Recovery
