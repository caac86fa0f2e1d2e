#include "decode/report_decoder.h"

namespace velko {

void processReport(SharedState&, _velko_foxpro&, VelkoEvents&) {}

}  // namespace velko
