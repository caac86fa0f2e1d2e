#include "tools/win/com_host.h"

#include <iostream>

#include "tools/win/com_failure.h"

namespace velko::tools::win {

Apartment::Apartment() {
    check(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), "CoInitializeEx");
}

Apartment::~Apartment() { CoUninitialize(); }

ComHost::ComHost(const shell::HostOptions& options)
    : lines_(std::cout),
      output_(shell::makeOutput(options, lines_)),
      notices_(*output_, std::cerr),
      sink_(notices_),
      backend_(control_.dispatch(), loop_),
      session_(backend_, notices_) {
    sink_.setEventInterface(control_.eventInterface());
    control_.advise(sink_);
}

ComHost::~ComHost() = default;

}  // namespace velko::tools::win
