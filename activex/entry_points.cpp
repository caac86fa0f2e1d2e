// The module's exported entry points: each only hands over to the module runtime.
#include <windows.h>

#include "activex/module_runtime.h"

namespace runtime = velko::win32::module_runtime;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) runtime::attach(instance);
    return TRUE;
}

STDAPI DllCanUnloadNow() { return runtime::canUnloadNow(); }

STDAPI DllGetClassObject(REFCLSID classId, REFIID interfaceId, LPVOID* object) {
    return runtime::getClassObject(classId, interfaceId, object);
}

STDAPI DllRegisterServer() { return runtime::registerServer(); }

STDAPI DllUnregisterServer() { return runtime::unregisterServer(); }
