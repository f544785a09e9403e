// How a cross-process call answered: busy or gone, the time calls take, and trying a busy
// server again.
#include <algorithm>
#include <functional>
#include <mutex>

#include "core/Failure.h"
#include "core/win32/Dispatch.h"

namespace kelbrook::win32 {

bool IsBusyAnswer(HRESULT hr) {
    return SaysServerBusy(hr);
}

bool IsGoneAnswer(HRESULT hr) {
    return SaysServerGone(hr);
}

namespace {

std::mutex callTimeMutex;
int callTimeDepth = 0;  // timers running, on every thread

}  // namespace

CallTimer::CallTimer() : start_(std::chrono::steady_clock::now()) {
    const std::lock_guard<std::mutex> lock(callTimeMutex);
    outermost_ = callTimeDepth++ == 0;
}

CallTimer::~CallTimer() {
    const auto took = std::chrono::steady_clock::now() - start_;
    const std::lock_guard<std::mutex> lock(callTimeMutex);
    --callTimeDepth;
    if (!outermost_) return;
    CallTime().total += took;
    CallTime().longest = std::max(CallTime().longest, took);
}

DispatchCallTime& CallTime() {
    static DispatchCallTime time;
    return time;
}

namespace {
thread_local int impatient = 0;
}  // namespace

ImpatientCalls::ImpatientCalls() {
    ++impatient;
}

ImpatientCalls::~ImpatientCalls() {
    --impatient;
}

bool BusyAnswersWaitedOut() {
    return impatient == 0;
}

HRESULT RetryWhileBusy(const std::function<HRESULT()>& call) {
    const CallTimer timer;
    const auto deadline = std::chrono::steady_clock::now() + kBusyRetryTime;
    for (;;) {
        const HRESULT hr = call();
        if (!IsBusyAnswer(hr) || !BusyAnswersWaitedOut() ||
            std::chrono::steady_clock::now() >= deadline) {
            return hr;
        }
        // The server is busy (Publisher with a dialog open, say): ask again shortly.
        WaitAnswering(nullptr, 100);
    }
}

}  // namespace kelbrook::win32
