// The control on a container's form: Wine's own control container (atl.dll) creates it from
// its programmatic identifier, sites it and activates it in place, and the container's own
// message loop carries the control's events.
#include <ole2.h>
#include <olectl.h>

#include "tests/win/support/automation.h"
#include "tests/win/support/check.h"
#include "tests/win/support/control_client.h"
#include "tests/win/support/form_host.h"
#include "tests/win/support/snapshot.h"
#include "tests/win/support/terminal_line.h"

using namespace velko::wintest;

namespace {

// The picture in a 28 by 28 area: the 16 by 15 bitmap in the middle of a raised box, its
// handset navy and its display green.
constexpr POINT kHandset = {6 + 7, 6 + 1};
constexpr POINT kDisplay = {6 + 7, 6 + 7};
constexpr POINT kBox = {4, 14};
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kGreen = RGB(0, 128, 0);

void checkPicture(const Snapshot& picture) {
    CHECK_EQ(picture.pixel(kHandset.x, kHandset.y), kNavy);
    CHECK_EQ(picture.pixel(kDisplay.x, kDisplay.y), kGreen);
    CHECK_EQ(picture.pixel(kBox.x, kBox.y), GetSysColor(COLOR_BTNFACE));
}

HWND controlWindow(IUnknown& control) {
    const auto inPlace = queryInterface<IOleInPlaceObject>(control, IID_IOleInPlaceObject);
    REQUIRE(inPlace);
    HWND window = nullptr;
    CHECK_HR(inPlace->GetWindow(&window), S_OK);
    return window;
}

}  // namespace

WIN_TEST(sited_in_place_invisible_at_run_time_and_drawn_on_request) {
    FormHost form(kProgId, kSiteSize);
    const ComRef<IUnknown> control = form.control();
    REQUIRE(control);

    // Wine's container tells no UserMode: the form runs, and the control's window is hidden.
    const HWND window = controlWindow(*control.get());
    REQUIRE(window != nullptr);
    CHECK(GetParent(window) == form.site());
    CHECK(!IsWindowVisible(window));

    // The container moves the control with its site.
    MoveWindow(form.site(), 0, 0, 60, 40, TRUE);
    RECT placed;
    GetClientRect(window, &placed);
    CHECK_EQ(placed.right, 60);
    CHECK_EQ(placed.bottom, 40);

    // The status the object reports is the one registered for the class.
    const auto object = queryInterface<IOleObject>(*control.get(), IID_IOleObject);
    REQUIRE(object);
    DWORD status = 0;
    CHECK_HR(object->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
    CHECK(status & OLEMISC_INVISIBLEATRUNTIME);
    CLSID classId{};
    CHECK_HR(CLSIDFromProgID(kProgId, &classId), S_OK);
    DWORD registered = 0;
    CHECK_HR(OleRegGetMiscStatus(classId, DVASPECT_CONTENT, &registered), S_OK);
    CHECK_EQ(status, registered);

    // A form stores nothing for it.
    const auto persist = queryInterface<IPersistStreamInit>(*control.get(), IID_IPersistStreamInit);
    REQUIRE(persist);
    ComRef<IStream> stream;
    REQUIRE(SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put())));
    CHECK_HR(persist->Save(stream.get(), TRUE), S_OK);
    STATSTG stored{};
    stream->Stat(&stored, STATFLAG_NONAME);
    CHECK_EQ(stored.cbSize.QuadPart, 0);

    // Drawn into a device context of the container's choosing, it shows its picture.
    const auto view = queryInterface<IViewObject2>(*control.get(), IID_IViewObject2);
    REQUIRE(view);
    Snapshot picture(kSiteSize.cx, kSiteSize.cy);
    const RECTL bounds{0, 0, kSiteSize.cx, kSiteSize.cy};
    CHECK_HR(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, picture.dc(), &bounds,
                        nullptr, nullptr, 0),
             S_OK);
    checkPicture(picture);
}

WIN_TEST(a_form_being_designed_shows_the_picture_and_quick_activation_advises_its_sink) {
    FormHost form(L"", kSiteSize);
    const ComRef<IDispatch> control = createControl();
    const auto quick = queryInterface<IQuickActivate>(*control.get(), IID_IQuickActivate);
    REQUIRE(quick);
    const ComRef<EventRecorder> sink =
        ComRef<EventRecorder>::adopt(EventRecorder::create(DIID___velko_foxpro));
    QACONTAINER container{};
    container.cbSize = sizeof container;
    container.pUnkEventSink = sink.get();
    container.dwAmbientFlags = 0;  // not QACONTAINER_USERMODE: the form is being designed
    QACONTROL reported{};
    reported.cbSize = sizeof reported;
    CHECK_HR(quick->QuickActivate(&container, &reported), S_OK);
    CHECK(reported.dwMiscStatus & OLEMISC_INVISIBLEATRUNTIME);
    CHECK(reported.dwViewStatus & VIEWSTATUS_OPAQUE);
    CHECK(reported.dwEventCookie != 0);

    // The sink handed over with quick activation hears the control's events.
    Outcome processed;
    invoke(*control.get(), method("ProcessReport"), {}, processed);
    CHECK_HR(processed.result, S_OK);
    CHECK_EQ(sink->named(event("DebugMsg")).size(), 1);

    // Sited on the form being designed, its window shows the picture.
    CHECK_HR(form.attach(*control.get()), S_OK);
    const HWND window = controlWindow(*control.get());
    REQUIRE(window != nullptr);
    CHECK(IsWindowVisible(window));
    UpdateWindow(window);
    Snapshot shown(kSiteSize.cx, kSiteSize.cy);
    shown.copyWindow(window);
    checkPicture(shown);

    const auto events =
        queryInterface<IConnectionPointContainer>(*control.get(), IID_IConnectionPointContainer);
    ComRef<IConnectionPoint> point;
    REQUIRE(SUCCEEDED(events->FindConnectionPoint(DIID___velko_foxpro, point.put())));
    CHECK_HR(point->Unadvise(reported.dwEventCookie), S_OK);
}

WIN_TEST(a_caller_report_reaches_the_sink_through_the_containers_message_loop) {
    FormHost form(kProgId, kSiteSize);
    const ComRef<IUnknown> control = form.control();
    REQUIRE(control);
    const auto automation = queryInterface<IDispatch>(*control.get(), IID_IDispatch);
    REQUIRE(automation);
    AdvisedRecorder sink(*automation.get());
    const DISPID call = event("ReceiveCallByString");
    sink.recorder().onEvent = [&](DISPPARAMS&) {
        if (!sink.recorder().named(call).empty()) PostQuitMessage(0);
    };

    openPort(*automation.get(), kControlPort);

    TerminalLine terminal;
    terminal.write(
        L"Report\r\nD\r\nTime:03050907\r\nNumber:0212345678\r\nName:홍길동\r\nGroup:2\r\n"
        L"Type:S\r\nEnd\r\n");
    CHECK(runMessageLoop(kEventLimitMilliseconds));
    const auto calls = sink.recorder().named(call);
    REQUIRE(calls.size() == 1);
    REQUIRE(calls[0].arguments.size() == 2);
    CHECK_EQ(calls[0].arguments[0].number, 1);
    CHECK_EQ(calls[0].arguments[1].text, std::wstring(L"3 5 9 7 0212345678 2 NORMAL "));

    CHECK_HR(closePort(*automation.get()), S_OK);
}

WIN_TEST(closing_the_form_closes_the_control_and_lets_the_module_go) {
    HWND window = nullptr;
    {
        FormHost form(kProgId, kSiteSize);
        window = controlWindow(*form.control().get());
        REQUIRE(IsWindow(window));
        form.destroy();
    }
    CHECK(!IsWindow(window));
    // No control object is left alive: nothing holds one in a cycle with its site.
    const HMODULE module = GetModuleHandleW(L"velko_fox.ocx");
    REQUIRE(module != nullptr);
    const auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    REQUIRE(canUnload != nullptr);
    CHECK_HR(canUnload(), S_OK);
}
