#include "tools/shell/line_parser.h"

#include <charconv>

namespace velko::shell {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Reads exactly `digits` hexadecimal digits at pos.
char16_t hexUnit(std::string_view line, size_t pos, size_t digits) {
    unsigned value = 0;
    const std::string_view hex = line.substr(pos, digits);
    const auto [end, error] = std::from_chars(hex.data(), hex.data() + hex.size(), value, 16);
    if (hex.size() != digits || error != std::errc{} || end != hex.data() + hex.size()) {
        throw SyntaxError("\\x takes two and \\u four hexadecimal digits");
    }
    return static_cast<char16_t>(value);
}

class Tokenizer {
  public:
    explicit Tokenizer(std::string_view line) : line_(line) {}

    // The next argument, or nothing at the end of the line.
    std::optional<Text> next() {
        while (pos_ < line_.size() && isBlank(line_[pos_])) ++pos_;
        if (pos_ == line_.size()) return std::nullopt;
        if (line_[pos_] == '"') return quoted();
        const size_t start = pos_;
        while (pos_ < line_.size() && !isBlank(line_[pos_])) ++pos_;
        return fromUtf8(line_.substr(start, pos_ - start));
    }

  private:
    Text quoted() {
        Text text;
        size_t run = ++pos_;  // start of the current run of plain characters
        const auto flush = [&] { text += fromUtf8(line_.substr(run, pos_ - run)); };
        while (pos_ < line_.size() && line_[pos_] != '"') {
            if (line_[pos_] != '\\') {
                ++pos_;
                continue;
            }
            flush();
            text += escape();
            run = pos_;
        }
        if (pos_ == line_.size()) throw SyntaxError("unterminated quoted argument");
        flush();
        ++pos_;
        if (pos_ < line_.size() && !isBlank(line_[pos_])) {
            throw SyntaxError("a closing quote must end its argument");
        }
        return text;
    }

    // Reads the escape at pos_ (a backslash) and returns the unit it stands for.
    char16_t escape() {
        if (pos_ + 1 >= line_.size()) throw SyntaxError("unterminated quoted argument");
        const char kind = line_[pos_ + 1];
        pos_ += 2;
        switch (kind) {
            case 'r':
                return u'\r';
            case 'n':
                return u'\n';
            case 't':
                return u'\t';
            case '"':
                return u'"';
            case '\\':
                return u'\\';
            case 'x':
                pos_ += 2;
                return hexUnit(line_, pos_ - 2, 2);
            case 'u':
                pos_ += 4;
                return hexUnit(line_, pos_ - 4, 4);
            default:
                throw SyntaxError(std::string("unknown escape \\") + kind);
        }
    }

    std::string_view line_;
    size_t pos_ = 0;
};

int32_t parseDispid(std::string_view text) {
    const bool hex = text.starts_with("0x") || text.starts_with("0X");
    if (hex) text.remove_prefix(2);
    long long value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, hex ? 16 : 10);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
        value < INT32_MIN || value > UINT32_MAX) {
        throw SyntaxError("a dispatch id is a decimal or 0x hexadecimal number");
    }
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

std::chrono::milliseconds parseDuration(const std::optional<Text>& word) {
    const std::string text = word ? toUtf8(*word) : std::string();
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || end != text.data() + text.size() ||
        (error != std::errc{} && error != std::errc::result_out_of_range) || value < 0) {
        throw SyntaxError(":wait takes a number of milliseconds");
    }
    if (error == std::errc::result_out_of_range || value > kLongestWait.count()) {
        throw SyntaxError(":wait takes at most " + std::to_string(kLongestWait.count()) +
                          " milliseconds (about 24 days)");
    }
    return std::chrono::milliseconds(value);
}

}  // namespace

ParsedLine parseLine(std::string_view line) {
    Tokenizer words(line);
    const std::optional<Text> first = words.next();
    if (!first) return BlankLine{};
    const std::string command = toUtf8(*first);
    if (command == ":quit") {
        if (words.next()) throw SyntaxError(":quit takes no argument");
        return QuitLine{};
    }
    if (command == ":wait") {
        const WaitLine wait{parseDuration(words.next())};
        if (words.next()) throw SyntaxError(":wait takes one argument");
        return wait;
    }
    if (command.starts_with(':')) throw SyntaxError("unknown directive " + command);
    CallLine call{command, std::nullopt, {}};
    if (command.starts_with('#')) call.dispid = parseDispid(std::string_view(command).substr(1));
    while (auto word = words.next()) call.args.push_back(std::move(*word));
    return call;
}

}  // namespace velko::shell
