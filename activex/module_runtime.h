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
void lockServer(bool lock);

// Counts an object as live from its construction to its destruction. As an object's first
// member it is destroyed last, so the module stays loaded while any other part still runs.
class LiveObject {
  public:
    LiveObject();
    LiveObject(const LiveObject&) = delete;
    LiveObject& operator=(const LiveObject&) = delete;
    ~LiveObject();
};

}  // namespace velko::win32::module_runtime
