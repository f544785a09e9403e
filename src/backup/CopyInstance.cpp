#include "backup/CopyInstance.h"

#include <utility>

namespace kelbrook::SavePublisher {

namespace {

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

}  // namespace

void CopyInstance::Create() {
    goneBy_ = context_.run.Step(108, [&] {
        application_ = context_.ports.publisher.CreateInstance();
        Use(application_);
        process_ = application_->Process();
    });
    if (goneBy_) Release();
}

bool CopyInstance::Gone() {
    return !application_ || (process_ && process_->Gone());
}

std::optional<std::wstring> CopyInstance::GoneBy() {
    if (Gone() && !goneBy_) goneBy_ = L"Publisher's copy instance has ended";
    return goneBy_;
}

PublisherDocument& CopyInstance::Document() {
    if (!document_) {
        try {
            document_ = Use(application_).ActiveDocument();
        } catch (...) {
            if (Gone()) throw;
            document_ = application_->NewDocument();
        }
    }
    return Use(document_);
}

// The publication is closed first, which lets go of the saved file at once. Publisher asks
// before it drops unsaved changes, in an instance nobody sees, so a copy whose save failed is
// first saved to a scratch file; when even that fails, the copy is ended instead of quit.
// Then Quit, and every reference into the copy is released on every path, or Publisher would
// never end.
bool CopyInstance::LetGo(bool saved, int k, EndingCopy& ending) {
    struct ReleaseAtEnd {
        CopyInstance& copy;
        ~ReleaseAtEnd() { copy.Release(); }
    } release{*this};
    ending.process = process_;
    Files& files = context_.ports.files;
    if (!saved) {
        try {
            const std::wstring scratch = files.TemporaryFolder() + L"\\Kelbrook unsaved copy " +
                                         std::to_wstring(k) + L".pub";
            Document().SaveAs(scratch);
            ending.scratch = scratch;
            saved = true;
        } catch (...) {
            // Quit would meet the question: the copy is ended below.
        }
    }
    if (!saved) {
        if (process_) process_->End();
        return false;
    }
    bool closed = false;
    try {
        Document().Close();
        closed = true;
    } catch (...) {
        // The copy holds its file until it has ended: the caller waits for that.
    }
    document_.reset();
    Use(application_).Quit();
    return closed;
}

void CopyInstance::Release() {
    document_.reset();
    application_.reset();
}

void EndingCopies::Hand(EndingCopy copy) {
    FinishNow();
    ending_ = std::move(copy);
}

void EndingCopies::FinishNow() {
    if (!ending_) return;
    FinishProcess(ending_->process.get());
    try {
        if (!ending_->scratch.empty()) files_.DeleteOrdinary(ending_->scratch);
    } catch (...) {
        // A scratch file in the temporary folder is no harm.
    }
    ending_.reset();
}

void EndingCopies::LeaveAfterRun(ProgramValues& values) {
    if (ending_ && ending_->scratch.empty() && ending_->process) {
        ending_->process->EndUnlessGoneWithin(kCopyEndMilliseconds);
        values.FinishLastCopy = [process = ending_->process] { FinishProcess(process.get()); };
        ending_.reset();
    }
    FinishNow();
}

}  // namespace kelbrook::SavePublisher
