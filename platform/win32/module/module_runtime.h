#pragma once

#include <windows.h>

#include <string>

namespace velko::win32::module_runtime {

// What the module's entry points hand over to.
void attach(HINSTANCE instance);
HRESULT canUnloadNow();
HRESULT getClassObject(REFCLSID classId, REFIID interfaceId, void** object);
HRESULT registerServer();
HRESULT unregisterServer();

// The module's file, for registration and for loading its embedded type library.
std::wstring modulePath();
// The module itself, for its resources and window classes.
HINSTANCE instance();

// Live objects and server locks: the module may be unloaded only when both are zero.
void objectCreated();
void objectDestroyed();
void lockServer(bool lock);

}  // namespace velko::win32::module_runtime
