#pragma once

#include <windows.h>

#include <string>

namespace velko::win32 {

// Self-registration: the class (in-process server, apartment-threaded, a control), its
// programmatic identifier and the type library embedded in the module at modulePath.
HRESULT registerModule(const std::wstring& modulePath);
// Removes the keys registerModule wrote, but the programmatic identifier while the module of the
// other architecture still registers the class; keys already gone are no failure.
HRESULT unregisterModule();

}  // namespace velko::win32
