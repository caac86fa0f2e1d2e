#include "decode/response_decoder.h"

namespace velko {

void processResponse(SharedState&, _velko_foxpro&, VelkoEvents&) {}

}  // namespace velko
