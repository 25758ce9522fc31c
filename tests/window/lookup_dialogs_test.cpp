// The lookup's three dialogs on their own, and the 8-bit text boundary.

#include "album_info_form.h"
#include "cddb_server.h"
#include "ansi_text.h"
#include "matches_form.h"
#include "ostrelle/ostrelle.h"
#include "progress_form.h"
#include "ui_TAlbumInfoForm.h"
#include "ui_TfrmMatches.h"
#include "ui_TfrmProgress.h"
#include "winmsg.h"

#include <gtest/gtest.h>

#include <QWidget>

namespace {

TEST(ProgressWindow, FollowsTheRequestThroughItsPhases)
{
    QWidget main;
    main.setGeometry(100, 50, 801, 600);
    main.show();
    CddbServerTexts server{"cddb.example.org:8080", "/cgi", "Quavrel", "localhost"};
    TfrmProgress progress(&main);
    progress.SetServer(&server);
    auto *ui = progress.Controls();
    const auto send = [&](winmsg::WPARAM kind, winmsg::LPARAM phase) {
        return winmsg::SendMessage(progress.Handle(), WM_CDDB_PROGRESS, kind, phase);
    };

    EXPECT_EQ(send(CDDB_REQUEST_QUERY, CDDB_PHASE_SENDING), 0);
    EXPECT_TRUE(progress.isVisible());
    EXPECT_FALSE(progress.isModal());
    EXPECT_EQ(progress.windowTitle(), "Récupération données de cddb.example.org:8080");
    // Centred on the main window, halves truncated.
    EXPECT_EQ(progress.x(), main.x() + 248);
    EXPECT_EQ(progress.y(), main.y() + 275);
    EXPECT_EQ(ui->lblCMD->text(), "Demande de données...");
    EXPECT_EQ(ui->lblState->text(), "Demande...");
    send(CDDB_REQUEST_QUERY, CDDB_PHASE_DOC_BEGIN);
    EXPECT_EQ(ui->lblState->text(), "Réception des données...");
    send(CDDB_REQUEST_QUERY, CDDB_PHASE_DOC_END);
    EXPECT_EQ(ui->lblState->text(), "Données reçues...");
    EXPECT_TRUE(progress.isVisible()) << "a query's window waits for the match to be read";

    send(CDDB_REQUEST_READ, CDDB_PHASE_SENDING);
    EXPECT_EQ(ui->lblCMD->text(), " Récupération des informations CD...");
    send(CDDB_REQUEST_READ, CDDB_PHASE_DOC_END);
    EXPECT_FALSE(progress.isVisible());

    send(CDDB_REQUEST_SITES, CDDB_PHASE_SENDING);
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(ui->lblCMD->text(), "Récupération des informations de sites...");
    send(7, 9);
    EXPECT_EQ(ui->lblCMD->text(), "Récupération des informations de sites...");
    EXPECT_EQ(ui->lblState->text(), "Demande...");
    EXPECT_EQ(winmsg::SendMessage(progress.Handle(), WM_CDDB_PROGRESS + 1, CDDB_REQUEST_READ, CDDB_PHASE_DOC_END),
              0);
    EXPECT_TRUE(progress.isVisible());
    send(CDDB_REQUEST_SITES, CDDB_PHASE_DOC_END);
    EXPECT_FALSE(progress.isVisible());

    // Abandon with nothing running only closes the window.
    send(CDDB_REQUEST_QUERY, CDDB_PHASE_SENDING);
    ui->Button1->click();
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(ui->Button1->text(), "&Abandon");
}

TEST(MatchChooser, ListsEachMatchOnOneLineAndReportsOnlyASelectedOne)
{
    char rock[] = "rock", id1[] = "7a0b1c09", artist1[] = "Bj\xF6rk", title1[] = "Homog\xE9nique";
    char misc[] = "misc", id2[] = "0000ab12", artist2[] = "Sigur R\xF3s", title2[] = "( )";
    TCddbMatch matches[] = {{rock, id1, artist1, title1}, {misc, id2, artist2, title2}};
    const TCDDBQuery query{2, matches};
    QWidget main;
    TfrmMatches chooser(&main, query);
    auto *list = chooser.Controls()->LbMatches;
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("rock 7a0b1c09 Björk / Homogénique"));
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("misc 0000ab12 Sigur Rós / ( )"));
    EXPECT_EQ(chooser.Controls()->Label1->text(), "Double click sur un item pour choisir ");

    list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    EXPECT_EQ(chooser.ItemIndex(), -1);
    list->setCurrentRow(1);
    EXPECT_EQ(chooser.ItemIndex(), 1);
}

class AlbumInformation : public testing::Test {
  protected:
    void Fill(const QString &artist, const QString &album, const QString &title)
    {
        ui->strArtist->setText(artist);
        ui->strAlbum->setText(album);
        ui->strTitle->setText(title);
    }
    QStringList Texts() const { return {ui->strArtist->text(), ui->strAlbum->text(), ui->strTitle->text()}; }

    TAlbumInfoForm dialog;
    Ui::TAlbumInfoForm *ui = dialog.Controls();
};

TEST_F(AlbumInformation, CancelAndTheCloseBoxUndoTheEditsOfThatShowing)
{
    Fill("Artiste", "Album", "Titre");
    dialog.show();
    Fill("X", "Y", "Z");
    ui->btnOK->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(Texts(), QStringList({"X", "Y", "Z"}));

    dialog.show();
    Fill("1", "2", "3");
    ui->btnCancel->click();
    EXPECT_EQ(Texts(), QStringList({"X", "Y", "Z"}));

    dialog.show();
    Fill("1", "2", "3");
    dialog.close();
    EXPECT_EQ(Texts(), QStringList({"X", "Y", "Z"}));

    // OK on one showing does not keep the next showing's edits.
    dialog.show();
    ui->strTitle->setText("Nouveau");
    ui->btnOK->click();
    dialog.show();
    ui->strTitle->setText("Perdu");
    dialog.reject();
    EXPECT_EQ(Texts(), QStringList({"X", "Y", "Nouveau"}));
}

TEST(AnsiText, ConvertsWindows1252BothWays)
{
    EXPECT_EQ(FromAnsi("Bj\xF6rk \x80 \x85 \x9F"), QStringLiteral("Björk € … Ÿ"));
    EXPECT_EQ(FromAnsi(nullptr), QString());
    // Bytes the code page leaves undefined keep their value.
    EXPECT_EQ(FromAnsi("\x81\x8D\x8F\x90\x9D"), QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D"));
    EXPECT_EQ(ToAnsi(QStringLiteral("Björk € Ÿ ✓")), QByteArray("Bj\xF6rk \x80 \x9F ?"));

    QByteArray every;
    for (int byte = 1; byte < 256; ++byte)
        every += static_cast<char>(byte);
    EXPECT_EQ(ToAnsi(FromAnsi(every.constData())), every);
}

} // namespace
