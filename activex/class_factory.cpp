#include "activex/class_factory.h"

#include "activex/control_object.h"
#include "activex/error_result.h"
#include "activex/module_runtime.h"

namespace velko::win32 {

namespace {

class ControlClassFactory final : public IClassFactory {
  public:
    STDMETHODIMP QueryInterface(REFIID interfaceId, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // The factory lives as long as the module; server locks keep the module loaded.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID interfaceId, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        return guarded([&] { return createControlObject(interfaceId, object); });
    }

    STDMETHODIMP LockServer(BOOL lock) override {
        module_runtime::lockServer(lock != FALSE);
        return S_OK;
    }
};

}  // namespace

IClassFactory& classFactory() {
    static ControlClassFactory factory;
    return factory;
}

}  // namespace velko::win32
