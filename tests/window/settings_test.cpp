// The settings the window loads when created and saves when closed.

#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/message_box.h"
#include "ui_TCDRipTestForm.h"
#include "window_test_support.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QStringEncoder>

namespace {

const QStringList kValueNames = {"Répertoire",
                                 "Serveur AccurateRip",
                                 "Décalages de lecture",
                                 "Cache audio des lecteurs",
                                 "Nom de Serveur",
                                 "Localisation du Serveur",
                                 "Position horizontale",
                                 "Position verticale",
                                 "Largeur",
                                 "Hauteur",
                                 "Encodeur",
                                 "Encodeurs en parallèle",
                                 "Lecture sûre",
                                 "Relectures",
                                 "Lectures identiques",
                                 "Paramètres Ogg",
                                 "Paramètres Flac",
                                 "Fréquence Mp3",
                                 "Débit Mp3",
                                 "Débit Max Mp3",
                                 "VBR Mp3",
                                 "Copyright Mp3",
                                 "Original Mp3",
                                 "CRC Mp3",
                                 "Numéro de Piste",
                                 "Nom de Piste",
                                 "Nom des Répertoires",
                                 "Connexion active",
                                 "Activer la connexion",
                                 "Déconnecter en quittant",
                                 "Recherche au changement de disque",
                                 "Textes en UTF-8",
                                 "Source des informations",
                                 "Serveur MusicBrainz",
                                 "Paramètres Opus",
                                 "Pochette",
                                 "ReplayGain",
                                 "Lecture analogique par le lecteur",
                                 "Serveur Cover Art Archive"};

void WriteRaw(const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(TCDRipTestForm::SettingsFile()).absolutePath());
    QFile file(TCDRipTestForm::SettingsFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray ReadRaw()
{
    QFile file(TCDRipTestForm::SettingsFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

using SettingsTest = WindowTest;

TEST_F(SettingsTest, FirstRunOpensWithDefaultsAndClosingStoresAll39Values)
{
    {
        TCDRipTestForm window;
        auto *ui = window.Controls();
        EXPECT_EQ(window.pos(), QPoint(0, 0));
        EXPECT_EQ(window.size(), QSize(603, 541));
        EXPECT_EQ(ui->ComboBox1->currentText(), "Ogg");
        EXPECT_EQ(ui->Label3->text(),
                  QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QDir::separator());
        EXPECT_EQ(window.CddbServer.Server, "freedb.dbpoweramp.com");
        EXPECT_EQ(window.CddbServer.CgiPath, "/~cddb/cddb.cgi");
        EXPECT_EQ(window.CddbServer.UserName, "Quavrel");
        EXPECT_EQ(ui->serveur->text(), "freedb.dbpoweramp.com");
        EXPECT_EQ(window.EncoderDescription, "Ogg - Qualité: 5");
        EXPECT_TRUE(messages_.isEmpty());
        window.close();
    }
    QStringList stored = StoredNames();
    stored.sort();
    QStringList expected = kValueNames;
    expected.sort();
    EXPECT_EQ(stored, expected);
    const QList<std::pair<QString, QString>> forms = {{"Position horizontale", "0"},
                                                      {"Largeur", "603"},
                                                      {"Hauteur", "541"},
                                                      {"Encodeur", "0"},
                                                      {"Paramètres Ogg", "5"},
                                                      {"Paramètres Flac", "5"},
                                                      {"Fréquence Mp3", "0"},
                                                      {"Débit Mp3", "1"},
                                                      {"Débit Max Mp3", "0"},
                                                      {"VBR Mp3", "0"},
                                                      {"CRC Mp3", "1"},
                                                      {"Numéro de Piste", "1"},
                                                      {"Nom de Piste", "0"},
                                                      {"Nom des Répertoires", "1"},
                                                      {"Connexion active", "-1"},
                                                      {"Activer la connexion", "1"},
                                                      {"Déconnecter en quittant", "0"},
                                                      {"Recherche au changement de disque", "1"},
                                                      {"Textes en UTF-8", "0"},
                                                      {"Source des informations", "2"},
                                                      {"Serveur MusicBrainz", "https://musicbrainz.org"},
                                                      {"Paramètres Opus", "3"},
                                                      {"Pochette", "2"},
                                                      {"ReplayGain", "1"},
                                                      {"Lecture analogique par le lecteur", "0"},
                                                      {"Lecture sûre", "0"},
                                                      {"Relectures", "16"},
                                                      {"Localisation du Serveur", "/~cddb/cddb.cgi"}};
    for (const auto &[name, value] : forms)
        EXPECT_EQ(StoredValue(name), value) << name.toStdString();
}

TEST_F(SettingsTest, EveryValueSurvivesASecondStart)
{
    {
        TCDRipTestForm window;
        auto *ui = window.Controls();
        window.move(40, 30);
        window.resize(700, 600);
        ui->Label3->setText("/srv/rips/");
        window.CddbServer.Server = "cddb.example.net";
        window.CddbServer.CgiPath = "/cgi-bin/cddb.cgi";
        ui->RadioGroup1Wav->setChecked(true);
        ui->EncQualitySel->setCurrentIndex(9);
        ui->fquce->setCurrentIndex(2);
        ui->debitmin->setCurrentIndex(5);
        ui->debitmax->setCurrentIndex(3);
        for (QCheckBox *box :
             {ui->vbr, ui->copyright, ui->original, ui->crc, ui->numeropiste, ui->nomdepiste,
              ui->creerlesrepertoires, ui->activer, ui->deconnecter, ui->CheckBox1, ui->textesutf8})
            box->setChecked(!box->isChecked());
        ui->sourceinfos->setCurrentIndex(TCDRipTestForm::kSourceMusicBrainz);
        window.MusicBrainz.BaseUrl = QUrl("http://[::1]:5000/mb");
        window.close();
    }
    EXPECT_EQ(StoredValue("Encodeur"), "2");
    EXPECT_EQ(StoredValue("CRC Mp3"), "0");

    TCDRipTestForm window;
    auto *ui = window.Controls();
    EXPECT_EQ(window.pos(), QPoint(40, 30));
    EXPECT_EQ(window.size(), QSize(700, 600));
    EXPECT_EQ(ui->Label3->text(), "/srv/rips/");
    EXPECT_EQ(window.CddbServer.Server, "cddb.example.net");
    // Not the usual path: the box shows the whole address.
    EXPECT_EQ(ui->serveur->text(), "http://cddb.example.net/cgi-bin/cddb.cgi");
    EXPECT_EQ(window.CddbServer.CgiPath, "/cgi-bin/cddb.cgi");
    EXPECT_TRUE(ui->RadioGroup1Wav->isChecked());
    EXPECT_EQ(ui->ComboBox1->currentText(), "Wav");
    EXPECT_EQ(window.EncoderDescription, "Wav");
    EXPECT_EQ(ui->EncQualitySel->currentIndex(), 9);
    EXPECT_EQ(ui->fquce->currentIndex(), 2);
    EXPECT_EQ(ui->debitmin->currentIndex(), 5);
    EXPECT_EQ(ui->debitmax->currentIndex(), 3);
    EXPECT_EQ(window.LameCoder1.ReSampleRate(), 22050u);
    EXPECT_EQ(window.LameCoder1.SampleRate(), 44100u);
    EXPECT_EQ(window.LameCoder1.Bitrate(), 320u);
    EXPECT_EQ(window.LameCoder1.MaxBitrate(), 160u);
    EXPECT_TRUE(window.LameCoder1.EnableVBR());
    EXPECT_TRUE(window.LameCoder1.WriteVBRHeader());
    EXPECT_TRUE(window.LameCoder1.Copyright());
    EXPECT_TRUE(window.LameCoder1.Original());
    EXPECT_FALSE(window.LameCoder1.CRC());
    EXPECT_TRUE(ui->vbr->isChecked() && ui->copyright->isChecked() && ui->original->isChecked());
    EXPECT_FALSE(ui->crc->isChecked() || ui->numeropiste->isChecked() ||
                 ui->creerlesrepertoires->isChecked() || ui->activer->isChecked());
    EXPECT_TRUE(ui->nomdepiste->isChecked() && ui->deconnecter->isChecked());
    // The automatic lookup stays off, the UTF-8 texts on.
    EXPECT_FALSE(ui->CheckBox1->isChecked());
    EXPECT_TRUE(ui->textesutf8->isChecked());
    EXPECT_EQ(ui->sourceinfos->currentIndex(), TCDRipTestForm::kSourceMusicBrainz);
    EXPECT_EQ(window.MusicBrainz.BaseUrl, QUrl("http://[::1]:5000/mb"));
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(SettingsTest, FlagsAreUntickedOnlyByZero)
{
    StoreValues({{"CRC Mp3", "0"}, {"VBR Mp3", "yes"}, {"Nom de Piste", "ja"}});
    TCDRipTestForm window;
    EXPECT_FALSE(window.Controls()->crc->isChecked());
    EXPECT_FALSE(window.LameCoder1.CRC());
    EXPECT_TRUE(window.Controls()->vbr->isChecked());
    EXPECT_TRUE(window.LameCoder1.EnableVBR());
    EXPECT_TRUE(window.Controls()->nomdepiste->isChecked());
}

TEST_F(SettingsTest, StoredEncoderSelectsMp3InBothBoxes)
{
    StoreValues({{"Encodeur", "1"}});
    TCDRipTestForm window;
    EXPECT_TRUE(window.Controls()->RadioGroup1Mp3->isChecked());
    EXPECT_EQ(window.Controls()->ComboBox1->currentText(), "Mp3");
    // The start-up text has no unit; the first change of a box adds it.
    EXPECT_EQ(window.EncoderDescription, "Mp3 - Débit: 128");
}

TEST_F(SettingsTest, BadIntegersAreNamedOnceAndEverythingElseIsApplied)
{
    StoreValues({{"Largeur", "abc"},
                 {"Hauteur", "600"},
                 {"Débit Mp3", "2x"},
                 {"Fréquence Mp3", "1"},
                 {"VBR Mp3", "1"},
                 {"Nom de Serveur", "cddb.example.net"},
                 {"Déconnecter en quittant", "1"}});
    {
        TCDRipTestForm window;
        // The notice waits for the window to be up.
        EXPECT_TRUE(messages_.isEmpty());
        window.show();
        QApplication::processEvents();
        ASSERT_EQ(messages_.size(), 1);
        EXPECT_TRUE(messages_.front().contains("Largeur") && messages_.front().contains("abc"));
        EXPECT_TRUE(messages_.front().contains("Débit Mp3") && messages_.front().contains("2x"));
        EXPECT_EQ(window.width(), 603);
        EXPECT_EQ(window.height(), 600);
        EXPECT_EQ(window.Controls()->debitmin->currentText(), "128");
        EXPECT_EQ(window.LameCoder1.ReSampleRate(), 32000u);
        EXPECT_TRUE(window.LameCoder1.EnableVBR());
        EXPECT_EQ(window.CddbServer.Server, "cddb.example.net");
        EXPECT_TRUE(window.Controls()->deconnecter->isChecked());
        window.close();
    }
    // What the user had stored is kept; only the bad values are replaced.
    EXPECT_EQ(StoredValue("Largeur"), "603");
    EXPECT_EQ(StoredValue("Hauteur"), "600");
    EXPECT_EQ(StoredValue("Fréquence Mp3"), "1");
    EXPECT_EQ(StoredValue("Nom de Serveur"), "cddb.example.net");
}

TEST_F(SettingsTest, FlacIsTheFourthEncoderWithItsCompressionStoredApart)
{
    {
        TCDRipTestForm window;
        auto *ui = window.Controls();
        ui->RadioGroup1Flac->setChecked(true);
        ui->FlacCompressionSel->setCurrentIndex(8);
        window.close();
    }
    EXPECT_EQ(StoredValue("Encodeur"), "3");
    EXPECT_EQ(StoredValue("Paramètres Flac"), "8");
    EXPECT_EQ(StoredValue("Paramètres Ogg"), "5");

    TCDRipTestForm window;
    auto *ui = window.Controls();
    EXPECT_TRUE(ui->RadioGroup1Flac->isChecked());
    EXPECT_EQ(ui->ComboBox1->currentText(), "Flac");
    EXPECT_EQ(window.EncoderDescription, "Flac - Compression: 8");
    ui->FlacCompressionSel->setCurrentIndex(0);
    window.FlacCompressionSelChange();
    EXPECT_EQ(window.EncoderDescription, "Flac - Compression: 0");
}

TEST_F(SettingsTest, IndexesOutsideTheListsFallBackToTheDefaults)
{
    StoreValues({{"Paramètres Ogg", "11"},
                 {"Débit Max Mp3", "-1"},
                 {"Encodeur", "5"},
                 {"Connexion active", "4"},
                 {"Paramètres Flac", "9"}});
    TCDRipTestForm window;
    auto *ui = window.Controls();
    EXPECT_EQ(ui->EncQualitySel->currentText(), "5");
    EXPECT_EQ(ui->FlacCompressionSel->currentText(), "5");
    EXPECT_EQ(ui->debitmax->currentText(), "320");
    EXPECT_EQ(window.LameCoder1.MaxBitrate(), 320u);
    EXPECT_TRUE(ui->RadioGroup1Ogg->isChecked());
    EXPECT_EQ(ui->ComboBox1->currentText(), "Ogg");
    EXPECT_EQ(ui->Connexions->currentIndex(), -1);
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(SettingsTest, NoConnectionIsStoredAsMinusOne)
{
    StoreValues({{"Connexion active", "-1"}});
    {
        TCDRipTestForm window;
        EXPECT_EQ(window.Controls()->Connexions->currentIndex(), -1);
        window.close();
    }
    EXPECT_EQ(StoredValue("Connexion active"), "-1");
}

TEST_F(SettingsTest, AnUnreadableSettingsFileIsReportedAndNeverReplaced)
{
    // A directory where the file should be: nothing can be read or written there.
    ASSERT_TRUE(QDir().mkpath(TCDRipTestForm::SettingsFile()));
    {
        TCDRipTestForm window;
        window.show();
        QApplication::processEvents();
        EXPECT_TRUE(window.close());
    }
    EXPECT_TRUE(QFileInfo(TCDRipTestForm::SettingsFile()).isDir());
    QDir(TCDRipTestForm::SettingsFile()).removeRecursively();
    ASSERT_EQ(messages_.size(), 2) << messages_.join("\n").toStdString();
    EXPECT_TRUE(messages_.front().contains("n'a pas pu être lu"));
    EXPECT_TRUE(
        messages_.back().contains("n'ont pas pu être enregistrés dans " + TCDRipTestForm::SettingsFile()));
}

TEST_F(SettingsTest, JunkAroundTheValuesAndOtherEncodingsLoseNothing)
{
    // Junk ending in a backslash once swallowed the next line; an open quote, every line after it.
    WriteRaw("[General]\nHauteur=480\nnot a value \\\nLargeur=700\nKey=\"open\nEncodeur=2\n");
    {
        TCDRipTestForm window;
        EXPECT_EQ(window.size(), QSize(700, 480));
        EXPECT_EQ(window.Controls()->ComboBox1->currentText(), "Wav");
        window.close();
    }
    EXPECT_EQ(StoredValue("Largeur"), "700");

    // The same values saved by an editor as UTF-16, with a byte-order mark and without one.
    StoreValues({{"Répertoire", "/srv/musique/"}, {"Largeur", "650"}});
    const QString text = QString::fromUtf8(ReadRaw());
    for (const QStringConverter::Encoding encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        QStringEncoder encoder(encoding, encoding == QStringConverter::Utf16LE
                                             ? QStringConverter::Flag::WriteBom
                                             : QStringConverter::Flag::Default);
        WriteRaw(encoder(text));
        {
            TCDRipTestForm window;
            EXPECT_EQ(window.Controls()->Label3->text(), "/srv/musique/");
            EXPECT_EQ(window.width(), 650);
            window.close();
        }
        EXPECT_EQ(StoredValue("Répertoire"), "/srv/musique/");
    }
    EXPECT_TRUE(messages_.isEmpty()) << messages_.join("\n").toStdString();
}

TEST_F(SettingsTest, AFileThatIsNoTextIsKeptAside)
{
    const QByteArray bytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    WriteRaw(bytes);
    {
        TCDRipTestForm window;
        EXPECT_EQ(window.size(), QSize(603, 541));
        window.show();
        QApplication::processEvents();
        window.close();
    }
    const QString aside = TCDRipTestForm::SettingsFile() + ".illisible";
    QFile kept(aside);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), bytes);
    kept.remove();
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_.front().contains(aside));
    EXPECT_EQ(StoredValue("Largeur"), "603");
}

TEST_F(SettingsTest, GeometryOffTheScreensAndRichTextValuesAreHarmless)
{
    const QString richText = R"(<img src="/dev/zero">)";
    StoreValues({{"Hauteur", "2147483647"},
                 {"Largeur", "99999"},
                 {"Position horizontale", "-5000"},
                 {"Position verticale", "40"},
                 {"Encodeur", richText}});
    // The real box, not the test's hook: its text format is what matters. It never blocks, so it
    // is up once the window is.
    SetMessageBoxHook({});
    {
        TCDRipTestForm window;
        window.Controls()->CheckBox1->setChecked(false);
        window.show();
        QApplication::processEvents();
        QMessageBox *box = nullptr;
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *found = qobject_cast<QMessageBox *>(widget); found && found->isVisible())
                box = found;
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_TRUE(box->text().contains(richText));
        box->accept();
        EXPECT_EQ(window.pos(), QPoint(0, 0));
        EXPECT_EQ(window.size(), QSize(603, 541));

        // A long status text (a rip error naming a deep path) does not widen the window either.
        window.SetStatusText(QString(300, QLatin1Char('x')));
        // The layout request, then the resize it would ask for.
        QApplication::processEvents();
        QApplication::processEvents();
        EXPECT_EQ(window.width(), 603);
        window.close();
    }
    EXPECT_EQ(StoredValue("Hauteur"), "541");
    EXPECT_EQ(StoredValue("Largeur"), "603");
    EXPECT_EQ(StoredValue("Position horizontale"), "0");
}
