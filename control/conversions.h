#pragma once

#include <cstdint>

#include "control/cid_info.h"
#include "control/text.h"

namespace velko {

// The numeric value of a text: blanks, tabs and line feeds are ignored wherever they stand;
// from the start, a signed decimal number with optional fraction and exponent, or after &H or
// &O hexadecimal or octal digits; reading stops at the first character that cannot continue the
// number. A text that does not begin with a number reads as 0.
double leadingNumber(TextView text);

// Rounds to the nearest integer, halves to the even neighbour. A value outside -32768..32767 is
// an overflow run-time error.
int16_t toInt16(double value);

// The leading-number reading followed by the 16-bit conversion.
int16_t numericField(TextView text);

// The characters of text from 1-based position start, at most length of them; empty when start
// lies beyond the end.
TextView middle(TextView text, size_t start, size_t length);

// A call time MMDDhhmm into lMonth, lDay, lHour and lMin; missing pairs give 0.
void fillTimeValue(CID_INFO& record, TextView time);

// The number-type word for a "Type:" letter: "B" BLACK, "S" NORMAL, "C" PUBLIC, "P" NO_DISP,
// "O" NO_GATHER, "V" VIP; empty for anything else.
Text lineTypeWord(TextView letter);

}  // namespace velko
