#include "link/port_diagnostics.h"

#include <algorithm>

namespace velko {

namespace {

Text withDeviceAndReason(TextView label, TextView device, TextView reason) {
    return Text(label) + Text(device) + u": " + Text(reason);
}

}  // namespace

Text openFailedDiagnostic(TextView device, TextView reason) {
    return withDeviceAndReason(kOpenFailedLabel, device, reason);
}

Text deviceGoneDiagnostic(TextView device, TextView reason) {
    return withDeviceAndReason(kDeviceGoneLabel, device, reason);
}

Text deviceBackDiagnostic(TextView device, long long callsMeanwhile) {
    const TextView calls = callsMeanwhile == 1 ? u" call came meanwhile" : u" calls came meanwhile";
    return withDeviceAndReason(kDeviceBackLabel, device, decimalText(callsMeanwhile) + Text(calls));
}

Text replacedCharactersDiagnostic(size_t count) {
    return Text(kReplacedCharactersLabel) + decimalText(static_cast<long long>(count));
}

size_t replacedCharacters(TextView text, std::string_view bytes) {
    const auto sent = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '?'));
    const auto typed = static_cast<size_t>(std::count(text.begin(), text.end(), u'?'));
    return sent > typed ? sent - typed : 0;
}

}  // namespace velko
