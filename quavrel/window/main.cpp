#include "album_info_form.h"
#include "cd_access.h"
#include "cdrip_test_form.h"
#include "matches_form.h"
#include "progress_form.h"
#include "winmsg.h"

#include <QApplication>

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
    {
        TCDRipTestForm CDRipTestForm;
        TAlbumInfoForm AlbumInfoForm(&CDRipTestForm);
        TfrmProgress frmProgress(&CDRipTestForm);
        TfrmMatches frmMatches(&CDRipTestForm);
        CDRipTestForm.show();
        result = QApplication::exec();
    }
    winmsg::SetMessagePump({});
    return result;
}
