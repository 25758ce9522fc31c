// The connection controls of the CDDB tab and the window's side of the dial-up component.

#include "quavrel/dialup/ras_binding.h"
#include "quavrel/window/cdrip_test_form.h"
#include "ui_TCDRipTestForm.h"

#include <cstring>

#include <QCoreApplication>
#include <QLabel>

namespace {

template <size_t N> QString FieldText(const char (&field)[N])
{
    return QString::fromLocal8Bit(field, static_cast<qsizetype>(strnlen(field, N)));
}

} // namespace

void TCDRipTestForm::BindDialUpEvents()
{
    using namespace std::placeholders;
    DialUp1.OnEntryGet = std::bind(&TCDRipTestForm::DialUp1EntryGet, this, _1, _2);
    DialUp1.OnDialing = std::bind(&TCDRipTestForm::DialUp1Dialing, this, _1);
    DialUp1.OnConnect = std::bind(&TCDRipTestForm::DialUp1Connect, this, _1);
    DialUp1.OnNotConnected = std::bind(&TCDRipTestForm::DialUp1NotConnected, this, _1, _2, _3);
    DialUp1.OnActiveConnection =
        std::bind(&TCDRipTestForm::DialUp1ActiveConnection, this, _1, _2, _3, _4, _5, _6, _7);
}

void TCDRipTestForm::WithDialUp(const std::function<void()> &request)
{
    try {
        request();
    } catch (const EDialUpError &error) {
        dialUpNote_->setText(QStringLiteral("Accès réseau à distance indisponible"));
        dialUpNote_->setToolTip(QString::fromLocal8Bit(error.what()));
        dialUpNote_->show();
    }
}

QString TCDRipTestForm::DialUpNote() const
{
    return dialUpNote_->text();
}

void TCDRipTestForm::DialUp1EntryGet(QObject *, const TEntryNameField &EntryName)
{
    ui->Connexions->addItem(FieldText(EntryName));
    ui->Connexions->setCurrentIndex(0);
}

void TCDRipTestForm::DialUp1Dialing(QObject *)
{
    SetStatusText(QStringLiteral("Appel..."));
    // The synchronous dial blocks next: paint the text first.
    QCoreApplication::processEvents();
}

void TCDRipTestForm::DialUp1Connect(QObject *)
{
    SetStatusText(QStringLiteral("Connecté."));
    DialUp1.GetConnections();
}

void TCDRipTestForm::DialUp1NotConnected(QObject *, int32_t, const QString &)
{
    // "Appel..." and the labels stay as they are.
}

void TCDRipTestForm::DialUp1ActiveConnection(QObject *, HRASCONN Handle, const TRasConnStatusA &,
                                             const QString &, const TEntryNameField &EntryName,
                                             const TDeviceTypeField &, const TDeviceNameField &DeviceName)
{
    DialUp1.GetProjection(DialUp1.ConnHandle());
    ui->Label8->setText(QStringLiteral("&Connexion active: ") + FieldText(EntryName));
    ui->Label9->setText(QStringLiteral("&Type :") + FieldText(DeviceName));
    if (DisconnectOnExit)
        DialUp1.HangUpConnection(Handle);
}
