#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace velko::tools::win {

// A COM call of the tool itself failed (not a call of the control's methods).
class ComFailure : public std::runtime_error {
  public:
    ComFailure(const std::string& what, HRESULT result);
    HRESULT result() const { return result_; }

  private:
    HRESULT result_;
};

inline void check(HRESULT result, const char* what) {
    if (FAILED(result)) throw ComFailure(what, result);
}

// The system's text for an HRESULT, without the line end; empty when it has none.
std::u16string messageOf(HRESULT result);

}  // namespace velko::tools::win
