#include "commands/command_frame.h"

namespace velko {

namespace {

constexpr char16_t kClosing = u']';

}  // namespace

Text commandBody(uint8_t cmd, const Text& para1, const Text& para2, const Text& para3) {
    Text body{static_cast<char16_t>(cmd), kCR};
    for (const Text* para : {&para1, &para2, &para3}) {
        if (para->empty()) continue;
        body += *para;
        body += kCR;
    }
    body += kClosing;
    return body;
}

}  // namespace velko
