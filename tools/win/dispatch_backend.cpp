#include "tools/win/dispatch_backend.h"

#include <string>
#include <vector>

#include "control/runtime_error.h"
#include "platform/win32/com/bstr_text.h"
#include "tools/win/com_failure.h"
#include "tools/win/variants.h"

namespace velko::tools::win {

namespace {

// The arguments of one call: a VARIANT per argument, in the reverse order DISPPARAMS wants;
// a by-reference parameter gets a reference to a VARIANT of its own that holds the value.
class CallArguments {
  public:
    CallArguments(const MemberInfo& method, const std::vector<Value>& args)
        : method_(method), values_(args.size()), passed_(args.size()) {
        for (size_t i = 0; i < args.size(); ++i) {
            VARIANT& passed = passed_[args.size() - 1 - i];
            VariantInit(&passed);
            if (method.params[i].byRef) {
                assign(*values_[i].get(), args[i]);
                passed.vt = VT_VARIANT | VT_BYREF;
                passed.pvarVal = values_[i].get();
            } else {
                assign(passed, args[i]);
            }
        }
        params_.rgvarg = passed_.data();
        params_.cArgs = static_cast<UINT>(passed_.size());
    }
    ~CallArguments() {
        for (VARIANT& passed : passed_) VariantClear(&passed);
    }
    CallArguments(const CallArguments&) = delete;
    CallArguments& operator=(const CallArguments&) = delete;

    DISPPARAMS* params() { return &params_; }

    // What the control wrote into the by-reference arguments.
    void writeBack(std::vector<Value>& args) const {
        for (size_t i = 0; i < args.size(); ++i) {
            if (method_.params[i].byRef) args[i] = valueOf(*values_[i], method_.params[i].type);
        }
    }

  private:
    const MemberInfo& method_;
    std::vector<OwnedVariant> values_;
    std::vector<VARIANT> passed_;
    DISPPARAMS params_{};
};

// A run-time error of the control arrives as 0x800A0000 + its number.
RuntimeError errorOf(EXCEPINFO& exception) {
    if (exception.pfnDeferredFillIn != nullptr) exception.pfnDeferredFillIn(&exception);
    const HRESULT code = exception.scode != 0 ? exception.scode : exception.wCode;
    const int32_t number = HRESULT_FACILITY(code) == FACILITY_CONTROL ? HRESULT_CODE(code) : code;
    RuntimeError error(number, win32::textOf(exception.bstrDescription));
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return error;
}

}  // namespace

DISPID DispatchBackend::dispatchIdOf(const MemberInfo& method) {
    std::wstring name(method.name.begin(), method.name.end());
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT result = control_.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(result)) fail(result);
    return id;
}

Value DispatchBackend::call(const MemberInfo& method, std::vector<Value>& args) {
    const DISPID id = dispatchIdOf(method);
    CallArguments arguments(method, args);
    OwnedVariant result;
    EXCEPINFO exception{};
    UINT argumentInError = 0;
    const HRESULT outcome =
        control_.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, arguments.params(),
                        result.get(), &exception, &argumentInError);
    arguments.writeBack(args);
    if (outcome == DISP_E_EXCEPTION) throw errorOf(exception);
    if (FAILED(outcome)) fail(outcome);
    return valueOf(*result, method.result);
}

void DispatchBackend::runFor(std::chrono::milliseconds duration,
                             const std::function<bool()>& interrupted) {
    runUntil(loop_, interrupted, MessageLoop::Clock::now() + duration);
}

}  // namespace velko::tools::win
