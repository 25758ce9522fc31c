// The lookup's three dialogs on their own, and the 8-bit text boundary.

#include "ostrelle/ostrelle.h"
#include "quavrel/metadata/cddb/ansi_text.h"
#include "quavrel/metadata/cddb/cddb_server.h"
#include "quavrel/window/album_info_form.h"
#include "quavrel/window/progress_form.h"
#include "ui_TAlbumInfoForm.h"
#include "ui_TfrmProgress.h"
#include "winmsg.h"

#include <QWidget>
#include <gtest/gtest.h>

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
    send(CDDB_REQUEST_SITES, CDDB_PHASE_DOC_END);
    EXPECT_FALSE(progress.isVisible());

    // Shown before the request's first message, for its name lookup and connection.
    progress.Begin(CDDB_REQUEST_READ);
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(ui->lblCMD->text(), " Récupération des informations CD...");
    EXPECT_EQ(ui->lblState->text(), "Demande...");
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
