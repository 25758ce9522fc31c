// The ripping library's settings file seen from the window, and a drive past the lookup's list.

#include "drive_catalogue.h"
#include "quavrel/engine/bindings/cd_access.h"
#include "quavrel/window/cdrip_test_form.h"
#include "ui_TCDRipTestForm.h"
#include "window_test_support.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

class DriveSettingsTest : public WindowTest {
  protected:
    void TearDown() override
    {
        QFile::remove(TCDRipTestForm::CdromSettingsFile());
        WindowTest::TearDown();
    }
    // Shown without the automatic lookup or dial.
    static void Show(TCDRipTestForm &window)
    {
        window.Controls()->CheckBox1->setChecked(false);
        window.Controls()->activer->setChecked(false);
        window.show();
    }
};

TEST_F(DriveSettingsTest, AnUnreadableFileIsNotReplacedAndTheMessageSaysWhy)
{
    const QString file = TCDRipTestForm::CdromSettingsFile();
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile::remove(file);
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::WriteOnly));
    written.write("[Drive elsewhere]\nSpeed=4\n");
    written.close();
    chmod(file.toLocal8Bit().constData(), 0);
    int why = EACCES;
    if (QFile(file).open(QIODevice::ReadOnly)) { // root reads whatever the mode: a link loop instead
        QFile::remove(file);
        std::filesystem::create_symlink("CDRipper.ini", file.toStdString());
        why = ELOOP;
    }
    TCDRipTestForm window;
    Show(window);
    window.Controls()->SauvegarderlesparamtresCDROM1->trigger();
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_.front().startsWith("CDRIP_Erreur"));
    EXPECT_TRUE(messages_.front().contains(file)) << messages_.front().toStdString();
    EXPECT_TRUE(messages_.front().contains(qt_error_string(why))) << messages_.front().toStdString();
    if (why == EACCES) {
        chmod(file.toLocal8Bit().constData(), 0600);
        QFile kept(file);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), "[Drive elsewhere]\nSpeed=4\n");
    } else {
        EXPECT_TRUE(QFileInfo(file).isSymLink());
    }
}

TEST_F(DriveSettingsTest, ADrivePastTheLookupsListSaysItCannotBeLookedUp)
{
    const QByteArray listed = qgetenv("QUAVREL_DRIVES");
    QStringList many;
    for (int i = 0; i < 27; ++i)
        many << QString::fromLocal8Bit(listed).section(QLatin1Char(':'), 0, 0);
    qputenv("QUAVREL_DRIVES", many.join(QLatin1Char(':')).toLocal8Bit());
    drives::RebuildCatalogue();
    CdAccessEnd();
    CdAccessStart();
    {
        TCDRipTestForm window;
        Show(window);
        ASSERT_EQ(window.Controls()->DriveSelBox->count(), 27);
        window.Controls()->DriveSelBox->setCurrentIndex(26);
        window.btnCalcDiscIDClick();
        EXPECT_EQ(
            window.StatusText(),
            "Ce lecteur ne peut pas être interrogé : la recherche ne voit que les 26 premiers lecteurs.");
        window.close();
    }
    qputenv("QUAVREL_DRIVES", listed);
    drives::RebuildCatalogue();
    CdAccessEnd();
    CdAccessStart();
}

} // namespace
