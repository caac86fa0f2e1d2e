#pragma once

#include <unknwn.h>

namespace velko::win32 {

// The class object of velko_foxpro: one per module, living as long as the module.
IClassFactory& classFactory();

}  // namespace velko::win32
