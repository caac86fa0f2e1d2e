#pragma once

#include <cstddef>
#include <string_view>

#include "control/text.h"

namespace velko {

// The diagnostics a serial component raises about its device (SerialPort::setOnDiagnostic), which
// the control passes on as DebugMsg. Like every DebugMsg text, each is a fixed label followed
// directly by its value:
//   포트열기실패:/dev/ttyUSB0: Permission denied      the device did not open, and the reason
//   포트장치사라짐:/dev/ttyUSB0: Input/output error   the open device went away, and the reason;
//                                                     the port is closed from then on
//   포트장치복귀:https://10.0.0.5:8443: 3 calls came meanwhile
//                                                     a device that reopens by itself (a port
//                                                     mapped to a gateway) is open again, and
//                                                     how many calls its far end received while
//                                                     it was away
//   ?로바뀐문자수:2                                   characters without a code page 949 form
//                                                     went out as "?"
inline constexpr TextView kOpenFailedLabel = u"포트열기실패:";
inline constexpr TextView kDeviceGoneLabel = u"포트장치사라짐:";
inline constexpr TextView kDeviceBackLabel = u"포트장치복귀:";
inline constexpr TextView kReplacedCharactersLabel = u"?로바뀐문자수:";

Text openFailedDiagnostic(TextView device, TextView reason);
Text deviceGoneDiagnostic(TextView device, TextView reason);
Text deviceBackDiagnostic(TextView device, long long callsMeanwhile);
Text replacedCharactersDiagnostic(size_t count);

// How many characters of text went out as "?" in bytes, the text's code page 949 form: the "?"
// bytes that no "?" of the text accounts for. A "?" byte is never part of a two-byte character
// of the code page, whose second bytes are letters or above 0x80.
size_t replacedCharacters(TextView text, std::string_view bytes);

}  // namespace velko
