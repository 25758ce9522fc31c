// Renders every tab and dialog to PNG files under the build directory, for a look at the layout.

#include "quavrel/window/album_info_form.h"
#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/matches_form.h"
#include "quavrel/window/progress_form.h"
#include "ui_TCDRipTestForm.h"
#include "ui_TfrmProgress.h"
#include "window_test_support.h"

#include <QDir>
#include <QImage>
#include <QTabWidget>

namespace {

QString ScreenshotDir()
{
    const QString dir = qEnvironmentVariable("QUAVREL_BUILD_DIR") + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    return dir;
}

void Save(QWidget &widget, const QString &name)
{
    widget.show();
    QApplication::processEvents();
    const QString file = ScreenshotDir() + QLatin1Char('/') + name + QStringLiteral(".png");
    ASSERT_TRUE(widget.grab().save(file)) << file.toStdString();
    EXPECT_FALSE(QImage(file).isNull());
}

} // namespace

using ScreenshotTest = WindowTest;

TEST_F(ScreenshotTest, EveryTabAndDialog)
{
    TCDRipTestForm window;
    // Shown on the demo disc, without asking a CDDB server.
    window.Controls()->CheckBox1->setChecked(false);
    const char *tabs[] = {"tab-rip", "tab-encoders", "tab-cddb", "tab-about"};
    for (int tab = 0; tab < 4; ++tab) {
        window.Controls()->PageControl1->setCurrentIndex(tab);
        Save(window, QString::fromLatin1(tabs[tab]));
    }
    TAlbumInfoForm album(&window);
    Save(album, QStringLiteral("dialog-album-info"));
    TfrmProgress progress(&window);
    // Texts of a running query, so that the picture shows the labels' room.
    progress.Controls()->lblCMD->setText(QStringLiteral("Demande de données..."));
    progress.Controls()->lblState->setText(QStringLiteral("Demande..."));
    Save(progress, QStringLiteral("dialog-progress"));
    TfrmMatches matches(&window);
    Save(matches, QStringLiteral("dialog-matches"));
}
