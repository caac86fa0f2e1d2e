#pragma once

#include "tools/shell/line_writer.h"
#include "tools/shell/output.h"

namespace velko::shell {

// One JSON object per line, UTF-8:
//   {"call":NAME,"result":VALUE,"args":[...]}
//   {"call":NAME,"error":{"number":N,"description":TEXT},"args":[...]}
//   {"event":NAME,PARAM:VALUE,...}
//   {"input":LINE,"error":{"number":-2147024809,"description":TEXT}}   (a line not understood)
// Values: null for Empty or no result, true/false, numbers, strings; a CID_INFO as an object keyed
// by its field names, an array of them as a JSON array of all its entries.
class JsonOutput final : public ShellOutput {
  public:
    explicit JsonOutput(LineWriter& out) : out_(out) {}

    void called(const MemberInfo& method, const Value& result,
                std::span<const Value> args) override;
    void failed(std::string_view name, const RuntimeError& error,
                std::span<const Value> args) override;
    void event(const MemberInfo& event, std::span<const Value> params) override;
    void badInput(std::string_view line, std::string_view description) override;

  private:
    LineWriter& out_;
};

}  // namespace velko::shell
