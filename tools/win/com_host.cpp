#include "tools/win/com_host.h"

#include "tools/win/com_failure.h"

namespace velko::tools::win {

Apartment::Apartment() {
    check(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), "CoInitializeEx");
}

Apartment::~Apartment() { CoUninitialize(); }

ComHost::ComHost(const shell::HostOptions& options)
    : output_(shell::makeOutput(options)),
      sink_(*output_),
      backend_(control_.dispatch(), loop_),
      session_(backend_, *output_) {
    sink_.setEventInterface(control_.eventInterface());
    control_.advise(sink_);
}

ComHost::~ComHost() = default;

}  // namespace velko::tools::win
