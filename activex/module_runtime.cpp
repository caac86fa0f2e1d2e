#include "activex/module_runtime.h"

#include "activex/class_factory.h"
#include "activex/module_identity.h"
#include "activex/registration.h"

namespace velko::win32::module_runtime {

namespace {
HINSTANCE moduleInstance = nullptr;
LONG liveObjects = 0;
LONG serverLocks = 0;
}  // namespace

void attach(HINSTANCE instance) { moduleInstance = instance; }

HRESULT canUnloadNow() { return liveObjects == 0 && serverLocks == 0 ? S_OK : S_FALSE; }

HRESULT getClassObject(REFCLSID classId, REFIID interfaceId, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(classId, kClassId)) return CLASS_E_CLASSNOTAVAILABLE;
    return classFactory().QueryInterface(interfaceId, object);
}

HRESULT registerServer() { return registerModule(modulePath()); }

HRESULT unregisterServer() { return unregisterModule(); }

std::wstring modulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(moduleInstance, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

HINSTANCE instance() { return moduleInstance; }

void lockServer(bool lock) {
    if (lock) {
        InterlockedIncrement(&serverLocks);
    } else {
        InterlockedDecrement(&serverLocks);
    }
}

LiveObject::LiveObject() { InterlockedIncrement(&liveObjects); }

LiveObject::~LiveObject() { InterlockedDecrement(&liveObjects); }

}  // namespace velko::win32::module_runtime
