#include "backup/SavePublisher.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "backup/BackupName.h"
#include "backup/BackupRunContext.h"
#include "backup/CopyInstance.h"
#include "backup/DocumentBackup.h"
#include "history/HistoryLines.h"
#include "history/HistoryLog.h"

namespace kelbrook::SavePublisher {

RunScope::RunScope(ProgramValues& values, DebugOutput& debug) : values_(values), debug_(debug) {
    values_.BackupRunUnderWay = true;
}

RunScope::~RunScope() {
    if (snapshot_) {
        RunUntrapped(debug_, L"SavePublisher.SaveAll (clipboard)",
                     [&] { std::exchange(snapshot_, nullptr)->Restore(); });
    }
    values_.BackupRunUnderWay = false;
}

void RunScope::KeepClipboard(Clipboard& clipboard) {
    if (snapshot_) return;
    try {
        snapshot_ = clipboard.TakeSnapshot();
    } catch (...) {
        throw Failure(L"The page was not copied, since your clipboard could not be kept: " +
                      DescribeCurrentException());
    }
}

void RunScope::RestoreClipboard() {
    if (snapshot_) std::exchange(snapshot_, nullptr)->Restore();
}

bool IsPublisherRunning(PublisherAutomation& publisher) {
    return PresenceOf(publisher) == PublisherPresence::Running;
}

PublisherPresence PresenceOf(PublisherAutomation& publisher) {
    try {
        std::unique_ptr<PublisherApplication> application = publisher.AttachRunning();
        if (application && application->Name() == kPublisherName) {
            return PublisherPresence::Running;
        }
    } catch (const Failure& failure) {
        if (SaysServerBusy(failure.Code())) return PublisherPresence::Busy;  // it runs, busy
    } catch (...) {
    }
    return PublisherPresence::NotRunning;
}

std::wstring AddBackupStamp(const Controls& controls, Clock& clock, const LocalTime& now,
                            const std::wstring& path, const std::wstring& extension) {
    if (controls.Value(ControlId::Option3))
        return BackupName::WithTime(path, clock, now, extension);
    if (controls.Value(ControlId::Option4)) return BackupName::WithDay(path, clock, now, extension);
    return L"";
}

std::wstring ReadableName(PublisherDocument* document, int k) {
    try {
        const std::wstring fullName = Use(document).FullName();
        const std::wstring fileName = fullName.substr(fullName.find_last_of(L'\\') + 1);
        if (!fileName.empty()) return fileName;
    } catch (...) {
        // The position below names it.
    }
    return L"Publication " + std::to_wstring(k);
}

namespace {

// Every document of the run, taken at step 104 before the first copy instance exists:
// Publisher's Documents spans its instances, so once a copy's blank publication is one of
// them, a position may name another document. A document Publisher would not hand over keeps
// the failure instead.
struct RunDocuments {
    std::vector<std::unique_ptr<PublisherDocument>> documents;
    std::vector<std::wstring> notHandedOver;
    std::vector<std::wstring> names;  // read at once, for the log should Publisher end
};

RunDocuments TakeDocuments(BackupRunContext& context, PublisherApplication* running) {
    RunDocuments taken;
    std::int16_t count = 0;
    std::unique_ptr<PublisherDocuments> collection;
    context.run.Step(104, [&] {
        collection = Use(running).Documents();
        count = Int16(Use(collection).Count());
    });
    taken.documents.resize(static_cast<std::size_t>(std::max<std::int16_t>(count, 0)));
    taken.notHandedOver.resize(taken.documents.size());
    for (std::int16_t k = 1; k <= count; ++k) {
        const std::optional<std::wstring> failure =
            context.run.Step(104, [&] { taken.documents[k - 1] = Use(collection).Item(k); });
        if (failure) taken.notHandedOver[k - 1] = *failure;
        taken.names.push_back(ReadableName(taken.documents[k - 1].get(), k));
    }
    return taken;
}

// The user's Publisher has ended (crashed, or was ended from Task Manager): nothing more can
// be asked of it. A call it could not answer is given a second to see its process end.
bool UserPublisherEnded(UserPublisherProcess* user, const Failure* failure) {
    if (user == nullptr) return false;
    if (user->EndedWithin(0)) return true;
    return failure != nullptr && SaysServerGone(failure->Code()) && user->EndedWithin(1000);
}

// How one document's way through the run ended.
enum class Outcome { BackedUp, Skipped, NotBackedUp, Closing };

Outcome BackUpDocument(BackupRunContext& context, DocumentBackup& backup);

// One document's backup, and what the run saw of it when it had unsaved changes.
Outcome BackUpDocument(BackupRunContext& context, EndingCopies& ending, int k,
                       PublisherDocument& document, std::vector<SeenUnsaved>& seen) {
    DocumentBackup backup(context, ending, k, document);
    const Outcome outcome = BackUpDocument(context, backup);
    const std::optional<SeenUnsaved> unsaved = backup.Seen(outcome == Outcome::BackedUp);
    if (unsaved) seen.push_back(*unsaved);
    return outcome;
}

// One document's way through the run.
Outcome BackUpDocument(BackupRunContext& context, DocumentBackup& backup) {
    backup.ReadSavedState();                                   // 106
    if (context.run.EndsQuietly()) return Outcome::Closing;    // the user's Publisher ended
    if (backup.SkipIfUnchanged()) return Outcome::Skipped;     // 106, 162
    backup.NameAndFolder();                                    // 112 to 134
    backup.Stamp();                                            // 138
    if (backup.RefuseForSpace()) return Outcome::NotBackedUp;  // 160, 162
    if (!backup.CopyExactly()) {                               // 160
        backup.StartCopy();                                    // 108
        backup.Rebuild();                                      // 136 to 168
        if (context.run.Stopped()) {
            backup.AbandonCopy();
            return Outcome::Closing;
        }
        backup.SaveAndLetGo();  // 160, 164
    }
    return backup.Finish() ? Outcome::BackedUp : Outcome::NotBackedUp;  // 160, 162
}

// The user's Publisher runs but does not answer: the user's open work goes unbacked, which is
// logged once for the spell (not at every tick) and told to a user who pressed the button.
void TellBusy(BackupRunContext& context) {
    if (!std::exchange(context.values.PublisherDidNotAnswer, true)) {
        Clock& clock = context.ports.clock;
        context.Untrapped(L" at line 100", [&] {
            AppendHistoryLine(context.ports.files, context.values.HistoryLogPath,
                              HistoryLines::PublisherBusy(clock.FormatGeneralDate(clock.Now())));
        });
    }
    if (context.kind == RunKind::Everything) {
        context.Untrapped(L" at line 100", [&] {
            context.ports.dialogs.ShowMessage(kPublisherBusyMessage,
                                              context.values.ApplicationTitle, MessageButtons::Ok,
                                              MessageIcon::None);
        });
    }
}

// What this run saw with unsaved changes. A document it made no backup of keeps the newest
// backup the run before made; and a run the user's Publisher ended could not see every
// document: what the run before saw of the others still holds.
void RememberUnsaved(BackupRunContext& context, std::vector<SeenUnsaved> seen) {
    for (SeenUnsaved& now : seen) {
        if (!now.backup.empty()) continue;
        for (const SeenUnsaved& before : context.values.LastRunUnsaved) {
            if (before.fullName == now.fullName && !before.backup.empty()) now = before;
        }
    }
    if (context.run.EndedQuietly()) {
        for (const SeenUnsaved& before : context.values.LastRunUnsaved) {
            if (std::none_of(seen.begin(), seen.end(), [&](const SeenUnsaved& now) {
                    return now.fullName == before.fullName;
                })) {
                seen.push_back(before);
            }
        }
    }
    context.values.LastRunUnsaved = std::move(seen);
}

void RunAllDocuments(BackupRunContext& context) {
    if (context.values.FinishLastCopy) std::exchange(context.values.FinishLastCopy, nullptr)();
    GuardedProcedure& run = context.run;
    PublisherPresence presence = PublisherPresence::NotRunning;
    if (!run.Test(100, [&] {
            presence = PresenceOf(context.ports.publisher);
            return presence == PublisherPresence::Running;
        })) {
        if (presence == PublisherPresence::Busy) return TellBusy(context);
        context.values.PublisherDidNotAnswer = false;  // not running: nothing to back up
        context.values.LastRunUnsaved.clear();
        return;
    }
    context.values.PublisherDidNotAnswer = false;
    std::unique_ptr<PublisherApplication> running;
    run.Step(102, [&] { running = context.ports.publisher.AttachRunning(); });
    std::shared_ptr<UserPublisherProcess> user;
    context.Untrapped(L" at line 102", [&] { user = Use(running).UserProcess(); });
    // Once the user's Publisher has gone, the run ends without a report of each step that
    // would still ask it: the documents not backed up are logged.
    run.EndQuietlyWhen(
        [&](const Failure* failure) { return UserPublisherEnded(user.get(), failure); });
    RunDocuments taken = TakeDocuments(context, running.get());  // 104
    EndingCopies ending(context.ports.files);
    const int count = static_cast<int>(taken.documents.size());
    std::vector<SeenUnsaved> seen;
    int k = 1;
    for (; k <= count && !run.Stopped(); ++k) {  // 106
        PublisherDocument* const document = taken.documents[k - 1].get();
        if (!document) {
            DocumentBackup::LogNotHandedOver(context, k, taken.notHandedOver[k - 1]);
            continue;
        }
        if (BackUpDocument(context, ending, k, *document, seen) == Outcome::Closing) break;
    }  // 166
    RememberUnsaved(context, std::move(seen));
    if (run.EndedQuietly()) {
        context.values.PublisherEndedDuringRun = user ? user->ExitCode().value_or(1) : 1;
        for (int left = k; left <= count; ++left) {
            DocumentBackup::LogPublisherEnded(context, taken.names[left - 1]);
        }
    }
    if (!run.Stopped()) {
        for (const std::wstring& volume : context.volumes.fitted) {
            if (!context.volumes.refused.count(volume))
                context.values.LowSpaceVolumes.erase(volume);
        }
    }
    run.Step(174, [&] {
        ending.LeaveAfterRun(context.values);
        taken.documents.clear();
        running.reset();
        context.scope.RestoreClipboard();
    });
}

}  // namespace

void SaveAll(SavePublisherPorts ports, ProgramValues& values, RunKind kind) {
    if (values.BackupRunUnderWay) return;  // a run waits in a dialog: this request is dropped
    RunScope scope(values, ports.debug);
    GuardedProcedure run(ports.dialogs, Location(L"SavePublisher", L"SaveAll"));
    // The main window closing while the run waits in a dialog ends the run at its next step.
    run.StopWhen([&] { return values.Closing; });
    // Every step reports its own failures; what could still escape (an error report that
    // cannot be shown) is traced, and nothing leaves the run.
    VolumesOfRun volumes;
    BackupRunContext context{ports, values, kind, run, scope, volumes};
    RunUntrapped(ports.debug, L"SavePublisher.SaveAll", [&] { RunAllDocuments(context); });
    if (values.AfterRun)
        RunUntrapped(ports.debug, L"SavePublisher.SaveAll (after)", values.AfterRun);
}

void PushButton2_Click(SavePublisherPorts ports, ProgramValues& values) {
    GuardedProcedure click(ports.dialogs, Location(L"Form1", L"PushButton2_Click"));
    click.Step(100, [&] { SaveAll(ports, values); });
}

}  // namespace kelbrook::SavePublisher
