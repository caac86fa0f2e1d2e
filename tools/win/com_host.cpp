#include "tools/win/com_host.h"

#include <iostream>

#include "tools/shell/human_output.h"
#include "tools/shell/json_output.h"
#include "tools/win/com_failure.h"

namespace velko::tools::win {

namespace {

std::unique_ptr<shell::ShellOutput> makeOutput(const HostOptions& options) {
    if (options.json) return std::make_unique<shell::JsonOutput>(std::cout);
    return std::make_unique<shell::HumanOutput>(std::cout, options.showDiagnostics);
}

}  // namespace

Apartment::Apartment() {
    check(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), "CoInitializeEx");
}

Apartment::~Apartment() { CoUninitialize(); }

ComHost::ComHost(const HostOptions& options)
    : output_(makeOutput(options)),
      sink_(*output_),
      backend_(control_.dispatch(), loop_),
      session_(backend_, *output_) {
    sink_.setEventInterface(control_.eventInterface());
    control_.advise(sink_);
}

ComHost::~ComHost() = default;

bool ComHost::serve(StdinLines& input, bool endAtEndOfInput, const std::function<bool()>& stop) {
    for (;;) {
        loop_.runPending();
        while (auto line = input.lines().next()) {
            if (!session_.execute(*line)) return false;
            if (stop()) return true;
        }
        if (stop()) return true;
        if (endAtEndOfInput && input.lines().exhausted()) {
            loop_.runPending();
            return true;
        }
        loop_.waitForActivity(MessageLoop::Clock::time_point::max());
    }
}

}  // namespace velko::tools::win
