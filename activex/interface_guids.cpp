// The one place where the type library's GUIDs are defined rather than declared.
#include <initguid.h>

#include "velko_foxpro_h.h"
