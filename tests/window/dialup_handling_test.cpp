// The CDDB tab's connection controls against a scripted remote-access library.

#include "fake_ras_control.h"
#include "quavrel/window/cdrip_test_form.h"
#include "ui_TCDRipTestForm.h"
#include "window_test_support.h"

#include <string>

namespace {

class DialUpHandlingTest : public WindowTest {
  protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ras_.Reset();
    }

    bool Called(const std::string &call) const
    {
        return std::string(ras_.Calls()).find(call) != std::string::npos;
    }

    FakeRasControl ras_{qEnvironmentVariable("QUAVREL_FAKE_RAS").toStdString()};
};

} // namespace

TEST_F(DialUpHandlingTest, EntriesAreListedAndTheStoredChoiceWins)
{
    ras_.AddEntry("Maison");
    ras_.AddEntry("Bureau");
    {
        TCDRipTestForm window;
        auto *ui = window.Controls();
        EXPECT_EQ(ui->Connexions->count(), 2);
        EXPECT_EQ(ui->Connexions->itemText(1), "Bureau");
        EXPECT_EQ(ui->Connexions->currentIndex(), 0);
        EXPECT_EQ(ui->Label8->text(), "&Connexion active: aucune");
        EXPECT_EQ(ui->Label9->text(), "&Type:");
        EXPECT_EQ(window.DialUpNote(), "");
        ui->Connexions->setCurrentIndex(1);
        window.close();
    }
    EXPECT_EQ(StoredValue("Connexion active"), "1");
    TCDRipTestForm window;
    EXPECT_EQ(window.Controls()->Connexions->currentText(), "Bureau");
}

TEST_F(DialUpHandlingTest, AStoredChoiceBeyondThePhoneBookKeepsTheFirstEntry)
{
    ras_.AddEntry("Maison");
    ras_.AddEntry("Bureau");
    StoreValues({{"Connexion active", "5"}});
    {
        TCDRipTestForm window;
        EXPECT_EQ(window.Controls()->Connexions->currentText(), "Maison");
        window.close();
    }
    EXPECT_EQ(StoredValue("Connexion active"), "0");
}

TEST_F(DialUpHandlingTest, AConnectionUpAtStartIsShown)
{
    ras_.AddEntry("Maison");
    ras_.AddConnection(7, "Maison", "Modem USR", RASCS_Connected);
    TCDRipTestForm window;
    EXPECT_EQ(window.Controls()->Label8->text(), "&Connexion active: Maison");
    EXPECT_EQ(window.Controls()->Label9->text(), "&Type :Modem USR");
    EXPECT_FALSE(Called("RasHangUpA"));
}

TEST_F(DialUpHandlingTest, ClosingHangsUpOnlyWhenAsked)
{
    ras_.AddConnection(7, "Autre", "Modem USR", RASCS_Connected);
    {
        TCDRipTestForm window;
        window.close();
        EXPECT_FALSE(window.DisconnectOnExit);
    }
    EXPECT_FALSE(Called("RasHangUpA"));

    ras_.Reset();
    ras_.AddConnection(7, "Autre", "Modem USR", RASCS_Connected);
    ras_.AddConnection(8, "Maison", "Modem ISDN", RASCS_Connected);
    ras_.SetHangUpLinger(2);
    TCDRipTestForm window;
    window.Controls()->deconnecter->setChecked(true);
    window.close();
    EXPECT_TRUE(window.DisconnectOnExit);
    // Every connection of the machine, whoever made it, one after the other.
    EXPECT_TRUE(Called("RasHangUpA(7)"));
    EXPECT_TRUE(Called("RasHangUpA(8)"));
    EXPECT_EQ(window.Controls()->Label8->text(), "&Connexion active: Maison");
}

TEST_F(DialUpHandlingTest, DialEventsReachTheStatusBarAndLabels)
{
    ras_.AddEntry("Maison");
    TCDRipTestForm window;
    ras_.ScriptDial(678, 0, nullptr, nullptr, 0);
    window.DialUp1.SetEntry("Maison");
    window.DialUp1.Dial();
    EXPECT_EQ(window.StatusText(), "Appel...");
    EXPECT_EQ(window.Controls()->Label8->text(), "&Connexion active: aucune");

    ras_.ScriptDial(0, 9, nullptr, nullptr, 0);
    window.DialUp1.Dial();
    EXPECT_EQ(window.StatusText(), "Connecté.");
    EXPECT_EQ(window.Controls()->Label8->text(), "&Connexion active: Maison");
    EXPECT_EQ(window.Controls()->Label9->text(), "&Type :/dev/ttyFAKE");
}
