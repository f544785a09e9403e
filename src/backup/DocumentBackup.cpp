#include "backup/DocumentBackup.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "backup/BackupName.h"
#include "backup/Calendar.h"
#include "backup/RebuildContent.h"
#include "backup/Thinning.h"
#include "history/HistoryLines.h"
#include "history/HistoryLog.h"

namespace kelbrook::SavePublisher {

namespace {

// What the user can do about a volume too full for a backup.
constexpr wchar_t kLowSpaceAdvice[] =
    L"Pick another folder for the backups, or free some space there: emptying the Recycle Bin "
    L"is one way.";

// The log line of a document that was not backed up.
std::wstring FailureLine(const std::wstring& name, const std::wstring& backupPath,
                         const std::wstring& when, const std::wstring& failure) {
    return HistoryLines::NotSaved(name, backupPath, when, failure);
}

}  // namespace

void DocumentBackup::LogNotHandedOver(BackupRunContext& context, int k,
                                      const std::wstring& failure) {
    Controls& controls = context.ports.controls;
    Clock& clock = context.ports.clock;
    const std::wstring name = ReadableName(nullptr, k);
    context.run.Step(162, [&] {
        const std::wstring where =
            controls.Value(ControlId::Option1) ? controls.Caption(ControlId::Text1) : L"";
        const std::wstring path = AddBackupStamp(
            controls, clock, clock.Now(), where.empty() ? name : BackupName::Stem(where, name),
            context.values.BackupExtension);
        AppendHistoryLine(context.ports.files, context.values.HistoryLogPath,
                          FailureLine(name, path, clock.FormatGeneralDate(clock.Now()), failure));
    });
}

void DocumentBackup::LogPublisherEnded(BackupRunContext& context, const std::wstring& name) {
    Clock& clock = context.ports.clock;
    context.Untrapped(L" at line 162", [&] {
        AppendHistoryLine(context.ports.files, context.values.HistoryLogPath,
                          HistoryLines::PublisherEnded(name, clock.FormatGeneralDate(clock.Now())));
    });
}

void DocumentBackup::ReadSavedState() {
    context_.Untrapped(L" at line 106", [&] {
        SavePublisher::ReadSavedState(document_, context_.ports.files, state_);
    });
}

std::optional<SeenUnsaved> DocumentBackup::Seen(bool backedUp) {
    if (state_.saved || state_.fullName.empty()) return std::nullopt;
    if (!seenAt_) seenAt_ = context_.ports.clock.Now();
    const std::wstring fileName = state_.fullName.substr(state_.fullName.find_last_of(L'\\') + 1);
    SeenUnsaved seen{state_.fullName, name_.empty() ? fileName : name_, *seenAt_, {}, false, {}};
    if (backedUp) {
        seen.backup = backupPath_;
        seen.incomplete = incomplete_.has_value();
    }
    const auto last = context_.values.LastBackups.find(state_.fullName);
    if (last != context_.values.LastBackups.end() && last->second.path != seen.backup) {
        seen.lastComplete = last->second.path;
    }
    return seen;
}

bool DocumentBackup::SkipIfUnchanged() {
    if (context_.kind != RunKind::OnSchedule) return false;
    std::optional<Unchanged> unchanged;
    context_.Untrapped(L" at line 106", [&] {
        unchanged = UnchangedSinceBackup(
            document_, state_,
            SkipPorts{context_.ports.controls, context_.ports.files, context_.ports.clock},
            context_.values);
    });
    if (!unchanged) return false;
    context_.run.Step(162, [&] {
        AppendHistoryLine(context_.ports.files, context_.values.HistoryLogPath,
                          HistoryLines::Unchanged(
                              unchanged->name, unchanged->backup,
                              context_.ports.clock.FormatGeneralDate(context_.ports.clock.Now())));
    });
    return true;
}

void DocumentBackup::NameAndFolder() {
    GuardedProcedure& run = context_.run;
    if (run.Step(112, [&] { name_ = document_.Name(); }) || name_.empty()) {
        name_ = ReadableName(&document_, k_);
    }
    FolderByOptions();
    // One folder for every publication's backups: the name says where the publication is.
    const std::wstring origin = oneFolder_ ? state_.path : std::wstring();
    run.Step(132, [&] { backupPath_ = BackupName::Joined(folder_, name_, origin); });
    run.Step(134, [&] { backupPath_ = Globals::CollapseBackslashes(backupPath_); });
    stem_ = backupPath_;
}

// With Option2 the document's own folder (116), asked for while it has none: never saved, or
// its folder could not be read (118, 120); with Option1 the folder typed in Text1 (128, 130).
void DocumentBackup::FolderByOptions() {
    GuardedProcedure& run = context_.run;
    Controls& controls = context_.ports.controls;
    if (run.Test(114, [&] { return controls.Value(ControlId::Option2); })) {
        run.Step(116, [&] { folder_ = document_.Path(); });
        while (run.Test(118, [&] { return folder_.empty(); })) {
            bool asked = false;
            run.Step(120, [&] {
                folder_ = context_.ports.folders.PickFolder(name_ + kUnsavedPrompt, L"");
                asked = true;
            });
            if (!asked) break;  // a dialog that cannot be shown would come back for ever
        }
    } else if (run.Test(128, [&] { return controls.Value(ControlId::Option1); })) {
        oneFolder_ = true;
        run.Step(130, [&] { folder_ = controls.Caption(ControlId::Text1); });
    }
}

// A time-stamped name that a backup made at another time holds is not taken: the backup gets
// a name of its own.
void DocumentBackup::Stamp() {
    context_.run.Step(138, [&] {
        Controls& controls = context_.ports.controls;
        const LocalTime now = context_.ports.clock.Now();  // one reading for date and time
        seenAt_ = now;
        backupPath_ = AddBackupStamp(controls, context_.ports.clock, now, backupPath_,
                                     context_.values.BackupExtension);
        if (controls.Value(ControlId::Option3) && !folder_.empty()) {
            BackupName::StampReader reader(context_.ports.clock, context_.ports.files, now);
            backupPath_ = BackupName::Unclaimed(backupPath_, stem_, context_.values.BackupExtension,
                                                reader.nowMoment(), reader);
        }
    });
}

// The line for a backup that would leave less than the floor free; empty when it fits (or
// nothing can be told).
std::wstring DocumentBackup::LowSpaceLine() {
    std::wstring line;
    context_.Untrapped(L" at line 160 (free space)", [&] {
        if (folder_.empty()) return;
        ProgramValues& values = context_.values;
        const auto last = values.LastBackups.find(state_.fullName);
        // Estimated from the document's file (saved or not), else from its last good backup.
        const std::wstring like = !state_.file.empty()               ? state_.file
                                  : last != values.LastBackups.end() ? last->second.path
                                                                     : std::wstring();
        std::uint64_t estimate = 0;  // unknown: the floor alone decides
        try {
            if (!like.empty()) estimate = context_.ports.files.FileSize(like);
        } catch (...) {
        }
        const auto [free, volume] = context_.ports.files.FreeSpace(folder_);
        lowSpaceVolume_ = volume;
        if (free >= estimate + values.FreeSpaceFloor) {
            context_.volumes.fitted.insert(volume);
            return;
        }
        const std::uint64_t left = free > estimate ? (free - estimate) / (1024 * 1024) : 0;
        line = name_ + L" was not backup saved: only " + std::to_wstring(left) +
               L" MB would be left free on " + volume;
    });
    return line;
}

// A full disk would fail the user's own saves too. Told once for each volume, until a backup
// to that volume fits again; logged every run.
bool DocumentBackup::RefuseForSpace() {
    const std::wstring line = LowSpaceLine();
    if (line.empty()) return false;
    context_.volumes.refused.insert(lowSpaceVolume_);
    if (context_.values.LowSpaceVolumes.insert(lowSpaceVolume_).second) {
        context_.run.Step(160, [&] { throw Failure(line + L". " + kLowSpaceAdvice); });
    }
    Log(line);  // 162
    return true;
}

// The publication has not changed since the user saved it, so its file is the backup, copied
// under the saving name and then given the backup's name. A file that cannot be read, or
// changes while it is copied, is left alone: the document is rebuilt instead.
bool DocumentBackup::CopyExactly() {
    if (!state_.saved || state_.file.empty()) return false;
    savingPath_ = BackupName::SavingPath(backupPath_);
    bool copied = false;
    saveFailure_ = context_.run.Step(160, [&] {
        if (folder_.empty()) throw Failure(L"No folder to save the backup in");
        context_.ports.files.DeleteOrdinary(savingPath_);  // a killed run's
        copied = context_.ports.files.CopySettled(state_.file, savingPath_);
    });
    return copied || saveFailure_;
}

void DocumentBackup::Rebuild() {
    incomplete_ = ContentRebuild(context_, copy_, document_).Run();
}

void DocumentBackup::AbandonCopy() {
    if (copy_.Gone()) return;
    EndingCopy quit;
    context_.Untrapped(L" (closing)", [&] { copy_.LetGo(false, k_, quit); });
    ending_.Hand(std::move(quit));
}

// The copy is written under a saving name beside the backup and takes the backup's name only
// once it is complete and the copy instance has let it go, so a failed save never destroys an
// earlier backup of that name. A copy known to be incomplete never takes the backup's own
// name: an existing backup is worth more. The copy before has had this document's time to
// end, and is waited for when this one is let go of; a copy that could not close its
// publication still holds the saved file, and is waited for before the rename.
void DocumentBackup::SaveAndLetGo() {
    const std::optional<std::wstring> goneBy = copy_.GoneBy();
    if (incomplete_ && !goneBy) backupPath_ = BackupName::IncompletePath(backupPath_);
    savingPath_ = BackupName::SavingPath(backupPath_);
    saveFailure_ = goneBy;
    if (!copy_.Gone()) {
        if (!folder_.empty()) {  // a saving file left by a killed run
            context_.Untrapped(L" at line 160",
                               [&] { context_.ports.files.DeleteOrdinary(savingPath_); });
        }
        saveFailure_ = copy_.Step(160, [&] {
            // Without a folder the path would name the root of whatever drive is current: no
            // backup is better than one nobody finds.
            if (folder_.empty()) throw Failure(L"No folder to save the backup in");
            copy_.Document().SaveAs(savingPath_);
        });
    }
    if (!copy_.Gone()) {
        bool closed = false;
        EndingCopy quit;
        context_.run.Step(164, [&] { closed = copy_.LetGo(!saveFailure_, k_, quit); });
        ending_.Hand(std::move(quit));
        if (!closed) ending_.FinishNow();
    }
    copy_.Release();
}

bool DocumentBackup::Finish() {
    GuardedProcedure& run = context_.run;
    Files& files = context_.ports.files;
    if (!saveFailure_) {
        saveFailure_ = run.Step(160, [&] { files.MoveReplacing(savingPath_, backupPath_); });
    }
    if (saveFailure_ && !folder_.empty()) {  // no partial file remains after a failure
        context_.Untrapped(L" at line 160", [&] { files.DeleteOrdinary(savingPath_); });
    }
    run.Step(162, [&] {
        const std::wstring when =
            context_.ports.clock.FormatGeneralDate(context_.ports.clock.Now());
        AppendHistoryLine(
            files, context_.values.HistoryLogPath,
            saveFailure_  ? FailureLine(name_, backupPath_, when, *saveFailure_)
            : incomplete_ ? HistoryLines::SavedIncompletely(name_, backupPath_, when, *incomplete_)
                          : HistoryLines::Saved(name_, backupPath_, when));
    });
    if (saveFailure_) return false;
    ThinOut();
    if (!incomplete_) Remember();
    return true;
}

// After a good backup, with "Thin out older backups": the document's older backups in that
// folder go to the Recycle Bin as the rule says. Only a saved publication's: one never saved
// has a name alone ("Publication1"), which Publisher gives anew in every session. Nobody asked
// for any single file to go, so a failure is traced, never reported, and the file stays.
// The user has not yet acted on the notice that this publication's unsaved work may be in its
// backups: none of them goes until then.
bool DocumentBackup::RecoveryPending() const {
    const std::vector<SeenUnsaved>& pending = context_.values.PendingRecoveries;
    return std::any_of(pending.begin(), pending.end(), [&](const SeenUnsaved& recovery) {
        return recovery.fullName == state_.fullName;
    });
}

void DocumentBackup::ThinOut() {
    Controls& controls = context_.ports.controls;
    if (!controls.Value(ControlId::Option3) || !controls.Value(ControlId::ThinOutBackups) ||
        folder_.empty() || state_.file.empty() || RecoveryPending() || !RecycleBinTakes()) {
        return;
    }
    Files& files = context_.ports.files;
    std::vector<std::wstring> older;
    std::int64_t moment = 0;
    context_.Untrapped(L" (thinning)", [&] {
        BackupName::StampReader reader(context_.ports.clock, files);
        moment = reader.nowMoment();
        older = Thinning::ToThin(
            Thinning::ParseBackups(files.FilesStartingWith(folder_, BackupName::FilePrefix(stem_)),
                                   stem_, context_.values.BackupExtension, reader),
            moment);
    });
    int moved = 0;
    bool refused = false;
    for (const std::wstring& backup : older) {
        context_.Untrapped(L" (thinning " + backup + L")", [&] {
            if (files.MoveToRecycleBin(backup) == Recycled::Moved) {
                ++moved;
            } else {
                refused = true;
            }
        });
    }
    if (moved > 0) {
        Log(HistoryLines::Thinned(name_, moved));
    }
    if (refused && context_.values.RecycleBinRefusalLogged.insert(recycleVolume_).second) {
        Log(name_ + L": older backups kept: the Recycle Bin of " + recycleVolume_ +
            L" would delete them for good");
    }
}

// Thinning moves files to the Recycle Bin and nowhere else: on a volume without one (a network
// share, many removable drives) the older backups are kept, and the log says so once in each
// start of the program. When that cannot be told, nothing is thinned either.
bool DocumentBackup::RecycleBinTakes() {
    std::optional<std::pair<std::wstring, bool>> bin;
    context_.Untrapped(L" (thinning)", [&] { bin = context_.ports.files.RecycleBinOf(folder_); });
    if (!bin) return false;
    const auto& [volume, available] = *bin;
    recycleVolume_ = volume;
    if (available) return true;
    if (context_.values.NoRecycleBinLogged.insert(volume).second) {
        Log(name_ + L": older backups kept: " + volume + L" has no Recycle Bin");
    }
    return false;
}

void DocumentBackup::Log(const std::wstring& line) {
    context_.run.Step(162, [&] {
        AppendHistoryLine(context_.ports.files, context_.values.HistoryLogPath, line);
    });
}

// The good backup, for the timer's skip, with its own size and last-write time: the skip
// counts it only while it is still the file it was made as.
void DocumentBackup::Remember() {
    context_.Untrapped(L" at line 162", [&] {
        const std::wstring key = state_.fullName.empty() ? document_.FullName() : state_.fullName;
        const FileIdentity made = IdentityOf(context_.ports.files, backupPath_);
        // Made from the file only when Publisher called the document saved.
        context_.values.LastBackups[key] =
            LastBackup{folder_, backupPath_, state_.saved ? state_.identity : std::nullopt, made};
    });
}

}  // namespace kelbrook::SavePublisher
