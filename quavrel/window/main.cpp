#include "album_info_form.h"
#include "cdrip_test_form.h"
#include "matches_form.h"
#include "progress_form.h"
#include "winmsg.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quavrel"));
    // Ostrelle's waits keep the window alive through this pump.
    winmsg::SetMessagePump([] { QCoreApplication::processEvents(); });

    TCDRipTestForm CDRipTestForm;
    TAlbumInfoForm AlbumInfoForm(&CDRipTestForm);
    TfrmProgress frmProgress(&CDRipTestForm);
    TfrmMatches frmMatches(&CDRipTestForm);
    CDRipTestForm.show();
    const int result = QApplication::exec();
    winmsg::SetMessagePump({});
    return result;
}
