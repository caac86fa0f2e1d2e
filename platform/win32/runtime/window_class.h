#pragma once

#include <windows.h>

namespace velko::win32 {

// Registers a window class of the module whose hInstance it names, unless that module's class
// of the name is there already. A class registered by a DLL outlives an unload of the DLL, and
// classes are told apart by name and module: a DLL loaded again at the same address finds its
// class with the same window procedure, one loaded elsewhere registers its own. False when the
// system refuses; GetLastError tells why.
bool registerWindowClass(const WNDCLASSEXW& windowClass);

}  // namespace velko::win32
