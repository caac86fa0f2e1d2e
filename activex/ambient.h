#pragma once

#include <ole2.h>

#include <optional>

namespace velko::win32 {

// The container's ambient property UserMode, read through its client site: true at run time,
// false while the form is being designed; nothing when the site does not answer it.
std::optional<bool> ambientUserMode(IOleClientSite& site);

}  // namespace velko::win32
