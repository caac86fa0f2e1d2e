#pragma once

#include <ole2.h>
#include <windows.h>

#include "velko_foxpro_h.h"

namespace velko::win32 {

// The identifiers the module registers and answers to. The GUIDs themselves are those of the
// type library (the generated interface header).
inline constexpr const wchar_t* kProgId = L"velko_for_fox_pro.velko_foxpro";
inline constexpr const wchar_t* kClassName = L"velko_foxpro";
inline constexpr WORD kLibraryMajorVersion = 1;
inline constexpr WORD kLibraryMinorVersion = 1;

// What the control asks of its container, for its content: given its client site before it is
// loaded, invisible at run time, activated in place whenever it is visible and without ever
// taking the user interface, never linked to.
inline constexpr DWORD kMiscStatus =
    OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INVISIBLEATRUNTIME | OLEMISC_ACTIVATEWHENVISIBLE |
    OLEMISC_INSIDEOUT | OLEMISC_NOUIACTIVATE | OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;

inline const GUID& kLibraryId = LIBID_velko_for_fox_pro;
inline const GUID& kClassId = CLSID_velko_foxpro;
inline const GUID& kDualInterfaceId = IID__velko_foxpro;
inline const GUID& kEventInterfaceId = DIID___velko_foxpro;

}  // namespace velko::win32
