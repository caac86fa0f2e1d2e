// The control under a site of the test's own, for what Wine's container never does: tell the
// ambient UserMode, clip the control, and let the control go while it is active in place.
#include <ole2.h>
#include <olectl.h>

#include "tests/win/support/check.h"
#include "tests/win/support/control_client.h"
#include "tests/win/support/form_host.h"
#include "tests/win/support/test_site.h"

using namespace velko::wintest;

namespace {

// A control sited in the test's site (in an empty site window of a form) and active in place.
struct ActiveControl {
    explicit ActiveControl(bool userMode)
        : form(L"", kSiteSize),
          site(ComRef<TestSite>::adopt(TestSite::create(form.site()))),
          control(createControl()),
          object(queryInterface<IOleObject>(*control.get(), IID_IOleObject)) {
        site->userMode = userMode;
        REQUIRE(object);
        CHECK_HR(object->SetClientSite(site.get()), S_OK);
        RECT position{0, 0, kSiteSize.cx, kSiteSize.cy};
        CHECK_HR(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.get(), 0, form.site(),
                                &position),
                 S_OK);
        const auto inPlace =
            queryInterface<IOleInPlaceObject>(*control.get(), IID_IOleInPlaceObject);
        REQUIRE(inPlace);
        CHECK_HR(inPlace->GetWindow(&window), S_OK);
        REQUIRE(window != nullptr);
    }

    FormHost form;
    ComRef<TestSite> site;
    ComRef<IDispatch> control;
    ComRef<IOleObject> object;
    HWND window = nullptr;
};

}  // namespace

WIN_TEST(the_ambient_user_mode_and_the_verbs_decide_whether_the_picture_shows) {
    ActiveControl active(false);
    CHECK(IsWindowVisible(active.window));

    const auto control = queryInterface<IOleControl>(*active.control.get(), IID_IOleControl);
    REQUIRE(control);
    active.site->userMode = true;
    CHECK_HR(control->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE), S_OK);
    CHECK(!IsWindowVisible(active.window));
    active.site->userMode = false;
    CHECK_HR(control->OnAmbientPropertyChange(DISPID_UNKNOWN), S_OK);
    CHECK(IsWindowVisible(active.window));

    CHECK_HR(active.object->DoVerb(OLEIVERB_HIDE, nullptr, active.site.get(), 0, nullptr, nullptr),
             S_OK);
    CHECK(!IsWindowVisible(active.window));
    CHECK_HR(active.object->DoVerb(OLEIVERB_SHOW, nullptr, active.site.get(), 0, nullptr, nullptr),
             S_OK);
    CHECK(IsWindowVisible(active.window));
    CHECK_HR(active.object->DoVerb(OLEIVERB_OPEN, nullptr, active.site.get(), 0, nullptr, nullptr),
             E_NOTIMPL);

    // Only the part inside the clipping rectangle shows.
    const auto inPlace =
        queryInterface<IOleInPlaceObject>(*active.control.get(), IID_IOleInPlaceObject);
    const RECT position{0, 0, kSiteSize.cx, kSiteSize.cy};
    const RECT clip{0, 0, 14, kSiteSize.cy};
    CHECK_HR(inPlace->SetObjectRects(&position, &clip), S_OK);
    RECT shown{};
    CHECK_EQ(GetWindowRgnBox(active.window, &shown), SIMPLEREGION);
    CHECK_EQ(shown.right, 14);
    CHECK_EQ(shown.bottom, kSiteSize.cy);
}

WIN_TEST(a_control_let_go_while_active_in_place_tells_its_site_and_takes_its_window) {
    ActiveControl active(false);
    const HWND window = active.window;
    active.site->touchedOnDeactivation = active.control.get();
    active.object = ComRef<IOleObject>();
    active.control = ComRef<IDispatch>();
    CHECK_EQ(active.site->deactivations, 1);
    CHECK(!IsWindow(window));
}
