// The copy instance of one document, and the copies let go of that are still ending.
//
// A copy is a fresh Publisher made at step 108 for one document that must be rebuilt. It lives
// as briefly as it can: every reference into it is released before anything waits for it, and
// its process (which outlives the references) then ends by itself while the run goes on with
// the next document. Once a copy is gone (never created, crashed, ended at a call's bound), the
// steps that need it are skipped without a report: one failure, one report.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "backup/BackupRunContext.h"
#include "backup/PublisherAutomation.h"

namespace kelbrook::SavePublisher {

// How long a copy instance that was let go of may take to end before it is ended.
inline constexpr int kCopyEndMilliseconds = 15000;

// A copy instance that was let go of and is still ending: its process, and the scratch file it
// may hold until it has gone.
struct EndingCopy {
    std::shared_ptr<PublisherProcess> process;
    std::wstring scratch;
};

class CopyInstance {
  public:
    explicit CopyInstance(BackupRunContext& context) : context_(context) {}
    CopyInstance(const CopyInstance&) = delete;
    CopyInstance& operator=(const CopyInstance&) = delete;
    ~CopyInstance() { Release(); }

    // Step 108: a fresh Publisher. A failure is reported once and leaves the copy gone.
    void Create();
    // Never created, or its process has ended: none of its steps can succeed any more.
    bool Gone();
    // A step that needs the copy; skipped without a report once the copy is gone. The failure
    // that left it gone is kept for the document's log line.
    template <class Action>
    std::optional<std::wstring> Step(int step, Action&& action) {
        if (Gone()) return std::nullopt;
        std::optional<std::wstring> failure = context_.run.Step(step, std::forward<Action>(action));
        if (failure && !goneBy_ && Gone()) goneBy_ = failure;
        return failure;
    }
    // Why the copy is gone, when it is: the failure that left it so, or that it ended between
    // two calls.
    std::optional<std::wstring> GoneBy();
    // The copy's publication. A fresh Publisher may have none open ("If there are no documents
    // open, an error occurs"): then the copy makes a new blank one.
    PublisherDocument& Document();
    // Step 164: lets the copy go. True when it closed its publication, so that it holds no file
    // of the run any more. `ending` receives what is to be waited for. Raises when Quit fails.
    bool LetGo(bool saved, int k, EndingCopy& ending);
    // Publisher lets an instance end only once every reference into it is released.
    void Release();

  private:
    BackupRunContext& context_;
    std::unique_ptr<PublisherApplication> application_;
    std::shared_ptr<PublisherProcess> process_;  // outlives the references
    std::unique_ptr<PublisherDocument> document_;
    std::optional<std::wstring> goneBy_;
};

// The copy let go of by the document before, still ending while this one is made: at most two
// copy instances exist at once, one of them ending. The last one of a run ends after the run.
class EndingCopies {
  public:
    explicit EndingCopies(Files& files) : files_(files) {}
    EndingCopies(const EndingCopies&) = delete;
    EndingCopies& operator=(const EndingCopies&) = delete;
    ~EndingCopies() { FinishNow(); }

    // The copy just let go of takes the place of the one before, which is waited for now.
    void Hand(EndingCopy copy);
    // Waits for the ending copy to have gone (ending it when it does not), then deletes its
    // scratch file. Never raises.
    void FinishNow();
    // Step 174: the last copy ends by itself after the run (ended in the background when it
    // does not); the next run makes sure it has gone first. Only one with a scratch file to
    // delete is waited for now.
    void LeaveAfterRun(ProgramValues& values);

  private:
    Files& files_;
    std::optional<EndingCopy> ending_;
};

}  // namespace kelbrook::SavePublisher
