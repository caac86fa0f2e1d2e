#include "activex/error_result.h"

#include <oleauto.h>

#include "activex/module_identity.h"
#include "platform/win32/com/com_ref.h"

namespace velko::win32 {

namespace {

void setErrorInfo(const Text& description) {
    ComRef<ICreateErrorInfo> create;
    if (FAILED(CreateErrorInfo(create.put()))) return;
    create->SetGUID(kDualInterfaceId);
    create->SetSource(const_cast<LPOLESTR>(kProgId));
    create->SetDescription(
        const_cast<LPOLESTR>(reinterpret_cast<const OLECHAR*>(description.c_str())));
    ComRef<IErrorInfo> info;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(info.put())))) {
        SetErrorInfo(0, info.get());
    }
}

}  // namespace

HRESULT runtimeErrorResult(const RuntimeError& error) {
    setErrorInfo(error.description());
    if (error.number() < 0) return static_cast<HRESULT>(error.number());
    return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, error.number() & 0xFFFF);
}

}  // namespace velko::win32
