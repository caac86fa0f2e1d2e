#pragma once

#include <windows.h>

#include <functional>
#include <stdexcept>
#include <string>

namespace velko::tools::win {

// A COM call of the tool itself failed (not a call of the control's methods).
class ComFailure : public std::runtime_error {
  public:
    ComFailure(const std::string& what, HRESULT result);
};

inline void check(HRESULT result, const char* what) {
    if (FAILED(result)) throw ComFailure(what, result);
}

// The system's text for an HRESULT, without the line end; empty when it has none.
std::u16string messageOf(HRESULT result);

// A failed call on the control: a RuntimeError with the HRESULT as its number and the system's
// text.
[[noreturn]] void fail(HRESULT result);

// The exit status run returns, or 1 with the failure on standard error when it throws
// ComFailure.
int reportingComFailure(const std::function<int()>& run);

}  // namespace velko::tools::win
