// The disc lookup against the local CDDB server: matches, the chooser, every failure message, the
// progress window through a request, and the names that reach the track list.

#include "drive_catalogue.h"
#include "lookup_test_support.h"
#include "quavrel/window/matches_form.h"
#include "quavrel/window/progress_form.h"
#include "ui_TCDRipTestForm.h"
#include "ui_TfrmMatches.h"
#include "ui_TfrmProgress.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtCore/qtestsupport_core.h>

namespace {

const QList<QByteArray> kIcelandic = {"Un", "Deux", "Trois", "Quatre", "Sigur R\xF3s"};

// A lookup message with the reason the library gave.
QString Because(const QString &message, const QString &reason)
{
    return message + QStringLiteral("\nCause : ") + reason;
}

QString ServerSaid(const QString &line)
{
    return QStringLiteral("le serveur a répondu « ") + line + QStringLiteral(" »");
}

class DiscLookupTest : public LookupTest {
  protected:
    // Three entries laid out like the demo disc but under other IDs: an inexact answer.
    void WriteThreeNearMatches()
    {
        WriteEntry("blues", "0a000001", "Artiste A", "Album A", {"a1", "a2", "a3", "a4", "a5"});
        WriteEntry("jazz", "0a000002", "Artiste B", "Album B", {"b1", "b2", "b3", "b4", "b5"});
        WriteEntry("rock", "0a000003", "Artiste C", "Album C", {"c1", "c2", "c3", "c4", "c5"});
    }

    TfrmProgress &Progress() { return Window().frmProgress(); }

    // What a lookup that fails must leave as it was.
    void ExpectNamesUntouched(const QStringList &names)
    {
        EXPECT_EQ(Names(), names);
        EXPECT_EQ(Window().Controls()->lblArtist->text(), "");
        EXPECT_EQ(Window().Controls()->lblTitle->text(), "");
        EXPECT_FALSE(Progress().isVisible());
    }
};

TEST_F(DiscLookupTest, AnExactMatchFillsTheNamesAndNothingElse)
{
    WriteEntry("rock", DemoDiscId(), "Bj\xF6rk", "Vespertine", kIcelandic);
    StartServer();
    TCDRipTestForm &window = OpenWindow();
    auto *ui = window.Controls();
    ASSERT_EQ(ui->ListView1->topLevelItemCount(), 5);
    ui->ListView1->topLevelItem(2)->setCheckState(0, Qt::Checked);
    const QStringList durations = Column(2), encodings = Column(3), sizes = Column(4);
    const QList<Qt::CheckState> ticks = CheckStates();
    const auto chooser = WhenShown<TfrmMatches>([](TfrmMatches &shown) { shown.close(); });

    ui->btnCalcDiscID->click();

    EXPECT_FALSE(chooser->Fired());
    EXPECT_EQ(messages_, QStringList());
    EXPECT_EQ(ui->lblDiscID->text(), DemoDiscId());
    EXPECT_EQ(ui->lblArtist->text(), QStringLiteral("Björk"));
    EXPECT_EQ(ui->lblTitle->text(), "Vespertine");
    EXPECT_EQ(Names(), QStringList({"Un", "Deux", "Trois", "Quatre", QStringLiteral("Sigur Rós")}));
    EXPECT_EQ(Column(2), durations);
    EXPECT_EQ(Column(3), encodings);
    EXPECT_EQ(Column(4), sizes);
    EXPECT_EQ(CheckStates(), ticks);

    // The read's reply closed the window it reused from the query.
    EXPECT_FALSE(Progress().isVisible());
    EXPECT_EQ(Progress().windowTitle(), "Récupération données de " + ServerAddress());
    EXPECT_EQ(Progress().Controls()->lblCMD->text(), " Récupération des informations CD...");
    EXPECT_EQ(Progress().Controls()->lblState->text(), "Données reçues...");
    EXPECT_NE(
        RequestLog().find("cmd=cddb+read+rock+" + DemoDiscId().toStdString() + "&hello=Quavrel+localhost+"),
        std::string::npos);
}

TEST_F(DiscLookupTest, AnInexactAnswerOffersTheChooserAndReadsTheChosenLine)
{
    WriteThreeNearMatches();
    StartServer();
    TCDRipTestForm &window = OpenWindow();
    QString caption;
    QStringList lines;
    bool progressUp = false;
    QString progressState;
    const auto chooser = WhenShown<TfrmMatches>([&](TfrmMatches &shown) {
        caption = shown.windowTitle();
        for (int row = 0; row < shown.Controls()->LbMatches->count(); ++row)
            lines << shown.Controls()->LbMatches->item(row)->text();
        progressUp = Progress().isVisible();
        progressState = Progress().Controls()->lblCMD->text() + "|" + Progress().Controls()->lblState->text();
        QListWidgetItem *second = shown.Controls()->LbMatches->item(1);
        second->setSelected(true);
        emit shown.Controls()->LbMatches->itemDoubleClicked(second);
    });

    window.btnCalcDiscIDClick();

    ASSERT_TRUE(chooser->Fired());
    EXPECT_EQ(caption, "Correspondance incomplète trouvée");
    EXPECT_EQ(lines, QStringList({"blues 0a000001 Artiste A / Album A", "jazz 0a000002 Artiste B / Album B",
                                  "rock 0a000003 Artiste C / Album C"}));
    // The query's window waits, complete, behind the chooser.
    EXPECT_TRUE(progressUp);
    EXPECT_EQ(progressState, "Demande de données...|Données reçues...");
    EXPECT_EQ(messages_, QStringList());
    EXPECT_EQ(window.Controls()->lblArtist->text(), "Artiste B");
    EXPECT_EQ(window.Controls()->lblTitle->text(), "Album B");
    EXPECT_EQ(Names(), QStringList({"b1", "b2", "b3", "b4", "b5"}));
    EXPECT_FALSE(Progress().isVisible());
}

TEST_F(DiscLookupTest, TheChooserClosedWithoutAChoiceEndsTheLookupQuietly)
{
    WriteThreeNearMatches();
    StartServer();
    TCDRipTestForm &window = OpenWindow();
    const QStringList names = Names();
    // Giving the list the focus makes its first line current, which is not a choice.
    const auto chooser = WhenShown<TfrmMatches>([](TfrmMatches &shown) {
        shown.Controls()->LbMatches->setFocus();
        shown.Controls()->LbMatches->setCurrentRow(0, QItemSelectionModel::NoUpdate);
        shown.close();
    });

    window.btnCalcDiscIDClick();

    ASSERT_TRUE(chooser->Fired());
    EXPECT_EQ(messages_, QStringList());
    ExpectNamesUntouched(names);
    EXPECT_EQ(RequestLog().find("cddb+read"), std::string::npos);

    // A line clicked once and then the close box: that line is the choice.
    const auto clickThenClose = WhenShown<TfrmMatches>([](TfrmMatches &shown) {
        shown.Controls()->LbMatches->setCurrentRow(2);
        shown.close();
    });
    window.btnCalcDiscIDClick();
    ASSERT_TRUE(clickThenClose->Fired());
    EXPECT_EQ(window.Controls()->lblArtist->text(), "Artiste C");

    // From the keyboard: Enter takes the current line; Escape takes none, whatever is selected,
    // and says so.
    const auto enter = WhenShown<TfrmMatches>([](TfrmMatches &shown) {
        shown.Controls()->LbMatches->setCurrentRow(1);
        QTest::keyClick(shown.Controls()->LbMatches, Qt::Key_Return);
    });
    window.btnCalcDiscIDClick();
    ASSERT_TRUE(enter->Fired());
    EXPECT_EQ(window.Controls()->lblArtist->text(), "Artiste B");
    const auto escape = WhenShown<TfrmMatches>([](TfrmMatches &shown) {
        shown.Controls()->LbMatches->setCurrentRow(0);
        QTest::keyClick(shown.Controls()->LbMatches, Qt::Key_Escape);
    });
    window.btnCalcDiscIDClick();
    ASSERT_TRUE(escape->Fired());
    EXPECT_EQ(window.Controls()->lblArtist->text(), "Artiste B");
    EXPECT_EQ(window.StatusText(), "Aucune correspondance choisie : les noms restent tels quels.");
}

TEST_F(DiscLookupTest, SeveralExactMatchesAreOfferedUnderTheirOwnCaption)
{
    CopyDemoEntry();
    WriteEntry("rock", DemoDiscId(), "Autre", "Pressage", kIcelandic);
    StartServer();
    TCDRipTestForm &window = OpenWindow();
    QString caption;
    int lines = 0;
    const auto chooser = WhenShown<TfrmMatches>([&](TfrmMatches &shown) {
        caption = shown.windowTitle();
        lines = shown.Controls()->LbMatches->count();
        shown.Controls()->LbMatches->setCurrentRow(1);
        shown.close();
    });

    window.btnCalcDiscIDClick();

    EXPECT_EQ(caption, "Correspondance exacte trouvée");
    EXPECT_EQ(lines, 2);
    EXPECT_EQ(window.Controls()->lblArtist->text(), "Autre");
}

TEST_F(DiscLookupTest, NoMatchQuotesTheDiscId)
{
    StartServer();
    TCDRipTestForm &window = OpenWindow();
    const QStringList names = Names();

    window.btnCalcDiscIDClick();

    ASSERT_EQ(messages_.size(), 1);
    EXPECT_EQ(messages_[0], "Pas de correspondance trouvée pour DiscID: " + DemoDiscId());
    ExpectNamesUntouched(names);

    // The mixed-mode disc's checksum is a single digit: its ID keeps the leading zero.
    window.Controls()->DriveSelBox->setCurrentIndex(kMixedDrive);
    emit window.Controls()->DriveSelBox->activated(kMixedDrive);
    window.btnCalcDiscIDClick();
    ASSERT_EQ(messages_.size(), 2);
    EXPECT_TRUE(QRegularExpression("^Pas de correspondance trouvée pour DiscID: 0[0-9a-f]{7}$")
                    .match(messages_[1])
                    .hasMatch())
        << messages_[1].toStdString();
}

TEST_F(DiscLookupTest, AnOpenTrayAsksNoServer)
{
    StartServer();
    TCDRipTestForm &window = OpenWindow();
    ASSERT_EQ(drives::OpenTray(kDemoDrive), drives::DriveError::None);
    window.btnCalcDiscIDClick();
    EXPECT_EQ(window.StatusText(), "Pas de CD dans le lecteur de Cd-Rom !");
    EXPECT_EQ(window.Controls()->lblDiscID->text(), "");
    EXPECT_EQ(messages_, QStringList());
    EXPECT_EQ(RequestLog(), "");
    drives::CloseTray(kDemoDrive);
}

TEST_F(DiscLookupTest, EveryFailureHasItsMessageAndLeavesTheNames)
{
    const std::string readOk = "{}"; // the query answered normally, by the demo entry
    const QString queryFailed = QStringLiteral("Erreur pendant la récupération des données!");
    const QString readFailed = QStringLiteral("Erreur pendant la récupération des données CDDB!");
    const QString corrupt = ServerSaid("403 Database entry is corrupt.");
    const QString http500 = QStringLiteral("statut HTTP 500 Internal Server Error");
    const struct {
        std::vector<std::string> replies;
        QString message;
        bool reads;
    } cases[] = {
        {{R"({"body": "403 Database entry is corrupt.\r\n"})"},
         Because("Entrée Database entry corrompue!", corrupt),
         false},
        {{R"({"status": 500})"}, Because(queryFailed, http500), false},
        // A refused handshake has no match to read; servers refuse clients they do not know.
        {{R"({"body": "409 No handshake.\r\n"})"},
         Because(queryFailed, ServerSaid("409 No handshake.")),
         false},
        {{R"({"refuse_hello": 433})"},
         Because(queryFailed, ServerSaid("433 No connections allowed: 0 users allowed, 0 currently active.")),
         false},
        {{R"({"refuse_hello": 500})"}, Because(queryFailed, ServerSaid("500 Unknown application")), false},
        {{R"({"body": "200 rock 0badf00d Nulle / Part\r\n"})"},
         Because("Entrée CDDB non trouvée!", ServerSaid("401 rock 0badf00d No such CD entry in database.")),
         true},
        {{readOk, R"({"body": "403 Database entry is corrupt.\r\n"})"},
         Because("Entrée Database corrompue!", corrupt),
         true},
        {{readOk, R"({"body": "402 Server error.\r\n"})"},
         Because("Erreur serveur!", ServerSaid("402 Server error.")),
         true},
        {{readOk, R"({"status": 500})"}, Because(readFailed, http500), true},
        {{readOk, R"({"body": "409 No handshake.\r\n"})"},
         Because(readFailed, ServerSaid("409 No handshake.")),
         true},
    };
    CopyDemoEntry();
    for (const auto &failure : cases) {
        SCOPED_TRACE(failure.message.toStdString());
        messages_.clear();
        StartServer(failure.replies);
        TCDRipTestForm &window = OpenWindow();
        const QStringList names = Names();

        window.btnCalcDiscIDClick();

        EXPECT_EQ(messages_, QStringList{failure.message});
        ExpectNamesUntouched(names);
        EXPECT_EQ(RequestLog().find("cddb+read") != std::string::npos, failure.reads);
    }
}

TEST_F(DiscLookupTest, AbandonDuringTheReadEndsTheLookup)
{
    CopyDemoEntry();
    StartServer({"{}", R"({"delay": 30})"});
    TCDRipTestForm &window = OpenWindow();
    const QStringList names = Names();
    const Watch abandon(
        [this] {
            return Progress().isVisible() &&
                   Progress().Controls()->lblCMD->text() == " Récupération des informations CD...";
        },
        [this] { Progress().Controls()->Button1->click(); });

    window.btnCalcDiscIDClick();

    EXPECT_TRUE(abandon.Fired());
    EXPECT_EQ(messages_, QStringList{Because("Erreur pendant la récupération des données CDDB!",
                                             QStringLiteral("requête abandonnée"))});
    ExpectNamesUntouched(names);
}

TEST_F(DiscLookupTest, NoSecondRequestStartsWhileOneWaits)
{
    CopyDemoEntry();
    WriteSites({"one.example.org http 80 /cgi N000.00 W000.00 Un"});
    StartServer({R"({"delay": 0.5})"});
    TCDRipTestForm &window = OpenWindow();
    const Watch again([this] { return Progress().isVisible(); },
                      [&window] {
                          window.Controls()->btnCalcDiscID->click();
                          window.Controls()->Button1->click();
                      });

    window.btnCalcDiscIDClick();

    EXPECT_TRUE(again.Fired());
    EXPECT_EQ(messages_, QStringList());
    EXPECT_EQ(window.Controls()->lblTitle->text(), QStringLiteral("Disque de démonstration"));
    const std::string log = RequestLog();
    EXPECT_EQ(log.find("cddb+query"), log.rfind("cddb+query"));
    EXPECT_EQ(log.find("cmd=sites"), std::string::npos);
}

TEST_F(DiscLookupTest, TitlesFillTheRowsThereAre)
{
    // No real server holds such entries (it refuses them): only a reply made up can bring them. The
    // longer one says it is of a seven-track disc, or the library would refuse its titles.
    WriteEntry("rock", DemoDiscId(), "A", "B", {"1", "2", "3", "4", "5"});
    StartServer(
        {"{}",
         R"({"body": "210 rock x\r\n# Track frame offsets:\r\n#\t150\r\n#\t1\r\n#\t2\r\n#\t3\r\n#\t4\r\n)"
         R"(#\t5\r\n#\t6\r\nTTITLE0=t1\r\nTTITLE1=t2\r\nTTITLE2=t3\r\nTTITLE3=t4\r\n)"
         R"(TTITLE4=t5\r\nTTITLE5=t6\r\nTTITLE6=t7\r\n.\r\n"})",
         "{}", R"({"body": "210 rock x\r\nTTITLE0=u1\r\nTTITLE1=u2\r\nTTITLE2=u3\r\n.\r\n"})"});
    TCDRipTestForm &window = OpenWindow();
    window.btnCalcDiscIDClick();
    EXPECT_EQ(Names(), QStringList({"t1", "t2", "t3", "t4", "t5"}));

    // An entry with fewer titles: the other rows have no name of this match's.
    window.btnCalcDiscIDClick();
    EXPECT_EQ(Names(), QStringList({"u1", "u2", "u3", "?", "?"}));
    EXPECT_EQ(messages_, QStringList());
}

TEST_F(DiscLookupTest, ShowingTheWindowLooksUpWhenAsked)
{
    WriteEntry("rock", DemoDiscId(), "Bj\xF6rk", "Vespertine", kIcelandic);
    StartServer();
    window_ = std::make_unique<TCDRipTestForm>();
    window_->Controls()->activer->setChecked(false);
    window_->Controls()->CheckBox1->setChecked(true);
    window_->CddbServer.Server = ServerAddress();
    window_->show();
    // The lookup starts once the window is on screen.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window_->Controls()->lblArtist->text().isEmpty(); }, 10000));
    EXPECT_EQ(window_->Controls()->lblArtist->text(), QStringLiteral("Björk"));
    EXPECT_EQ(Names().last(), QStringLiteral("Sigur Rós"));
}

TEST_F(DiscLookupTest, TheDemoDiscIsLookedUpThenRippedUnderItsNames)
{
    server_ = std::make_unique<ostrelle_test::CddbServerProcess>(
        qEnvironmentVariable("QUAVREL_DATA_DIR").toStdString() + "/cddb");
    TCDRipTestForm &window = OpenWindow();
    auto *ui = window.Controls();
    window.btnCalcDiscIDClick();
    EXPECT_EQ(messages_, QStringList());
    EXPECT_EQ(ui->lblArtist->text(), QStringLiteral("Orchestre de démonstration"));
    EXPECT_EQ(ui->lblTitle->text(), QStringLiteral("Disque de démonstration"));
    EXPECT_EQ(Names(), QStringList({"Ouverture en do", "Carillon", "Promenade sous les tilleuls",
                                    QStringLiteral("Accords d'été"), QStringLiteral("Coda brève")}));

    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    ui->Label3->setText(out.path() + QLatin1Char('/'));
    ui->creerlesrepertoires->setChecked(true);
    ui->numeropiste->setChecked(true);
    ui->nomdepiste->setChecked(true);
    window.N1Click();
    ui->ListView1->topLevelItem(3)->setCheckState(0, Qt::Checked);
    ui->ComboBox1->setCurrentIndex(2); // Wav
    window.ripperlapisteauformatWav1Click();

    const QFileInfo wav(out.path() + QStringLiteral("/Orchestre de démonstration/Disque de démonstration/"
                                                    "4-Accords d'été.wav"));
    ASSERT_TRUE(wav.exists()) << wav.filePath().toStdString() << " " << window.StatusText().toStdString();
    // The whole track (31 s 62 frames) after the 44-byte header.
    EXPECT_EQ(wav.size(), 44 + (31 * 75 + 62) * 2352);
}

} // namespace
