// The lookup against servers as users meet them: a typed server, one that never answers, closing
// the windows during a request, and UTF-8 texts at protocol level 6.

#include "lookup_test_support.h"
#include "ostrelle/ostrelle.h"
#include "quavrel/window/progress_form.h"
#include "ui_TCDRipTestForm.h"
#include "ui_TfrmProgress.h"

#include <cstdlib>

#include <QFileInfo>
#include <QTest>

namespace {

const QString kQueryFailed = QStringLiteral("Erreur pendant la récupération des données!");

class ServerLookupTest : public LookupTest {
  protected:
    void TearDown() override
    {
        unsetenv("OSTRELLE_TEST_IDLE_LIMIT_MS");
        LookupTest::TearDown();
    }
    TfrmProgress &Progress() { return Window().frmProgress(); }
    // A request waiting on the server, with its progress window up.
    bool Waiting()
    {
        return Progress().isVisible() && Progress().Controls()->lblState->text() == "Demande...";
    }
};

TEST_F(ServerLookupTest, ASilentServerEndsWithTheDelayExceeded)
{
    setenv("OSTRELLE_TEST_IDLE_LIMIT_MS", "300", 1);
    StartServer({R"({"silent": true})"});
    TCDRipTestForm &window = OpenWindow();
    const Watch shown([this] { return Waiting(); }, [] {});

    window.btnCalcDiscIDClick();

    EXPECT_TRUE(shown.Fired());
    EXPECT_EQ(messages_, QStringList{kQueryFailed + "\nCause : délai dépassé"});
    EXPECT_FALSE(Progress().isVisible());
}

TEST_F(ServerLookupTest, ClosingTheProgressWindowAbortsTheRequest)
{
    StartServer({R"({"silent": true})"});
    TCDRipTestForm &window = OpenWindow();
    const Watch closeBox([this] { return Waiting(); }, [this] { Progress().close(); });

    window.btnCalcDiscIDClick();

    EXPECT_TRUE(closeBox.Fired());
    EXPECT_EQ(messages_, QStringList{kQueryFailed + "\nCause : requête abandonnée"});
}

TEST_F(ServerLookupTest, ClosingTheMainWindowAbortsTheRequestAndEndsTheProgram)
{
    StartServer({R"({"silent": true})"});
    TCDRipTestForm &window = OpenWindow();
    const Watch closeMain([this] { return Waiting(); }, [&window] { window.close(); });
    QString reason;
    // Run as the program runs it, from its event loop: the loop ends once the lookup has returned.
    QTimer::singleShot(0, &window, [&] {
        window.btnCalcDiscIDClick();
        reason = QString::fromLatin1(http_LastError());
    });
    QTimer::singleShot(20000, [] { QCoreApplication::exit(3); });

    EXPECT_EQ(QApplication::exec(), 0);

    EXPECT_TRUE(closeMain.Fired());
    EXPECT_EQ(reason, QStringLiteral("requête abandonnée"));
    EXPECT_EQ(messages_, QStringList());
    EXPECT_FALSE(Progress().isVisible());
    EXPECT_EQ(StoredValue(QStringLiteral("Nom de Serveur")), ServerAddress());
}

TEST_F(ServerLookupTest, ATypedAddressIsUsedForTheNextRequestAndStored)
{
    CopyDemoEntry();
    ostrelle_test::ServerOptions options;
    options.dataDir = EntryDir().toStdString();
    options.host = "::1";
    ostrelle_test::CddbServerProcess ipv6(options);
    const QString address = QString::fromStdString(ipv6.Address()); // "[::1]:port"
    TCDRipTestForm &window = OpenWindow();
    QLineEdit *serveur = window.Controls()->serveur;
    serveur->clear();
    QTest::keyClicks(serveur, " http://" + address + "/cddb/cddb.cgi ");

    window.btnCalcDiscIDClick();

    EXPECT_EQ(messages_, QStringList());
    EXPECT_EQ(window.Controls()->lblTitle->text(), QStringLiteral("Disque de démonstration"));
    EXPECT_NE(ipv6.RequestLog().find("GET /cddb/cddb.cgi?cmd=cddb+query+"), std::string::npos);
    EXPECT_EQ(Progress().windowTitle(), "Récupération données de " + address);

    // Words that name no server: said so, and nothing asked or lost.
    serveur->clear();
    QTest::keyClicks(serveur, "pas un serveur");
    window.btnCalcDiscIDClick();
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_[0].startsWith(QStringLiteral("Serveur invalide : « pas un serveur »")))
        << messages_[0].toStdString();
    EXPECT_EQ(window.CddbServer.Server, address);

    serveur->clear();
    QTest::keyClicks(serveur, "cddb.example.org:8880");
    window.close();
    EXPECT_EQ(StoredValue(QStringLiteral("Nom de Serveur")), "cddb.example.org:8880");
    EXPECT_EQ(StoredValue(QStringLiteral("Localisation du Serveur")), "/cddb/cddb.cgi");
}

TEST_F(ServerLookupTest, Level6TextsReachTheWindowAndTheFileNames)
{
    // Stored as UTF-8, as the server keeps it; the slash and the escapes are the entry's own.
    WriteEntry("misc", DemoDiscId(), "AC/DC", "Back in Black",
               {"L’été – déjà…", "東京の夜", "IV. Adagio \\\\ Allegro", "Quatre", "Cinq"});
    StartServer();
    TCDRipTestForm &window = OpenWindow();
    auto *ui = window.Controls();

    // Level 4, as the server sends it: what Latin-1 lacks is "?".
    window.btnCalcDiscIDClick();
    EXPECT_EQ(messages_, QStringList());
    EXPECT_EQ(ui->lblArtist->text(), "AC/DC");
    EXPECT_EQ(ui->lblTitle->text(), "Back in Black");
    EXPECT_EQ(Names(), QStringList({"L?été ? déjà?", "????", "IV. Adagio \\ Allegro", "Quatre", "Cinq"}));

    ui->textesutf8->setChecked(true);
    window.btnCalcDiscIDClick();
    EXPECT_EQ(messages_, QStringList());
    EXPECT_EQ(Names(), QStringList({"L’été – déjà…", "東京の夜", "IV. Adagio \\ Allegro", "Quatre", "Cinq"}));
    EXPECT_NE(RequestLog().find("&proto=6 "), std::string::npos);

    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    ui->Label3->setText(out.path() + QLatin1Char('/'));
    ui->creerlesrepertoires->setChecked(false);
    ui->numeropiste->setChecked(true);
    ui->nomdepiste->setChecked(true);
    window.N1Click();
    ui->ListView1->topLevelItem(0)->setCheckState(0, Qt::Checked);
    ui->ListView1->topLevelItem(1)->setCheckState(0, Qt::Checked);
    ui->ComboBox1->setCurrentIndex(2); // Wav
    window.ripperlapisteauformatWav1Click();
    EXPECT_TRUE(QFileInfo::exists(out.path() + QStringLiteral("/1-L’été – déjà….wav")));
    EXPECT_TRUE(QFileInfo::exists(out.path() + QStringLiteral("/2-東京の夜.wav")));
}

} // namespace
