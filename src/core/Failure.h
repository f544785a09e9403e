// Failures of the program: C++ exceptions that carry the failure's own description.
// Guarded procedures catch them and show the error report; routines without a trap
// of their own simply let them pass to the calling step.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace kelbrook {

class Failure : public std::exception {
  public:
    explicit Failure(std::wstring description, std::int32_t code = 0)
        : description_(std::move(description)), code_(code) {}
    const std::wstring& Description() const noexcept { return description_; }
    // The HRESULT the failure came from (a Win32 error in its HRESULT form), 0 when none.
    std::int32_t Code() const noexcept { return code_; }
    const char* what() const noexcept override { return "Kelbrook failure"; }

  private:
    std::wstring description_;
    std::int32_t code_ = 0;
};

// What a failed cross-process call's code says of the server on its other side: busy
// (RPC_E_CALL_REJECTED, RPC_E_SERVERCALL_RETRYLATER), or gone (RPC_E_DISCONNECTED,
// RPC_E_SERVER_DIED, RPC_E_SERVER_DIED_DNE, CO_E_OBJNOTCONNECTED and the RPC_S_SERVER_UNAVAILABLE,
// RPC_S_CALL_FAILED and RPC_S_CALL_FAILED_DNE errors).
bool SaysServerBusy(std::int32_t code);
bool SaysServerGone(std::int32_t code);

// The description of the exception now being handled (call only inside a catch block).
std::wstring DescribeCurrentException();

}  // namespace kelbrook
