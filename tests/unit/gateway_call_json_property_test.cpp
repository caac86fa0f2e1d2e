// Random field values, text of any bytes included, go into the MQTT call payload, which must
// parse as JSON and give the values back; invalid UTF-8 comes back as U+FFFD (docs/mqtt.md).

#include <gtest/gtest.h>

#include <array>
#include <iostream>
#include <limits>
#include <nlohmann/json.hpp>
#include <random>

#include "control/text.h"
#include "gateway/outputs/mqtt_messages.h"

namespace velko::gateway {
namespace {

// Texts of pieces JSON escapes, of any UTF-8, and, when asked, of bytes that are no UTF-8.
class Fields {
  public:
    std::string text(bool anyBytes) {
        std::uniform_int_distribution<size_t> pieceIndex{0,
                                                         (anyBytes ? kPieces.size() : kUtf8) - 1};
        std::string text;
        for (size_t count = pieceCount(random_); count > 0; --count) {
            text += kPieces[pieceIndex(random_)];
        }
        return text;
    }
    template <typename Integer>
    Integer integer() {
        return std::uniform_int_distribution<Integer>(std::numeric_limits<Integer>::min(),
                                                      std::numeric_limits<Integer>::max())(random_);
    }

  private:
    static constexpr size_t kUtf8 = 16;  // the pieces before are UTF-8
    static inline const std::array<std::string, 24> kPieces{
        "\"", "\\", "/", "\\u0000", "\r\n", "\t", "\x01", "\x7F", "홍길동", "\u2028", "\U0001F4DE",
        "0212345678", "a b", "\uFFFD", std::string(1, '\0'), "{}",
        // no UTF-8: a lone continuation byte, a cut sequence, an overlong form, a surrogate,
        // beyond U+10FFFF, a byte UTF-8 never uses, code page 949 bytes
        "\x80", "\xEA\xB0", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF", "\xB0\xA1",
        "\xC7"};
    std::mt19937_64 random_{20260305};
    std::uniform_int_distribution<size_t> pieceCount{0, 8};
};

// The text as it should come back: valid UTF-8 with U+FFFD for the bytes that are not. How many
// U+FFFD an invalid sequence gives is not compared, so a run of them counts as one.
std::string valid(const std::string& text) {
    const std::string replacement = "\uFFFD";
    std::string utf8 = toUtf8(fromUtf8(text));
    for (size_t at = utf8.find(replacement + replacement); at != std::string::npos;
         at = utf8.find(replacement + replacement, at)) {
        utf8.erase(at, replacement.size());
    }
    return utf8;
}

bool same(const nlohmann::json& json, const std::string& text) {
    return json.is_string() && valid(json.get<std::string>()) == valid(text);
}

bool sameCall(const nlohmann::json& json, const Call& call) {
    return json.size() == 14 && same(json["line"], call.line) &&
           (call.time ? same(json["time"], *call.time) : json["time"].is_null()) &&
           json["month"] == call.month && json["day"] == call.day && json["hour"] == call.hour &&
           json["minute"] == call.minute && same(json["number"], call.number) &&
           same(json["name"], call.name) && json["group"] == call.group &&
           same(json["type"], call.type) && json["state"] == call.state &&
           same(json["received"], call.received) && json["id"] == call.id &&
           json["source"] == callSourceName(call.source);
}

TEST(CallJsonProperty, AnyFieldValuesParseBackAsThemselves) {
    constexpr int kCases = 100'000;
    const MqttTopics topics("velko", "shop");
    Fields fields;
    int wrong = 0;
    int invalid = 0;
    std::string firstWrong;
    for (int index = 0; index < kCases; ++index) {
        Call call;
        call.id = fields.integer<int64_t>();
        call.state = fields.integer<int16_t>();
        call.month = fields.integer<int16_t>();
        call.day = fields.integer<int16_t>();
        call.hour = fields.integer<int16_t>();
        call.minute = fields.integer<int16_t>();
        const bool anyBytes = index % 4 == 0;
        if (index % 2 == 0) call.time = fields.text(anyBytes);
        call.number = fields.text(anyBytes);
        call.name = fields.text(anyBytes);
        call.group = fields.integer<int16_t>();
        call.type = fields.text(anyBytes);
        call.line = fields.text(anyBytes);
        call.received = fields.text(anyBytes);
        if (index % 3 == 0) call.source = CallSource::Memory;
        const std::string payload = topics.call(call).payload;
        const auto json = nlohmann::json::parse(payload, nullptr, false);
        if ((json.is_discarded() || !sameCall(json, call)) && wrong++ == 0) firstWrong = payload;
        const std::string texts = call.line + call.number + call.name + call.type + call.received;
        if (toUtf8(fromUtf8(texts)) != texts) ++invalid;
    }
    std::cout << kCases << " calls, " << invalid << " with bytes that are no UTF-8\n";
    RecordProperty("cases", kCases);
    EXPECT_EQ(wrong, 0) << firstWrong;
}

}  // namespace
}  // namespace velko::gateway
