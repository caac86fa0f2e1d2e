#include "activex/ambient.h"

#include <olectl.h>

#include "platform/win32/com/com_ref.h"

namespace velko::win32 {

std::optional<bool> ambientUserMode(IOleClientSite& site) {
    ComRef<IDispatch> ambients;
    if (FAILED(site.QueryInterface(IID_IDispatch, reinterpret_cast<void**>(ambients.put())))) {
        return std::nullopt;
    }
    DISPPARAMS none{};
    VARIANT value;
    VariantInit(&value);
    const HRESULT read = ambients->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, LOCALE_USER_DEFAULT,
                                          DISPATCH_PROPERTYGET, &none, &value, nullptr, nullptr);
    std::optional<bool> userMode;
    if (SUCCEEDED(read) && SUCCEEDED(VariantChangeType(&value, &value, 0, VT_BOOL))) {
        userMode = V_BOOL(&value) != VARIANT_FALSE;
    }
    VariantClear(&value);
    return userMode;
}

}  // namespace velko::win32
