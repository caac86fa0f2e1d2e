#pragma once

#include <string>
#include <string_view>

#include "gateway/calls/call.h"

namespace velko::gateway {

// The lines the gateway sends an NCID server, each value made safe for the server's parser
// first (docs/ncid.md).

// "HELLO: IDENT: gateway velko 1.0.0"
std::string ncidHello(std::string_view version);

// "CALL: ###DATE03050907...CALLIN...LINEshop...NMBR0212345678...NAME홍길동+++"
std::string ncidCallLine(const Call& call);

// "CALLINFO: ###BYE...DATE03050907...SCALL03/05/2026 09:07:02...ECALL03/05/2026 09:09:40...
// CALLIN...LINEshop...NMBR0212345678...NAME홍길동+++" for a call that was answered.
std::string ncidHangUpLine(const FinishedCall& finished);

}  // namespace velko::gateway
