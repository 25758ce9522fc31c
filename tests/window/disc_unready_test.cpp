// Without the ripping library the window still opens, and its drive commands refuse harmlessly.

#include "quavrel/engine/bindings/cd_access.h"
#include "quavrel/window/cdrip_test_form.h"
#include "ui_TCDRipTestForm.h"
#include "window_test_support.h"

namespace {

using DiscUnreadyTest = WindowTest;

TEST_F(DiscUnreadyTest, TheWindowSaysSoAndEveryDriveCommandIsHarmless)
{
    CdAccessStart();
    ASSERT_FALSE(CDRipReady());
    {
        TCDRipTestForm window;
        auto *ui = window.Controls();
        ui->CheckBox1->setChecked(false); // the lookup is not this test's
        window.show();
        EXPECT_EQ(window.StatusText(), "CDRip3.DLL non prête.");
        EXPECT_EQ(ui->DriveSelBox->count(), 0);
        EXPECT_EQ(ui->ListView1->topLevelItemCount(), 0);

        ui->btnEjectCD->click();
        ui->btnCloseCD->click();
        window.DeviceChange(TCDRipTestForm::kDeviceRemoveComplete);
        EXPECT_EQ(window.StatusText(), "Media Retiré !!");
        EXPECT_FALSE(window.IsAudioCDReady());
        EXPECT_EQ(window.StatusText(), "Erreur : Pas de Disque dans le lecteur");

        ui->SauvegarderlesparamtresCDROM1->trigger();
        EXPECT_EQ(messages_, QStringList{"CDRIP_Erreur"});
    }
    CdAccessEnd();
}

} // namespace
