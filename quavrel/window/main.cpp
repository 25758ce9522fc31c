#include "platform/winmsg/winmsg.h"
#include "quavrel/engine/bindings/cd_access.h"
#include "quavrel/window/album_info_form.h"
#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/matches_form.h"
#include "quavrel/window/progress_form.h"
#include "quavrel/window/qt_translations.h"

#include <cstdio>
#include <cstring>
#include <exception>

#include <QApplication>
#include <QMessageBox>

namespace {

// The CD access helpers are bound before any window exists and released after the last one.
struct CdAccessScope {
    CdAccessScope() { CdAccessStart(); }
    ~CdAccessScope() { CdAccessEnd(); }
    CdAccessScope(const CdAccessScope &) = delete;
    CdAccessScope &operator=(const CdAccessScope &) = delete;
};

const char kUsage[] = "Usage: quavrel [--version | --help] [Qt options such as -platform offscreen]\n"
                      "Rips audio CDs to Ogg Vorbis, MP3 or WAV files. See quavrel(1).\n";

// --version and --help answer without a display and without loading the ripping library.
bool AnswersAlone(int argc, char *argv[], int &result)
{
    if (argc != 2)
        return false;
    if (std::strcmp(argv[1], "--version") == 0) {
        std::fputs("quavrel " QUAVREL_VERSION "\n", stdout);
    } else if (std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
    } else {
        return false;
    }
    result = std::fflush(stdout) == 0 ? 0 : 1;
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (int result = 0; AnswersAlone(argc, argv, result))
        return result;
    const CdAccessScope cdAccess;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quavrel"));
    QApplication::setApplicationVersion(QStringLiteral(QUAVREL_VERSION));
    // Desktop shells match the window to its launcher and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.quavrel.Quavrel"));
    InstallQtFrenchTranslations(application);
    // Ostrelle's waits keep the window alive through this pump.
    winmsg::SetMessagePump([] { QCoreApplication::processEvents(); });

    int result = 0;
    try {
        TCDRipTestForm CDRipTestForm;
        TAlbumInfoForm AlbumInfoForm(&CDRipTestForm);
        TfrmProgress frmProgress(&CDRipTestForm);
        TfrmMatches frmMatches(&CDRipTestForm);
        CDRipTestForm.show();
        result = QApplication::exec();
    } catch (const std::exception &error) {
        // A component that cannot start (the ripping library failing its initialisation) ends the
        // program with its message rather than silently.
        QMessageBox::critical(nullptr, QApplication::applicationName(), QString::fromLocal8Bit(error.what()));
        result = 1;
    }
    winmsg::SetMessagePump({});
    return result;
}
