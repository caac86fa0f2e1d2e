#include "tests/win/support/control_client.h"

#include <string>

#include "tests/win/support/automation.h"
#include "tests/win/support/check.h"

namespace velko::wintest {

ComRef<IDispatch> createControl() {
    CLSID classId{};
    REQUIRE(SUCCEEDED(CLSIDFromProgID(kProgId, &classId)));
    ComRef<IDispatch> control;
    const HRESULT created = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                             reinterpret_cast<void**>(control.put()));
    CHECK_HR(created, S_OK);
    REQUIRE(control);
    return control;
}

void openPort(IDispatch& control, const wchar_t* port) {
    Bstr name(port);
    Bstr error(L"");
    Outcome opened;
    invoke(control, method("OpenVelko"), {byRef(name.slot()), byRef(error.slot())}, opened);
    CHECK_EQ(error.text(), std::wstring());
    REQUIRE(opened.result == S_OK && V_I2(&opened.value) == 0);
}

HRESULT closePort(IDispatch& control) {
    Bstr name(L"");
    Bstr error(L"");
    Outcome closed;
    invoke(control, method("CloseVelko"), {byRef(name.slot()), byRef(error.slot())}, closed);
    return closed.result;
}

AdvisedRecorder::AdvisedRecorder(IDispatch& control)
    : recorder_(ComRef<EventRecorder>::adopt(EventRecorder::create(DIID___velko_foxpro))) {
    const auto container =
        queryInterface<IConnectionPointContainer>(control, IID_IConnectionPointContainer);
    REQUIRE(container);
    REQUIRE(SUCCEEDED(container->FindConnectionPoint(DIID___velko_foxpro, point_.put())));
    REQUIRE(SUCCEEDED(point_->Advise(recorder_.get(), &cookie_)));
}

AdvisedRecorder::~AdvisedRecorder() { unadvise(); }

void AdvisedRecorder::unadvise() {
    if (cookie_ != 0) point_->Unadvise(cookie_);
    cookie_ = 0;
}

}  // namespace velko::wintest
