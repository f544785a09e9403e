#include "backup/SavePublisher.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "core/ErrorReport.h"
#include "core/Failure.h"
#include "backup/MasterPageMap.h"
#include "backup/Thinning.h"
#include "history/HistoryLog.h"

namespace kelbrook::SavePublisher {

namespace {

constexpr wchar_t kObjectNotSet[] = L"Object variable or With block variable not set";

// The run's counters are 16-bit signed, as the documents' and pages' numbers are.
std::int16_t Int16(int value) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max()) {
        throw Failure(L"Overflow");
    }
    return static_cast<std::int16_t>(value);
}

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
    RunScope(ProgramValues& values, DebugOutput& debug) : values_(values), debug_(debug) {
        values_.BackupRunUnderWay = true;
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;
    ~RunScope() {
        if (snapshot_) {
            RunUntrapped(debug_, L"SavePublisher.SaveAll (clipboard)",
                         [&] { std::exchange(snapshot_, nullptr)->Restore(); });
        }
        values_.BackupRunUnderWay = false;
    }

    // Keeps what the user has on the clipboard before the run's first copy can reach it; tried
    // again before each copy while it cannot be taken, and raises meanwhile: no copy may
    // overwrite a clipboard that nothing can put back.
    void KeepClipboard(Clipboard& clipboard) {
        if (snapshot_) return;
        try {
            snapshot_ = clipboard.TakeSnapshot();
        } catch (...) {
            throw Failure(L"The page was not copied, since your clipboard could not be kept: " +
                          DescribeCurrentException());
        }
    }
    // Puts the clipboard back now; raises when it cannot.
    void RestoreClipboard() {
        if (snapshot_) std::exchange(snapshot_, nullptr)->Restore();
    }

  private:
    ProgramValues& values_;
    DebugOutput& debug_;
    std::unique_ptr<ClipboardSnapshot> snapshot_;
};

// How long a copy instance that was let go of may take to end before it is ended.
constexpr int kCopyEndMilliseconds = 15000;

// The copy instance of one document and every reference the run holds into it.
struct CopyInstance {
    std::unique_ptr<PublisherApplication> application;
    std::shared_ptr<PublisherProcess> process;  // outlives the references
    std::unique_ptr<PublisherDocument> document;
    std::unique_ptr<PublisherPages> pages;
    MasterPageMap masters;  // the copy's, matched to the original's

    // Never created, or its process has ended (crashed, or ended at a call's bound): none of
    // its steps can succeed any more.
    bool Gone() const { return !application || (process && process->Gone()); }
    // The copy's publication. A fresh Publisher may have none open ("If there are no
    // documents open, an error occurs"): then the copy makes a new blank one.
    PublisherDocument& Document() {
        if (!document) {
            try {
                document = Use(application).ActiveDocument();
            } catch (...) {
                if (Gone()) throw;
                document = application->NewDocument();
            }
        }
        return Use(document);
    }
    // Publisher lets an instance end only once every reference into it is released.
    void Release() {
        masters.clear();
        pages.reset();
        document.reset();
        application.reset();
    }
};

// A copy instance that was let go of and is still ending: its process, and the scratch file
// it may hold until it has gone.
struct EndingCopy {
    std::shared_ptr<PublisherProcess> process;
    std::wstring scratch;
};

// Waits for the process of a copy that was let go of to end, and ends it when it does not
// within the limit. Never raises.
void FinishProcess(PublisherProcess* process) {
    try {
        if (process && !process->WaitUntilGone(kCopyEndMilliseconds)) {
            process->End();
            process->WaitUntilGone(kCopyEndMilliseconds);
        }
    } catch (...) {
        // Nothing more can be done about a process that cannot be waited for or ended.
    }
}

// FinishProcess, then the copy's scratch file is deleted. Never raises.
void FinishEnding(std::optional<EndingCopy>& ending, Files& files) {
    if (!ending) return;
    FinishProcess(ending->process.get());
    try {
        if (!ending->scratch.empty()) files.DeleteOrdinary(ending->scratch);
    } catch (...) {
        // A scratch file in the temporary folder is no harm.
    }
    ending.reset();
}

// Step 164: lets the copy instance go. Its publication is closed first, which lets go of the
// saved file at once. Publisher asks before it drops unsaved changes, in an instance nobody
// sees, so a copy whose save failed is first saved to a scratch file; when even that fails,
// the copy is ended instead of quit. Then Quit, and every reference into the copy is
// released on every path, or Publisher would never end. `ending` receives the process (and
// the scratch file) to wait for. True when the copy closed its publication, so that no file
// of the run is held by it any more. Raises when Quit fails.
bool QuitCopy(CopyInstance& copy, bool saved, Files& files, int k, EndingCopy& ending) {
    struct Release {
        CopyInstance& copy;
        ~Release() { copy.Release(); }
    } release{copy};
    ending.process = copy.process;
    if (!saved) {
        try {
            const std::wstring scratch = files.TemporaryFolder() + L"\\Kelbrook unsaved copy " +
                                         std::to_wstring(k) + L".pub";
            copy.Document().SaveAs(scratch);
            ending.scratch = scratch;
            saved = true;
        } catch (...) {
            // Quit would meet the question: the copy is ended below.
        }
    }
    if (!saved) {
        if (copy.process) copy.process->End();
        return false;
    }
    bool closed = false;
    try {
        copy.Document().Close();
        closed = true;
    } catch (...) {
        // The copy holds its file until it has ended: the caller waits for that.
    }
    copy.masters.clear();
    copy.pages.reset();
    copy.document.reset();
    Use(copy.application).Quit();
    return closed;
}

// A document the timer may skip: its name, and its last good backup.
struct Unchanged {
    std::wstring name;
    std::wstring backup;
};

// The document needs no new backup on schedule when Publisher says it has not changed since it
// was saved, it has a file, this run of the program made a good backup of it into the folder
// the run would use now, and its file has not been written since that backup. Raises when
// something cannot be read: the caller then counts the document as changed.
// What step 106 reads of a document: whether Publisher calls it saved, and its file.
struct SavedState {
    bool saved = false;
    std::wstring path;      // its folder; empty when never saved
    std::wstring fullName;  // its file, when saved
};

SavedState ReadSavedState(PublisherDocument& document) {
    SavedState state;
    state.saved = document.Saved();
    if (state.saved) state.path = document.Path();
    if (state.saved && !state.path.empty()) state.fullName = document.FullName();
    return state;
}

// A backup holds what the document's file holds now: an exact copy keeps its original's size
// and last-write time; a rebuilt one was written after the file last was.
bool Holds(Files& files, const std::wstring& backup, const std::wstring& document) {
    const std::int64_t written = files.LastWriteTime(document);
    const std::int64_t backedUp = files.LastWriteTime(backup);
    return written < backedUp ||
           (written == backedUp && files.FileSize(document) == files.FileSize(backup));
}

std::optional<Unchanged> UnchangedSinceBackup(PublisherDocument& document, const SavedState& state,
                                              Controls& controls, Files& files,
                                              const ProgramValues& values) {
    if (!state.saved) return std::nullopt;
    const std::wstring& path = state.path;
    if (path.empty()) return std::nullopt;
    const std::wstring folder = controls.Value(ControlId::Option2) ? path
                                : controls.Value(ControlId::Option1)
                                    ? controls.Caption(ControlId::Text1)
                                    : std::wstring();
    const auto last = values.LastBackups.find(state.fullName);
    if (last != values.LastBackups.end()) {
        if (folder != last->second.folder || !Holds(files, last->second.path, state.fullName)) {
            return std::nullopt;
        }
        return Unchanged{document.Name(), last->second.path};
    }
    // Nothing remembered since the program started: an exact copy among the document's
    // backups in that folder shows that it is unchanged since.
    if (folder.empty()) return std::nullopt;
    const std::wstring name = document.Name();
    const std::wstring stem = Globals::CollapseBackslashes(folder + L"\\" + SafeFileName(name));
    const std::wstring prefix = stem.substr(stem.find_last_of(L'\\') + 1) + L" ";
    std::optional<std::int64_t> written;
    std::uint64_t size = 0;
    std::optional<std::wstring> newest;
    for (const std::wstring& backup : files.FilesStartingWith(folder, prefix)) {
        if (backup.size() < values.BackupExtension.size() ||
            backup.compare(backup.size() - values.BackupExtension.size(), std::wstring::npos,
                           values.BackupExtension) != 0 ||
            backup.find(L"(incomplete)") != std::wstring::npos ||
            backup.find(L".kelbrook-saving") != std::wstring::npos) {
            continue;
        }
        if (!written) {  // read once there is something to compare with
            written = files.LastWriteTime(state.fullName);
            size = files.FileSize(state.fullName);
        }
        if (files.LastWriteTime(backup) == *written && files.FileSize(backup) == size &&
            (!newest || backup > *newest)) {
            newest = backup;
        }
    }
    if (!newest) return std::nullopt;
    return Unchanged{name, *newest};
}

}  // namespace

bool IsPublisherRunning(PublisherAutomation& publisher) {
    bool running = false;
    try {
        std::unique_ptr<PublisherApplication> application = publisher.AttachRunning();
        if (application && application->Name() == kPublisherName) running = true;
    } catch (...) {
        running = false;
    }
    return running;
}

std::wstring AddBackupStamp(const Controls& controls, Clock& clock, const LocalTime& now,
                            const std::wstring& path, const std::wstring& extension) {
    if (controls.Value(ControlId::Option3)) {
        return path + L" Date " + clock.FormatDate(now, L"MMM d yyyy") + L" Time " +
               clock.FormatTime(now, L"hh mm ss tt") + extension;
    }
    if (controls.Value(ControlId::Option4)) {
        return path + L" " + clock.FormatDate(now, L"MMM d yyyy") + extension;
    }
    return L"";
}

std::wstring SafeFileName(const std::wstring& name) {
    std::wstring safe = name;
    for (wchar_t& c : safe) {
        if (std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) c = L'_';
    }
    return safe;
}

namespace {

// The path with `inserted` before its extension (at its end when it has none).
std::wstring BeforeExtension(const std::wstring& path, const std::wstring& inserted) {
    const std::size_t slash = path.find_last_of(L'\\');
    const std::size_t dot = path.find_last_of(L'.');
    const std::size_t stem =
        (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) ? path.size()
                                                                                    : dot;
    return path.substr(0, stem) + inserted + path.substr(stem);
}

}  // namespace

std::wstring SavingPath(const std::wstring& backupPath) {
    return BeforeExtension(backupPath, L".kelbrook-saving");
}

std::wstring IncompletePath(const std::wstring& backupPath) {
    return BeforeExtension(backupPath, L" (incomplete)");
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

// Where pasted shapes stood before: Publisher does not say where a paste puts them, so the
// pasted range is moved by the difference, as a whole. Writes nothing when it is in place.
void PlaceLike(PublisherShapeRange& pasted, double left, double top) {
    const double across = left - pasted.Left();
    const double down = top - pasted.Top();
    if (across != 0) pasted.IncrementLeft(across);
    if (down != 0) pasted.IncrementTop(down);
}

// What the user can do about a volume too full for a backup.
constexpr wchar_t kLowSpaceAdvice[] =
    L"Tick \"Thin out older backups\", pick another folder, or free some space.";

// The log line of a document that was not backed up.
std::wstring FailureLine(const std::wstring& name, const std::wstring& backupPath,
                         const std::wstring& when, const std::wstring& failure) {
    return name + L" could not be backup saved as " + backupPath + L" at " + when + L": " + failure;
}

void RunDocuments(SavePublisherPorts ports, ProgramValues& values, RunKind kind,
                  GuardedProcedure& run, RunScope& scope) {
    Controls& controls = ports.controls;
    std::unique_ptr<PublisherApplication> running;
    // Every document of the run, taken at step 104 before the first copy instance exists:
    // Publisher's Documents spans its instances, so once a copy's blank publication is one
    // of them, a position may name another document. A document Publisher would not hand
    // over keeps the failure instead.
    std::vector<std::unique_ptr<PublisherDocument>> documents;
    std::vector<std::wstring> notHandedOver;
    // The copy of the document before, let go of and still ending while this one is made: at
    // most two copy instances exist at once, one of them ending.
    std::optional<EndingCopy> ending;
    struct EndAtLast {  // however the run ends
        std::optional<EndingCopy>& ending;
        Files& files;
        ~EndAtLast() { FinishEnding(ending, files); }
    } endAtLast{ending, ports.files};
    if (values.FinishLastCopy) std::exchange(values.FinishLastCopy, nullptr)();

    if (!run.Test(100, [&] { return IsPublisherRunning(ports.publisher); })) return;
    run.Step(102, [&] { running = ports.publisher.AttachRunning(); });
    std::int16_t count = 0;
    std::unique_ptr<PublisherDocuments> collection;
    run.Step(104, [&] {
        collection = Use(running).Documents();
        count = Int16(Use(collection).Count());
    });
    documents.resize(static_cast<std::size_t>(std::max<std::int16_t>(count, 0)));
    notHandedOver.resize(documents.size());
    for (std::int16_t k = 1; k <= count; ++k) {
        const std::optional<std::wstring> failure =
            run.Step(104, [&] { documents[k - 1] = Use(collection).Item(k); });
        if (failure) notHandedOver[k - 1] = *failure;
    }
    collection.reset();

    std::wstring folder;
    for (std::int16_t k = 1; k <= count && !run.Stopped(); ++k) {  // 106
        PublisherDocument* const document = documents[k - 1].get();
        if (!document) {
            // Publisher would not hand the document over (reported at 104): it cannot be
            // backed up, and no copy instance is started for it.
            const std::wstring name = ReadableName(nullptr, k);
            run.Step(162, [&] {
                const std::wstring where =
                    controls.Value(ControlId::Option1) ? controls.Caption(ControlId::Text1) : L"";
                const std::wstring path = AddBackupStamp(
                    controls, ports.clock, ports.clock.Now(),
                    where.empty() ? name : Globals::CollapseBackslashes(where + L"\\" + name),
                    values.BackupExtension);
                AppendHistoryLine(
                    ports.files, values.HistoryLogPath,
                    FailureLine(name, path, ports.clock.FormatGeneralDate(ports.clock.Now()),
                                notHandedOver[k - 1]));
            });
            continue;
        }
        // 106 reads whether Publisher calls the document saved, and its file. The timer may
        // skip an unchanged one; a saved one is backed up as its file, exactly. Nobody asked
        // for either, so a failure is traced, not reported, and counts as "changed".
        SavedState state;
        RunUntrapped(ports.debug, L"SavePublisher.SaveAll at line 106",
                     [&] { state = ReadSavedState(*document); });
        if (kind == RunKind::OnSchedule) {
            std::optional<Unchanged> unchanged;
            RunUntrapped(ports.debug, L"SavePublisher.SaveAll at line 106", [&] {
                unchanged = UnchangedSinceBackup(*document, state, controls, ports.files, values);
            });
            if (unchanged) {
                run.Step(162, [&] {
                    AppendHistoryLine(ports.files, values.HistoryLogPath,
                                      unchanged->name + L" is unchanged since its backup " +
                                          unchanged->backup + L" at " +
                                          ports.clock.FormatGeneralDate(ports.clock.Now()));
                });
                continue;
            }
        }
        const bool exact = !state.fullName.empty();
        // The copy is incomplete once a step that carries its content failed (the pages' 142
        // to 158): the first such failure, for the log.
        std::optional<std::wstring> incomplete;
        const auto contentFailedSince = [&](std::size_t mark) {
            if (!incomplete && run.failures().size() > mark) incomplete = run.failures()[mark];
        };

        CopyInstance copy;
        // Once the copy is known gone, the steps that need it are skipped without a report:
        // one failure, one report. The failure that left it gone, for the log.
        std::optional<std::wstring> goneBy;
        const auto copyStep = [&](int step, auto&& action) -> std::optional<std::wstring> {
            if (copy.Gone()) return std::nullopt;
            std::optional<std::wstring> failure = run.Step(step, action);
            if (failure && !goneBy && copy.Gone()) goneBy = failure;
            return failure;
        };
        const auto createCopy = [&] {
            goneBy = run.Step(108, [&] {
                copy.application = ports.publisher.CreateInstance();
                Use(copy.application);
                copy.process = copy.application->Process();
            });
            if (goneBy) copy.Release();
        };
        std::wstring name;
        if (run.Step(112, [&] { name = document->Name(); }) || name.empty()) {
            name = ReadableName(document, k);
        }

        if (run.Test(114, [&] { return controls.Value(ControlId::Option2); })) {
            run.Step(116, [&] { folder = document->Path(); });
            while (run.Test(118, [&] { return folder.empty(); })) {
                bool asked = false;
                run.Step(120, [&] {
                    folder = ports.folders.PickFolder(name + kUnsavedPrompt, L"");
                    asked = true;
                });
                if (!asked) break;  // a dialog that cannot be shown would come back for ever
            }
        } else if (run.Test(128, [&] { return controls.Value(ControlId::Option1); })) {
            run.Step(130, [&] { folder = controls.Caption(ControlId::Text1); });
        }

        // The copy's pages, fetched once for the whole document, and their count, read once
        // and then kept.
        int copyPageCount = -1;
        const auto targetPages = [&]() -> PublisherPages& {
            if (!copy.pages) copy.pages = copy.Document().Pages();
            return Use(copy.pages);
        };

        std::wstring backupPath;
        run.Step(132, [&] { backupPath = folder + L"\\" + SafeFileName(name); });
        run.Step(134, [&] { backupPath = Globals::CollapseBackslashes(backupPath); });
        const std::wstring stem = backupPath;  // the backups' names begin with it
        // After a good backup, with "Thin out older backups": the document's older backups in
        // that folder go to the Recycle Bin as the rule says. Nobody asked for any single file
        // to go, so a failure is traced, never reported, and the file stays.
        const auto thinOut = [&] {
            if (!controls.Value(ControlId::Option3) || !controls.Value(ControlId::ThinOutBackups) ||
                folder.empty()) {
                return;
            }
            std::vector<std::wstring> older;
            RunUntrapped(ports.debug, L"SavePublisher.SaveAll (thinning)", [&] {
                const std::wstring name = stem.substr(stem.find_last_of(L'\\') + 1);
                older = Thinning::ToThin(
                    Thinning::ParseBackups(ports.files.FilesStartingWith(folder, name + L" Date "),
                                           stem, values.BackupExtension, ports.clock),
                    Thinning::Seconds(ports.clock.Now()));
            });
            int moved = 0;
            for (const std::wstring& backup : older) {
                RunUntrapped(ports.debug, L"SavePublisher.SaveAll (thinning " + backup + L")", [&] {
                    ports.files.MoveToRecycleBin(backup);
                    ++moved;
                });
            }
            if (moved > 0) {
                run.Step(162, [&] {
                    AppendHistoryLine(ports.files, values.HistoryLogPath,
                                      name + L": " + std::to_wstring(moved) +
                                          (moved == 1 ? L" older backup" : L" older backups") +
                                          L" moved to the Recycle Bin");
                });
            }
        };
        run.Step(138, [&] {
            const LocalTime now = ports.clock.Now();  // one reading for date and time
            backupPath =
                AddBackupStamp(controls, ports.clock, now, backupPath, values.BackupExtension);
        });

        // Before anything is written, the backup must leave the floor free on its volume: a
        // full disk would fail the user's own saves too. Told once, logged every run.
        std::optional<std::wstring> lowSpace;
        RunUntrapped(ports.debug, L"SavePublisher.SaveAll at line 160 (free space)", [&] {
            if (folder.empty()) return;
            const auto last = values.LastBackups.find(state.fullName);
            const std::wstring like = !state.fullName.empty()            ? state.fullName
                                      : last != values.LastBackups.end() ? last->second.path
                                                                         : std::wstring();
            std::uint64_t estimate = 0;  // unknown: the floor alone decides
            try {
                if (!like.empty()) estimate = ports.files.FileSize(like);
            } catch (...) {
            }
            const auto [free, volume] = ports.files.FreeSpace(folder);
            if (free >= estimate + values.FreeSpaceFloor) return;
            const std::uint64_t left = free > estimate ? (free - estimate) / (1024 * 1024) : 0;
            lowSpace = name + L" was not backup saved: only " + std::to_wstring(left) +
                       L" MB would be left free on " + volume;
        });
        if (lowSpace) {
            if (!std::exchange(values.LowSpaceReported, true)) {
                run.Step(160, [&] { throw Failure(*lowSpace + L". " + kLowSpaceAdvice); });
            }
            run.Step(162,
                     [&] { AppendHistoryLine(ports.files, values.HistoryLogPath, *lowSpace); });
            continue;
        }
        if (!exact) createCopy();

        // 160 gives the file written under the saving name the backup's name (no partial file
        // remains after a failure), 162 logs it; a good backup is remembered for the timer's
        // skip and thins out the older ones.
        const auto finishBackup = [&](std::optional<std::wstring> saveFailure,
                                      const std::optional<std::wstring>& incomplete,
                                      const std::wstring& savingPath) {
            if (!saveFailure) {
                saveFailure =
                    run.Step(160, [&] { ports.files.MoveReplacing(savingPath, backupPath); });
            }
            if (saveFailure && !folder.empty()) {
                RunUntrapped(ports.debug, L"SavePublisher.SaveAll at line 160",
                             [&] { ports.files.DeleteOrdinary(savingPath); });
            }
            run.Step(162, [&] {
                const std::wstring when = ports.clock.FormatGeneralDate(ports.clock.Now());
                AppendHistoryLine(
                    ports.files, values.HistoryLogPath,
                    saveFailure  ? FailureLine(name, backupPath, when, *saveFailure)
                    : incomplete ? name + L" was backup saved incompletely as " + backupPath +
                                       L" at " + when + L": " + *incomplete
                                 : name + L" was backup saved as " + backupPath + L" at " + when);
            });
            if (saveFailure) return;
            values.LowSpaceReported = false;
            thinOut();
            if (incomplete) return;
            RunUntrapped(ports.debug, L"SavePublisher.SaveAll at line 162", [&] {
                const std::wstring key =
                    state.fullName.empty() ? document->FullName() : state.fullName;
                values.LastBackups[key] = LastBackup{folder, backupPath};
            });
        };
        if (exact) {
            // 160: the publication has not changed since the user saved it, so its file is
            // the backup, copied byte for byte under the saving name and then given the
            // backup's name. A file that cannot be read, or changes while it is copied, is
            // left alone: the document is rebuilt in a copy instance instead.
            const std::wstring savingPath = SavingPath(backupPath);
            bool copied = false;
            std::optional<std::wstring> saveFailure = run.Step(160, [&] {
                if (folder.empty()) throw Failure(L"No folder to save the backup in");
                ports.files.DeleteOrdinary(savingPath);  // a killed run's
                copied = ports.files.CopySettled(state.fullName, savingPath);
            });
            if (copied || saveFailure) {
                finishBackup(saveFailure, std::nullopt, savingPath);
                continue;
            }
            createCopy();
        }

        // 136: the backup keeps the page size of the original; without it, the backup is
        // made at the size Publisher gives a new publication.
        copyStep(136, [&] {
            const std::unique_ptr<PublisherPageSetup> original = document->PageSetup();
            const double width = Use(original).PageWidth();
            const double height = original->PageHeight();
            const std::unique_ptr<PublisherPageSetup> copied = copy.Document().PageSetup();
            Use(copied).SetPageWidth(width);
            copied->SetPageHeight(height);
        });
        // The shapes of one page (or master page, or the scratch area) copied through the
        // clipboard onto another and put where they stood.
        const auto copyShapesAcross = [&](PublisherShapes& from, PublisherShapes& to) {
            if (from.Count() == 0) return;
            scope.KeepClipboard(ports.clipboard);
            ports.clipboard.WaitUntilFree();
            const std::unique_ptr<PublisherShapeRange> range = from.Range();
            const double left = Use(range).Left();
            const double top = range->Top();
            range->Copy();
            ports.clipboard.WaitUntilFree();
            PlaceLike(Use(to.Paste()), left, top);
        };
        const std::size_t beforeContent = run.failures().size();
        // 122: the original's master pages, two-page ones as two-page ones, each half with its
        // original's shapes. Each page's master is set at 126 when the original has more than
        // one.
        int masterCount = 1;
        // A copy whose master pages could not all be made cannot be given them page by page.
        bool pageMastersFailed =
            copyStep(122, [&] {
                const std::unique_ptr<PublisherMasterPages> originals = document->MasterPages();
                const std::unique_ptr<PublisherMasterPages> masters = copy.Document().MasterPages();
                masterCount = copy.masters.CopyFrom(Use(originals), Use(masters), copyShapesAcross);
            }).has_value();

        std::int16_t i = 0;
        run.Step(140, [&] { i = 1; });
        std::unique_ptr<PublisherPageEnumeration> pages;
        int pageStep = 142;
        if (!copy.Gone()) run.Step(142, [&] { pages = Use(document->Pages()).Enumerate(); });
        while (pages && !copy.Gone()) {
            std::unique_ptr<PublisherPage> page;
            bool ended = true;
            run.Step(pageStep, [&] {
                page = pages->Next();
                ended = page == nullptr;
            });
            pageStep = 158;
            if (ended) break;

            std::unique_ptr<PublisherPage> targetPage;
            if (run.Test(144, [&] { return i == 1; })) {
                copyStep(146, [&] { targetPage = targetPages().Item(1); });
            } else {
                copyStep(148, [&] {
                    PublisherPages& pagesOfCopy = targetPages();
                    if (copyPageCount < 0) copyPageCount = pagesOfCopy.Count();
                    targetPage = pagesOfCopy.Add(1, copyPageCount);
                    ++copyPageCount;
                });
            }
            if (copy.Gone()) break;
            // 126: the page's master, by the PageID of the original's (one put a page; nothing
            // to do when there is only one master page).
            if (masterCount > 1 && !pageMastersFailed) {
                pageMastersFailed =
                    copyStep(126, [&] {
                        const std::int64_t master = Use(Use(page).Master()).PageID();
                        Use(targetPage).SetMaster(copy.masters.CounterpartOf(master));
                    }).has_value();  // reported once: the next pages would fail alike
            }
            std::unique_ptr<PublisherShapes> shapes;  // the page's, fetched once
            if (run.Test(150, [&] {
                    shapes = Use(page).Shapes();
                    return Use(shapes).Count() > 0;
                })) {
                // A page whose shapes never reached the clipboard has nothing to paste: the
                // clipboard holds the user's content, or an earlier page's shapes.
                double left = 0, top = 0;  // where the shapes stand
                const std::optional<std::wstring> copyFailure = run.Step(152, [&] {
                    scope.KeepClipboard(ports.clipboard);
                    ports.clipboard.WaitUntilFree();
                    const std::unique_ptr<PublisherShapeRange> range = Use(shapes).Range();
                    left = Use(range).Left();
                    top = range->Top();
                    range->Copy();
                });
                if (!copyFailure) {
                    // 154 pastes, then puts the pasted shapes where they stood.
                    copyStep(154, [&] {
                        ports.clipboard.WaitUntilFree();
                        PlaceLike(Use(Use(Use(targetPage).Shapes()).Paste()), left, top);
                    });
                }
            }
            run.Step(156, [&] { i = Int16(i + 1); });
        }
        pages.reset();
        // 168: the scratch area's shapes.
        if (!copy.Gone()) {
            copyStep(168, [&] {
                copyShapesAcross(Use(document->ScratchShapes()),
                                 Use(copy.Document().ScratchShapes()));
            });
        }
        contentFailedSince(beforeContent);

        if (run.Stopped()) {  // closing: the copy goes without a question, unsaved
            if (!copy.Gone()) {
                EndingCopy quit;
                RunUntrapped(ports.debug, L"SavePublisher.SaveAll (closing)",
                             [&] { QuitCopy(copy, false, ports.files, k, quit); });
                FinishEnding(ending, ports.files);
                ending = quit;
            }
            break;
        }
        // A copy that went without a failure of its own to tell (it ended between two calls).
        if (copy.Gone() && !goneBy) goneBy = L"Publisher's copy instance has ended";

        // 160: the copy is written under a saving name beside the backup and takes the
        // backup's name only once it is complete and the copy instance has let it go, so a
        // failed save never destroys an earlier backup of that name. A copy known to be
        // incomplete never takes the backup's own name: an existing backup is worth more.
        if (incomplete && !goneBy) backupPath = IncompletePath(backupPath);
        const std::wstring savingPath = SavingPath(backupPath);
        std::optional<std::wstring> saveFailure = goneBy;
        if (!copy.Gone()) {
            if (!folder.empty()) {  // a saving file left by a killed run
                RunUntrapped(ports.debug, L"SavePublisher.SaveAll at line 160",
                             [&] { ports.files.DeleteOrdinary(savingPath); });
            }
            saveFailure = copyStep(160, [&] {
                // Without a folder the path would name the root of whatever drive is
                // current: no backup is better than one nobody finds.
                if (folder.empty()) throw Failure(L"No folder to save the backup in");
                copy.Document().SaveAs(savingPath);
            });
        }

        // 164 lets the copy go; the copy before has had this document's time to end, and is
        // waited for now. A copy that could not close its publication still holds the saved
        // file: it is waited for before the rename.
        bool closed = false;
        if (!copy.Gone()) {
            EndingCopy quit;
            run.Step(164, [&] { closed = QuitCopy(copy, !saveFailure, ports.files, k, quit); });
            FinishEnding(ending, ports.files);
            ending = quit;
            if (!closed) FinishEnding(ending, ports.files);
        }
        copy.Release();
        finishBackup(saveFailure, incomplete, savingPath);
    }  // 166

    run.Step(174, [&] {
        // The last copy ends by itself after the run (ended in the background when it does
        // not); the next run makes sure it has gone first. Only one with a scratch file to
        // delete is waited for now.
        if (ending && ending->scratch.empty() && ending->process) {
            ending->process->EndUnlessGoneWithin(kCopyEndMilliseconds);
            values.FinishLastCopy = [process = ending->process] { FinishProcess(process.get()); };
            ending.reset();
        }
        FinishEnding(ending, ports.files);
        documents.clear();
        running.reset();
        scope.RestoreClipboard();
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
    RunUntrapped(ports.debug, L"SavePublisher.SaveAll",
                 [&] { RunDocuments(ports, values, kind, run, scope); });
}

void PushButton2_Click(SavePublisherPorts ports, ProgramValues& values) {
    GuardedProcedure click(ports.dialogs, Location(L"Form1", L"PushButton2_Click"));
    click.Step(100, [&] { SaveAll(ports, values); });
}

}  // namespace kelbrook::SavePublisher
