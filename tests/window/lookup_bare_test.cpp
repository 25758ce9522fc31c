// The lookup and the player buttons on a machine without drives and without the ripping library.

#include "quavrel/engine/bindings/cd_access.h"
#include "quavrel/window/cdrip_test_form.h"
#include "ui_TCDRipTestForm.h"
#include "window_test_support.h"

namespace {

class BareMachineTest : public WindowTest {};

TEST_F(BareMachineTest, NothingToLookUpAndNothingToPlay)
{
    CdAccessStart();
    ASSERT_FALSE(CDRipReady());
    TCDRipTestForm window;
    window.Controls()->CheckBox1->setChecked(false);
    window.Controls()->activer->setChecked(false);
    // A server nobody listens on: the lookup must stop before any request.
    window.CddbServer.Server = QStringLiteral("127.0.0.1:1");
    window.show();

    window.btnCalcDiscIDClick();
    EXPECT_EQ(window.StatusText(), "Pas de CD dans le lecteur de Cd-Rom !");
    EXPECT_EQ(messages_, QStringList());

    // Without the remote-access service the dial cannot even start; the lookup still goes on.
    window.Controls()->activer->setChecked(true);
    window.SetStatusText({});
    window.btnCalcDiscIDClick();
    EXPECT_FALSE(window.DialUpNote().isEmpty());
    EXPECT_EQ(window.StatusText(), "Pas de CD dans le lecteur de Cd-Rom !");

    for (void (TCDRipTestForm::*button)() :
         {&TCDRipTestForm::btnPlayTrackClick, &TCDRipTestForm::btnPauseClick, &TCDRipTestForm::btnResumeClick,
          &TCDRipTestForm::btnStopPlayClick}) {
        window.SetStatusText({});
        (window.*button)();
        EXPECT_EQ(window.StatusText(), "CDRip3.DLL non prête.");
    }
    CdAccessEnd();
}

} // namespace
