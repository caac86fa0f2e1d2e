#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velko::sim {

// Collects text that arrives in pieces and hands it out line by line, without the LF or CR LF
// that ends each line.
class LineBuffer {
  public:
    void append(std::string_view text) { pending_ += text; }
    std::optional<std::string> nextLine();

  private:
    std::string pending_;
};

}  // namespace velko::sim
