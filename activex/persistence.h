#pragma once

#include <ocidl.h>

#include "activex/inner_interfaces.h"

namespace velko::win32 {

// IPersistStreamInit and IPersistPropertyBag: the control keeps no properties of its own, so a
// form stores nothing for it, and loading or starting afresh leaves it as it was created.
class Persistence final : public InnerInterfaces<IPersistStreamInit, IPersistPropertyBag> {
  public:
    explicit Persistence(IUnknown& owner) : InnerInterfaces(owner) {}

    // IPersist, for both
    STDMETHODIMP GetClassID(CLSID* classId) override;
    // Both start afresh the same way.
    STDMETHODIMP InitNew() override;

    // IPersistStreamInit
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(LPSTREAM stream) override;
    STDMETHODIMP Save(LPSTREAM stream, BOOL clearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;

    // IPersistPropertyBag
    STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
    STDMETHODIMP Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;
};

}  // namespace velko::win32
