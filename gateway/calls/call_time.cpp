#include "gateway/calls/call_time.h"

#include <cstdio>
#include <string_view>

namespace velko::gateway {

namespace {

// 29 February comes back within eight years (1900 to 1904 skips one leap day).
constexpr int kYearsSearched = 9;

std::tm localTime(std::time_t moment) {
    std::tm fields{};
    localtime_r(&moment, &fields);
    return fields;
}

// The local moment of the fields in that year; nothing when they name no such moment (the
// normalisation of mktime moved one of them).
std::optional<std::time_t> localMoment(int year, int month, int day, int hour, int minute) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_isdst = -1;
    const std::time_t moment = std::mktime(&fields);
    if (moment == -1 || fields.tm_year != year - 1900 || fields.tm_mon != month - 1 ||
        fields.tm_mday != day || fields.tm_min != minute) {
        return std::nullopt;
    }
    return moment;
}

std::string utcText(std::time_t seconds, int milliseconds) {
    std::tm fields{};
    gmtime_r(&seconds, &fields);
    // The year in four digits (strftime's %Y writes 999 for 0999), so that texts sort in time.
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", fields.tm_year + 1900,
                  fields.tm_mon + 1, fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec,
                  milliseconds);
    return text;
}

}  // namespace

std::optional<std::time_t> inferCallMoment(int month, int day, int hour, int minute,
                                           std::time_t now) {
    const std::vector<std::time_t> moments =
        callMomentsUntil(month, day, hour, minute, now + kReportLead.count());
    if (moments.empty()) return std::nullopt;
    return moments.front();
}

std::vector<std::time_t> callMomentsUntil(int month, int day, int hour, int minute,
                                          std::time_t latest) {
    std::vector<std::time_t> moments;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59) {
        return moments;
    }
    const int latestYear = localTime(latest).tm_year + 1900;
    for (int year = latestYear; year > latestYear - kYearsSearched; --year) {
        const auto moment = localMoment(year, month, day, hour, minute);
        if (moment && *moment <= latest) moments.push_back(*moment);
    }
    return moments;
}

std::string localTimeText(std::time_t moment) {
    const std::tm fields = localTime(moment);
    char time[32];
    char offset[8];
    std::strftime(time, sizeof time, "%Y-%m-%dT%H:%M:%S", &fields);
    std::strftime(offset, sizeof offset, "%z", &fields);
    // strftime writes the offset as +0900; ISO 8601 text wants +09:00.
    const std::string_view hours(offset, 3), minutes(offset + 3, 2);
    return std::string(time) + std::string(hours) + ":" + std::string(minutes);
}

std::optional<std::time_t> momentOfTimeText(const std::string& text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, offsetHours = 0,
        offsetMinutes = 0;
    char sign = 0;
    if (text.size() != 25 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%2d:%2d", &year, &month, &day, &hour,
                    &minute, &second, &sign, &offsetHours, &offsetMinutes) != 9 ||
        (sign != '+' && sign != '-')) {
        return std::nullopt;
    }
    using namespace std::chrono;
    const year_month_day date{std::chrono::year(year),
                              std::chrono::month(static_cast<unsigned>(month)),
                              std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok()) return std::nullopt;
    const auto offset = hours(offsetHours) + minutes(offsetMinutes);
    const auto utc = sys_days(date) + hours(hour) + minutes(minute) + seconds(second) -
                     (sign == '+' ? offset : -offset);
    return system_clock::to_time_t(utc);
}

std::string utcTimeText(std::chrono::system_clock::time_point moment) {
    using namespace std::chrono;
    const auto whole = floor<seconds>(moment);
    return utcText(system_clock::to_time_t(whole),
                   static_cast<int>(floor<milliseconds>(moment - whole).count()));
}

std::string utcTimeText(std::time_t moment) { return utcText(moment, 0); }

std::optional<std::time_t> localDayStart(const std::string& text) {
    // Digits and dashes exactly where they belong: sscanf alone would take " 26-3-05", "+026"
    // or a text cut short by a NUL.
    constexpr std::string_view kForm = "0000-00-00";
    if (text.size() != kForm.size()) return std::nullopt;
    for (size_t i = 0; i < kForm.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kForm[i] == '0' ? !digit : text[i] != kForm[i]) return std::nullopt;
    }
    const auto number = [&](size_t at, size_t length) {
        return std::stoi(text.substr(at, length));
    };
    return localMoment(number(0, 4), number(5, 2), number(8, 2), 0, 0);
}

}  // namespace velko::gateway
