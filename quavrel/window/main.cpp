#include "album_info_form.h"
#include "cd_access.h"
#include "cdrip_test_form.h"
#include "matches_form.h"
#include "progress_form.h"
#include "winmsg.h"

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

} // namespace

int main(int argc, char *argv[])
{
    const CdAccessScope cdAccess;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quavrel"));
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
