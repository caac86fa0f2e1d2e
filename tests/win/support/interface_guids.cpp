// The one place where the test programs define the type library's GUIDs.
#include <initguid.h>

#include "velko_foxpro_h.h"
