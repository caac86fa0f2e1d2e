// Events of the control through its connection point, for what the control raises without a
// serial port: the decoders called directly on an empty receive buffer.
#include <olectl.h>

#include "tests/win/support/automation.h"
#include "tests/win/support/check.h"
#include "tests/win/support/control_client.h"

using namespace velko::wintest;

namespace {

void call(IDispatch& control, const char* name) {
    Outcome outcome;
    invoke(control, method(name), {}, outcome);
    CHECK_HR(outcome.result, S_OK);
}

}  // namespace

WIN_TEST(one_connection_point_for_the_event_interface) {
    const ComRef<IDispatch> control = createControl();
    const auto container =
        queryInterface<IConnectionPointContainer>(*control.get(), IID_IConnectionPointContainer);
    REQUIRE(container);

    ComRef<IEnumConnectionPoints> points;
    REQUIRE(SUCCEEDED(container->EnumConnectionPoints(points.put())));
    IConnectionPoint* found[2] = {};
    ULONG fetched = 0;
    CHECK_HR(points->Next(2, found, &fetched), S_FALSE);
    REQUIRE(fetched == 1);
    const ComRef<IConnectionPoint> point = ComRef<IConnectionPoint>::adopt(found[0]);
    IID events{};
    CHECK_HR(point->GetConnectionInterface(&events), S_OK);
    CHECK_EQ(events, DIID___velko_foxpro);
    ComRef<IConnectionPointContainer> owner;
    CHECK_HR(point->GetConnectionPointContainer(owner.put()), S_OK);
    CHECK(owner.get() == container.get());

    ComRef<IConnectionPoint> other;
    CHECK_HR(container->FindConnectionPoint(IID_IDispatch, other.put()), CONNECT_E_NOCONNECTION);
    CHECK_HR(point->Unadvise(12345), CONNECT_E_NOCONNECTION);
    // An object without IDispatch cannot be a sink.
    ComRef<IEnumConnectionPoints> notASink;
    points->Clone(notASink.put());
    DWORD cookie = 0;
    CHECK_HR(point->Advise(notASink.get(), &cookie), CONNECT_E_CANNOTCONNECT);
}

WIN_TEST(EventTest_raises_nothing) {
    const ComRef<IDispatch> control = createControl();
    AdvisedRecorder sink(*control.get());
    Bstr text(L"anything");
    Outcome tested;
    invoke(*control.get(), method("EventTest"), {byRef(text.slot())}, tested);
    CHECK_HR(tested.result, S_OK);
    CHECK_EQ(V_VT(&tested.value), VT_EMPTY);
    CHECK_EQ(text.text(), std::wstring(L"anything"));
    CHECK_EQ(sink.recorder().events.size(), 0u);
}

WIN_TEST(decoders_on_an_empty_buffer_raise_only_the_report_diagnostic) {
    const ComRef<IDispatch> control = createControl();
    AdvisedRecorder first(*control.get());
    AdvisedRecorder second(*control.get());
    std::vector<int> order;
    first.recorder().onEvent = [&](DISPPARAMS&) { order.push_back(1); };
    second.recorder().onEvent = [&](DISPPARAMS&) { order.push_back(2); };

    call(*control.get(), "ProcessResponse");
    call(*control.get(), "GetInformationWithoutIndicator");
    call(*control.get(), "EndMessageDiscard");
    CHECK_EQ(first.recorder().events.size(), 0u);

    call(*control.get(), "ProcessReport");
    for (AdvisedRecorder* sink : {&first, &second}) {
        REQUIRE(sink->recorder().events.size() == 1);
        const RecordedEvent& raised = sink->recorder().events[0];
        CHECK_EQ(raised.id, event("DebugMsg"));
        REQUIRE(raised.arguments.size() == 1);
        CHECK_EQ(raised.arguments[0].type, VT_BSTR);
        CHECK_EQ(raised.arguments[0].text, std::wstring(L"ProcessReport(): gRxData:"));
    }
    CHECK(order == (std::vector<int>{1, 2}));
}

WIN_TEST(a_sink_unadvised_during_an_event_hears_no_more) {
    const ComRef<IDispatch> control = createControl();
    AdvisedRecorder first(*control.get());
    AdvisedRecorder second(*control.get());
    // The first sink unadvises the second while the event is under way.
    first.recorder().onEvent = [&](DISPPARAMS&) { second.unadvise(); };
    call(*control.get(), "ProcessReport");
    CHECK_EQ(first.recorder().events.size(), 1u);
    CHECK_EQ(second.recorder().events.size(), 0u);

    first.unadvise();
    call(*control.get(), "ProcessReport");
    CHECK_EQ(first.recorder().events.size(), 1u);
}
