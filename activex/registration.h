#pragma once

#include <windows.h>

#include <string>

namespace velko::win32 {

// Self-registration: writes the entries of activex/registry_entries.h (the class, an in-process
// apartment-threaded control, its programmatic identifier, the type library embedded in the
// module at modulePath and its interfaces), once the library proves to be the one they name.
HRESULT registerModule(const std::wstring& modulePath);
// Removes the keys registerModule wrote, but the programmatic identifier and the library's key
// while the module of the other architecture is still registered; keys already gone are no
// failure.
HRESULT unregisterModule();

}  // namespace velko::win32
