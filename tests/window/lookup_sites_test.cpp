// The server's site list, the choice of a server from it, and the automatic dial before a lookup.

#include "fake_ras_control.h"
#include "lookup_test_support.h"
#include "quavrel/window/progress_form.h"
#include "ui_TCDRipTestForm.h"
#include "ui_TfrmProgress.h"

namespace {

class SiteListTest : public LookupTest {
  protected:
    QStringList ServerLines() const
    {
        QStringList lines;
        for (int row = 0; row < window_->Controls()->LbServer->count(); ++row)
            lines << window_->Controls()->LbServer->item(row)->text();
        return lines;
    }

    void DoubleClick(int row)
    {
        QListWidgetItem *line = window_->Controls()->LbServer->item(row);
        window_->Controls()->LbServer->setCurrentItem(line);
        emit window_->Controls()->LbServer->itemDoubleClicked(line);
    }
};

TEST_F(SiteListTest, TheWebMirrorsAreListedAndOneBecomesTheServer)
{
    // The mirror named in the list is a second server, so the choice shows in where requests go.
    ostrelle_test::ServerOptions mirrorOptions;
    mirrorOptions.dataDir = EntryDir().toStdString();
    ostrelle_test::CddbServerProcess mirror(mirrorOptions);
    const QByteArray mirrorAddress = QByteArray::fromStdString(mirror.Address());
    const QByteArray mirrorLine = "127.0.0.1 http " + QByteArray::number(mirror.Port()) + " /alt/cddb.cgi";
    WriteSites({mirrorLine + " N000.00 W000.00 Miroir local",
                "cddb.example.org cddbp 8880 - N000.00 W000.00 Sans passerelle web",
                "www.example.net http 80 /~cddb/cddb.cgi S033.52 E151.12 Dernier"});
    CopyDemoEntry();
    StartServer();
    TCDRipTestForm &window = OpenWindow();
    window.Controls()->Button1->click();

    EXPECT_EQ(messages_, QStringList());
    EXPECT_EQ(ServerLines(),
              QStringList({QString::fromLatin1(mirrorLine) + " N000.00 W000.00 Miroir local",
                           "www.example.net http 80 /~cddb/cddb.cgi S033.52 E151.12 Dernier"}));
    TfrmProgress &progress = window.frmProgress();
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(progress.Controls()->lblCMD->text(), "Récupération des informations de sites...");
    EXPECT_EQ(progress.Controls()->lblState->text(), "Données reçues...");

    DoubleClick(1);
    EXPECT_EQ(window.CddbServer.Server, "www.example.net");
    EXPECT_EQ(window.CddbServer.CgiPath, "/~cddb/cddb.cgi");
    EXPECT_EQ(window.Controls()->serveur->text(), "www.example.net");
    // A site's port other than 80 is kept.
    DoubleClick(0);
    EXPECT_EQ(window.CddbServer.Server, QString::fromLatin1(mirrorAddress));
    EXPECT_EQ(window.CddbServer.CgiPath, "/alt/cddb.cgi");
    EXPECT_EQ(window.Controls()->serveur->text(),
              "http://" + QString::fromLatin1(mirrorAddress) + "/alt/cddb.cgi");

    window.btnCalcDiscIDClick();
    EXPECT_EQ(progress.windowTitle(), "Récupération données de " + QString::fromLatin1(mirrorAddress));
    EXPECT_NE(mirror.RequestLog().find("GET /alt/cddb.cgi?cmd=cddb+query+"), std::string::npos);
    EXPECT_EQ(RequestLog().find("cddb+query"), std::string::npos);
    EXPECT_EQ(window.Controls()->lblTitle->text(), QStringLiteral("Disque de démonstration"));

    window.close();
    EXPECT_EQ(StoredValue(QStringLiteral("Nom de Serveur")), QString::fromLatin1(mirrorAddress));
    EXPECT_EQ(StoredValue(QStringLiteral("Localisation du Serveur")), "/alt/cddb.cgi");
}

TEST_F(SiteListTest, ADoubleClickWithoutAWholeSiteLineKeepsTheServer)
{
    WriteSites({"http-only", "short.example.org http 80", "ok.example.org http 80 /cgi N000.00 W000.00 Bon"});
    StartServer();
    TCDRipTestForm &window = OpenWindow();
    window.Button1Click();
    ASSERT_EQ(window.Controls()->LbServer->count(), 3);

    emit window.Controls()->LbServer->itemDoubleClicked(window.Controls()->LbServer->item(2));
    EXPECT_EQ(window.CddbServer.Server, ServerAddress()) << "nothing selected";
    DoubleClick(0);
    DoubleClick(1);
    EXPECT_EQ(window.CddbServer.Server, ServerAddress());
    EXPECT_EQ(window.CddbServer.CgiPath, "/~cddb/cddb.cgi");
}

TEST_F(SiteListTest, FailedFetchesKeepTheList)
{
    WriteSites({"one.example.org http 80 /cgi N000.00 W000.00 Un"});
    StartServer({"{}", R"({"status": 500})"});
    TCDRipTestForm &window = OpenWindow();
    window.Button1Click();
    ASSERT_EQ(ServerLines().size(), 1);

    window.Button1Click();
    const QStringList failed = {
        "Erreur à l'obtention des sites\nCause : statut HTTP 500 Internal Server Error"};
    EXPECT_EQ(messages_, failed);
    QFile::remove(EntryDir() + "/sites");
    window.Button1Click();
    EXPECT_EQ(messages_,
              failed + QStringList{"Pas d'information de site\nCause : le serveur a répondu « 401 No "
                                   "site information available. »"});
    EXPECT_EQ(ServerLines().size(), 1);
    EXPECT_FALSE(window.frmProgress().isVisible());
}

class AutomaticDialTest : public LookupTest {
  protected:
    void SetUp() override
    {
        LookupTest::SetUp();
        ras_.Reset();
        CopyDemoEntry();
        StartServer();
    }

    TCDRipTestForm &OpenDialingWindow()
    {
        TCDRipTestForm &window = OpenWindow();
        window.Controls()->activer->setChecked(true);
        return window;
    }

    // A dial starts by asking the phone book for the entry's parameters.
    bool Dialled() const
    {
        return std::string(ras_.Calls()).find("RasGetEntryDialParamsA") != std::string::npos;
    }

    void ExpectLookedUp()
    {
        EXPECT_EQ(window_->Controls()->lblTitle->text(), QStringLiteral("Disque de démonstration"));
    }

    FakeRasControl ras_{qEnvironmentVariable("QUAVREL_FAKE_RAS").toStdString()};
};

TEST_F(AutomaticDialTest, TheChosenEntryIsDialledFirstAndAFailedDialDoesNotStopTheLookup)
{
    ras_.AddEntry("Maison");
    ras_.AddEntry("Bureau");
    TCDRipTestForm &window = OpenDialingWindow();
    window.Controls()->Connexions->setCurrentIndex(1);
    ras_.ScriptDial(678, 0, nullptr, nullptr, 0);

    window.btnCalcDiscIDClick();

    EXPECT_NE(std::string(ras_.Calls()).find("RasDialA(Bureau,sync)"), std::string::npos);
    EXPECT_EQ(window.Controls()->Label8->text(), "&Connexion active: aucune");
    ExpectLookedUp();
}

TEST_F(AutomaticDialTest, NoDialWhenUntickedAndAnEmptyPhoneBookDoesNotStopTheLookup)
{
    TCDRipTestForm &window = OpenWindow();
    window.btnCalcDiscIDClick();
    EXPECT_FALSE(Dialled());
    ExpectLookedUp();

    window.Controls()->activer->setChecked(true);
    window.Controls()->lblTitle->clear();
    window.btnCalcDiscIDClick();
    EXPECT_TRUE(Dialled());
    ExpectLookedUp();
}

TEST_F(AutomaticDialTest, AKnownConnectionIsNotDialledAgain)
{
    ras_.AddEntry("Maison");
    ras_.ScriptDial(0, 9, nullptr, nullptr, 0);
    TCDRipTestForm &window = OpenDialingWindow();
    window.btnCalcDiscIDClick();
    EXPECT_TRUE(Dialled());
    EXPECT_EQ(window.Controls()->Label8->text(), "&Connexion active: Maison");
    ExpectLookedUp();

    // Dropped outside the program: the label still says connected, so no second dial.
    ras_.Reset();
    window.btnCalcDiscIDClick();
    EXPECT_FALSE(Dialled());
}

} // namespace
