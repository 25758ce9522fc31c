// Without any remote-access library the settings still load and save in full.

#include "quavrel/window/cdrip_test_form.h"
#include "ui_TCDRipTestForm.h"
#include "window_test_support.h"

using NoDialUpTest = WindowTest;

TEST_F(NoDialUpTest, SettingsLoadAndCloseCompleteAndTheStatusBarSaysSo)
{
    StoreValues({{"Largeur", "700"},
                 {"Encodeur", "2"},
                 {"Connexion active", "1"},
                 {"Déconnecter en quittant", "1"},
                 {"Nom de Serveur", "cddb.example.net"}});
    {
        TCDRipTestForm window;
        EXPECT_EQ(window.width(), 700);
        EXPECT_EQ(window.Controls()->ComboBox1->currentText(), "Wav");
        EXPECT_EQ(window.Controls()->serveur->text(), "cddb.example.net");
        EXPECT_EQ(window.DialUpNote(), "Accès réseau à distance indisponible");
        EXPECT_EQ(window.Controls()->Label8->text(), "&Connexion active: aucune");
        window.show();
        EXPECT_TRUE(window.close());
        EXPECT_TRUE(window.DisconnectOnExit);
    }
    EXPECT_TRUE(messages_.isEmpty());
    EXPECT_EQ(StoredNames().size(), 39);
    EXPECT_EQ(StoredValue("Largeur"), "700");
    EXPECT_EQ(StoredValue("Encodeur"), "2");
    // The entry the user chose is still theirs once the service is back.
    EXPECT_EQ(StoredValue("Connexion active"), "1");
    EXPECT_EQ(StoredValue("Nom de Serveur"), "cddb.example.net");
}
