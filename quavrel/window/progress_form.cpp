#include "quavrel/window/progress_form.h"

#include "ostrelle/ostrelle.h"
#include "quavrel/metadata/cddb/cddb_server.h"
#include "ui_TfrmProgress.h"

TfrmProgress::TfrmProgress(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      ui(std::make_unique<Ui::TfrmProgress>()),
      window_([this](uint32_t message, winmsg::WPARAM kind, winmsg::LPARAM phase) {
          return WndProc(message, kind, phase);
      })
{
    ui->setupUi(this);
    setFixedSize(304, 49);
    connect(ui->Button1, &QPushButton::clicked, this, &TfrmProgress::Button1Click);
}

TfrmProgress::~TfrmProgress() = default;

void TfrmProgress::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TfrmProgress::FormShow()
{
    setWindowTitle(QStringLiteral("Récupération données de ") + (server_ ? server_->Server : QString()));
    CentreOnOwner(*this);
}

void TfrmProgress::Button1Click()
{
    http_Abort();
    close();
}

void TfrmProgress::Begin(int kind)
{
    WndProc(WM_CDDB_PROGRESS, static_cast<winmsg::WPARAM>(kind), CDDB_PHASE_SENDING);
}

void TfrmProgress::reject()
{
    // Outside a request the client is idle and this changes nothing.
    http_Abort();
    QDialog::reject();
}

winmsg::LRESULT TfrmProgress::WndProc(uint32_t message, winmsg::WPARAM kind, winmsg::LPARAM phase)
{
    if (message != WM_CDDB_PROGRESS)
        return 0;
    switch (kind) {
    case CDDB_REQUEST_QUERY:
        ui->lblCMD->setText(QStringLiteral("Demande de données..."));
        break;
    case CDDB_REQUEST_READ:
        ui->lblCMD->setText(QStringLiteral(" Récupération des informations CD..."));
        break;
    case CDDB_REQUEST_SITES:
        ui->lblCMD->setText(QStringLiteral("Récupération des informations de sites..."));
        break;
    default:
        break;
    }
    switch (phase) {
    case CDDB_PHASE_SENDING:
        ui->lblState->setText(QStringLiteral("Demande..."));
        show();
        break;
    case CDDB_PHASE_DOC_BEGIN:
        ui->lblState->setText(QStringLiteral("Réception des données..."));
        break;
    case CDDB_PHASE_DOC_END:
        ui->lblState->setText(QStringLiteral("Données reçues..."));
        // A query's window stays up while the user picks a match; the read that follows reuses it.
        // Hidden, not closed: closing aborts, and the request is still finishing.
        if (kind == CDDB_REQUEST_READ || kind == CDDB_REQUEST_SITES)
            hide();
        break;
    default:
        break;
    }
    return 0;
}

void CentreOnOwner(QWidget &window)
{
    const QWidget *owner = window.parentWidget();
    if (!owner)
        return;
    const QWidget *main = owner->window();
    window.move(main->x() + (main->width() - window.width()) / 2,
                main->y() + (main->height() - window.height()) / 2);
}
