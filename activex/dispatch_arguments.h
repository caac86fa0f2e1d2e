#pragma once

#include <oaidl.h>

#include <vector>

namespace velko::win32 {

// The arguments of one IDispatch call brought into the shape the type information invokes
// with: positional, complete, and each by-reference argument of its parameter's own type.
//  - Named arguments take their parameter's position.
//  - An omitted optional string (absent, or VT_ERROR DISP_E_PARAMNOTFOUND) becomes a reference
//    to an empty string of the call's own; the type information would otherwise hand the method
//    a pointer to the VT_ERROR variant.
//  - A by-reference argument passed as VT_VARIANT | VT_BYREF, as script hosts pass their
//    variables, is converted in place to the parameter's type and passed as a reference into
//    the caller's variant, so that what the method writes reaches the caller's variable.
//  - A reference to a variable of another plain type than the parameter's (a number or a text,
//    such as a double for the byte parameter of SendCmd) is passed as a reference to a copy
//    converted to the parameter's type; writeBack() converts the copy back into the caller's
//    variable.
class DispatchArguments {
  public:
    DispatchArguments() = default;
    DispatchArguments(const DispatchArguments&) = delete;
    DispatchArguments& operator=(const DispatchArguments&) = delete;
    ~DispatchArguments();

    // Fails with the HRESULT IDispatch::Invoke reports (DISP_E_MEMBERNOTFOUND,
    // DISP_E_BADPARAMCOUNT, DISP_E_PARAMNOTFOUND, DISP_E_TYPEMISMATCH, ...); argumentError
    // then names the offending argument where there is one.
    HRESULT prepare(ITypeInfo& table, MEMBERID member, const DISPPARAMS& given,
                    UINT* argumentError);
    // After a successful call: what the method wrote into converted copies, into the caller's
    // variables, each converted to its variable's type (a value that does not convert leaves the
    // variable as it was).
    void writeBack();
    DISPPARAMS* params() { return &params_; }
    // The caller's index of the argument at an index of params().
    UINT callerIndex(UINT preparedIndex) const;

  private:
    struct ConvertedReference {
        VARIANT* caller;
        VARIANT copy;
    };

    std::vector<VARIANT> reversed_;
    std::vector<ConvertedReference> converted_;
    std::vector<UINT> callerIndexOfParameter_;
    std::vector<BSTR> omittedStrings_;
    DISPPARAMS params_{};
};

}  // namespace velko::win32
