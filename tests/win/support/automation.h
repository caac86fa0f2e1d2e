#pragma once

#include <oaidl.h>
#include <windows.h>

#include <string>
#include <vector>

namespace velko::wintest {

// Arguments as a caller builds them; the caller keeps what by-reference arguments point to.
VARIANT byValue(BSTR text);
VARIANT byValue(short number);
VARIANT byRef(BSTR* text);
VARIANT byRef(unsigned char* byte);
VARIANT byRef(VARIANT* variable);  // the way script hosts pass their variables
VARIANT omitted();

// The outcome of one IDispatch::Invoke.
struct Outcome {
    Outcome();
    Outcome(const Outcome&) = delete;
    Outcome& operator=(const Outcome&) = delete;
    ~Outcome();

    HRESULT result = E_FAIL;
    VARIANT value;
    EXCEPINFO exception{};
    UINT argumentError = 0;
};

// Invokes a method with its arguments in declaration order; named lists parameter indexes of
// the first arguments, which are then passed as named arguments.
void invoke(IDispatch& target, DISPID member, std::vector<VARIANT> arguments, Outcome& outcome,
            const std::vector<DISPID>& named = {});
DISPID idOfName(IDispatch& target, const wchar_t* name);

// Identifiers of the control's methods and events as its automation table assigns them.
DISPID method(const char* name);
DISPID event(const char* name);

std::wstring textOf(BSTR text);

// A BSTR the test owns.
class Bstr {
  public:
    explicit Bstr(const wchar_t* text) : value_(SysAllocString(text)) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(value_); }
    BSTR* slot() { return &value_; }
    BSTR get() const { return value_; }
    std::wstring text() const { return textOf(value_); }

  private:
    BSTR value_;
};

}  // namespace velko::wintest
