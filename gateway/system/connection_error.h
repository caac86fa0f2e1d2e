#pragma once

#include <stdexcept>

namespace velko::gateway {

// A connection that failed or ended, or a wait for one that a stop ended ("stopped"), with the
// reason to tell.
class ConnectionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace velko::gateway
