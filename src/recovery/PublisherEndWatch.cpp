#include "recovery/PublisherEndWatch.h"

#include <utility>

#include "core/ErrorReport.h"

namespace kelbrook::Recovery {

void PublisherEndWatch::OpenSession() {
    RunUntrapped(ports_.debug, L"Recovery.OpenSession", [&] {
        lastSessionUnclean_ = ports_.settings.Read(kSessionOpenKey).value_or(L"0") == L"1";
        ports_.settings.Write(kSessionOpenKey, L"1");
    });
}

void PublisherEndWatch::Start() {
    RunUntrapped(ports_.debug, L"Recovery.Start", [&] {
        SettingsStore& settings = ports_.settings;
        values_.PendingRecoveries = Decode(settings.Read(kPendingKey).value_or(L""));
        values_.LastRunUnsaved = Decode(settings.Read(kLastRunUnsavedKey).value_or(L""));
        if (lastSessionUnclean_ && !values_.LastRunUnsaved.empty()) {
            AddPending(values_.LastRunUnsaved, true);
            values_.LastRunUnsaved.clear();  // told: the Publisher now running owes nothing of it
            settings.Write(kLastRunUnsavedKey, L"");
        } else if (!values_.PendingRecoveries.empty()) {
            events_.PendingChanged(values_.PendingRecoveries, false);
        }
    });
    // Start-up asks no Publisher anything: the watch begins with the first run.
}

void PublisherEndWatch::AfterRun() {
    RunUntrapped(ports_.debug, L"Recovery.AfterRun", [&] {
        ports_.settings.Write(kLastRunUnsavedKey, Encode(values_.LastRunUnsaved));
        std::optional<std::uint32_t> code =
            std::exchange(values_.PublisherEndedDuringRun, std::nullopt);
        if (const std::optional<std::uint32_t> meanwhile = std::exchange(endedMeanwhile_, {})) {
            code = code.value_or(*meanwhile);
        }
        if (code) {
            watched_.reset();
            if (*code != 0 && !values_.LastRunUnsaved.empty())
                AddPending(values_.LastRunUnsaved, true);
            return;
        }
        Watch();
    });
}

void PublisherEndWatch::Watch() {
    RunUntrapped(ports_.debug, L"Recovery.Watch", [&] {
        std::shared_ptr<UserPublisherProcess> process;
        try {
            const std::unique_ptr<PublisherImpatience> impatient = ports_.publisher.Impatient();
            const std::unique_ptr<PublisherApplication> running = ports_.publisher.AttachRunning();
            if (running) process = running->UserProcess();
        } catch (...) {
            // No Publisher runs: nothing to watch.
        }
        watched_ = process;
        if (!process) return;
        UserPublisherProcess* const watched = process.get();
        process->WhenEnded([this, watched] { Ended(*watched); });
    });
}

void PublisherEndWatch::End() {
    watched_.reset();
    RunUntrapped(ports_.debug, L"Recovery.End",
                 [&] { ports_.settings.Write(kSessionOpenKey, L"0"); });
}

void PublisherEndWatch::Resolved(const std::wstring& fullName) {
    RunUntrapped(ports_.debug, L"Recovery.Resolved", [&] {
        RemovePending(values_.PendingRecoveries, fullName);
        ports_.settings.Write(kPendingKey, Encode(values_.PendingRecoveries));
        events_.PendingChanged(values_.PendingRecoveries, false);
    });
}

// The user closing Publisher (who was asked to save) ends it with 0: nothing is owed.
void PublisherEndWatch::Ended(UserPublisherProcess& process) {
    const std::optional<std::uint32_t> code = process.ExitCode();
    watched_.reset();                 // `process` goes with it: not used past this line
    if (values_.BackupRunUnderWay) {  // told once, as the run ends: one end, one notice
        endedMeanwhile_ = code.value_or(1);
        return;
    }
    if (!code || *code == 0 || values_.LastRunUnsaved.empty()) return;
    AddPending(values_.LastRunUnsaved, true);
}

void PublisherEndWatch::AddPending(const std::vector<SeenUnsaved>& ended, bool tell) {
    Recovery::AddPending(values_.PendingRecoveries, ended);
    ports_.settings.Write(kPendingKey, Encode(values_.PendingRecoveries));
    events_.PendingChanged(values_.PendingRecoveries, tell);
}

}  // namespace kelbrook::Recovery
