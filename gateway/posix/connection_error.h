#pragma once

#include <stdexcept>

namespace velko::gateway {

// A connection of an output that failed or ended, with the reason to tell.
class ConnectionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace velko::gateway
