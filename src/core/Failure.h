// Failures of the program: C++ exceptions that carry the failure's own description.
// Guarded procedures catch them and show the error report; routines without a trap
// of their own simply let them pass to the calling step.
#pragma once

#include <exception>
#include <string>

namespace kelbrook {

class Failure : public std::exception {
  public:
    explicit Failure(std::wstring description) : description_(std::move(description)) {}
    const std::wstring& Description() const noexcept { return description_; }
    const char* what() const noexcept override { return "Kelbrook failure"; }

  private:
    std::wstring description_;
};

// The description of the exception now being handled (call only inside a catch block).
std::wstring DescribeCurrentException();

}  // namespace kelbrook
