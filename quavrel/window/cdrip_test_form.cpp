#include "quavrel/window/cdrip_test_form.h"

#include "platform/common/data_files.h"
#include "quavrel/settings/registry.h"
#include "quavrel/window/message_box.h"
#include "quavrel/window/os_label.h"
#include "ui_TCDRipTestForm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QUrl>

// The icons live in this static library; nothing else would pull them into the program.
static void InitIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace {

const char *const kContactAddress = "quavrel@example.org";

} // namespace

TCDRipTestForm::TCDRipTestForm(QWidget *parent)
    : QMainWindow(parent), LameCoder1(this), CDRIP1(this), DialUp1(this),
      ui(std::make_unique<Ui::TCDRipTestForm>())
{
    InitIconResources();
    ui->setupUi(this);

    const int columnWidths[] = {80, 220, 70, 100, 120};
    for (int column = 0; column < 5; ++column)
        ui->ListView1->header()->resizeSection(column, columnWidths[column]);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addAction(ui->N1);
    PopupMenu1->addAction(ui->ToutSelectionner1);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(ui->Ripperlaespistes2);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(ui->Renommerlapiste1);
    connect(ui->ListView1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenu1->popup(ui->ListView1->viewport()->mapToGlobal(at)); });

    // A label rather than showMessage(): menu status tips would wipe a temporary message.
    statusText_ = new QLabel(QStringLiteral("Status:"), ui->StatusBar1);
    statusText_->setObjectName(QStringLiteral("StatusText"));
    // A long text (a rip error naming a path) is cut, never a reason for the window to grow.
    statusText_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ui->StatusBar1->addWidget(statusText_, 1);
    // Kept apart from the simple text, which every disc and rip event rewrites.
    dialUpNote_ = new QLabel(ui->StatusBar1);
    dialUpNote_->setObjectName(QStringLiteral("DialUpNote"));
    dialUpNote_->hide();
    ui->StatusBar1->addPermanentWidget(dialUpNote_);

    ImageList1 = {QIcon::fromTheme(QStringLiteral("audio-x-generic"),
                                   QIcon(QStringLiteral(":/icons/track-audio.svg")))};
    ImageList2 = {
        QIcon::fromTheme(QStringLiteral("text-x-generic"), QIcon(QStringLiteral(":/icons/track-data.svg")))};

    SetUpRipper();
    DialUp1.SetDialMode(dmSync);
    DialUp1.SetLanguage(France);
    BindDialUpEvents();
    ConnectControls();
    ConnectRipControls();
    ConnectVerifyControls();
    ConnectDiscControls();
    ConnectLookupControls();
    ConnectPlaybackControls();
    FormCreate();
}

TCDRipTestForm::~TCDRipTestForm() = default;

void TCDRipTestForm::SetUpRipper()
{
    CDRIP1.SetCoder(&LameCoder1);
    CDRIP1.SetCDRomNum(0);
    TDriveTableClass &table = CDRIP1.DriveTable();
    table.SetDriveType(TDriveType::GENERIC);
    table.SetReadMethod(TReadMethod::READMMC);
    table.SetSetSpeed(TSetSpeed::SPEEDMMC);
    table.SetEndian(TEndian::LITTLEENDIAN);
    table.SetEnableMode(TEnableMode::ENABLENONE);
    table.SetDensity(0);
    table.SetAtapi(true);
    CDRIP1.SetEncode(true);
    CDRIP1.SetVersion(QStringLiteral("111"));
    CDRIP1.SetSpeed(32);
}

void TCDRipTestForm::ConnectControls()
{
    connect(ui->Quitter1, &QAction::triggered, this, &TCDRipTestForm::btnCloseClick);
    connect(ui->Aide1, &QAction::triggered, this, &TCDRipTestForm::Aide1Click);
    connect(ui->Mcrire1, &QAction::triggered, this, &TCDRipTestForm::Mcrire1Click);
    connect(ui->Annulerlerippageencodage1, &QAction::triggered, this, &TCDRipTestForm::btnCancelRipClick);
    connect(ui->btnCancelRip, &QToolButton::clicked, this, &TCDRipTestForm::btnCancelRipClick);

    // activated, not currentIndexChanged: loading the settings must not run the handlers.
    connect(ui->ComboBox1, &QComboBox::activated, this, &TCDRipTestForm::ComboBox1Change);
    connect(ui->EncQualitySel, &QComboBox::activated, this, &TCDRipTestForm::EncQualitySelChange);
    connect(ui->FlacCompressionSel, &QComboBox::activated, this, &TCDRipTestForm::FlacCompressionSelChange);
    connect(ui->OpusBitrateSel, &QComboBox::activated, this, &TCDRipTestForm::ComboBox1Change);
    connect(ui->fquce, &QComboBox::activated, this, &TCDRipTestForm::fquceChange);
    connect(ui->debitmin, &QComboBox::activated, this, &TCDRipTestForm::debitminChange);
    connect(ui->debitmax, &QComboBox::activated, this, &TCDRipTestForm::debitmaxChange);
    connect(ui->vbr, &QCheckBox::clicked, this, &TCDRipTestForm::vbrClick);
    connect(ui->copyright, &QCheckBox::clicked, this, &TCDRipTestForm::copyrightClick);
    connect(ui->original, &QCheckBox::clicked, this, &TCDRipTestForm::originalClick);
    connect(ui->crc, &QCheckBox::clicked, this, &TCDRipTestForm::crcClick);
    connect(ui->Button3, &QPushButton::clicked, this, &TCDRipTestForm::Button3Click);
}

QString TCDRipTestForm::StatusText() const
{
    return statusText_->text();
}

void TCDRipTestForm::SetStatusText(const QString &text)
{
    statusText_->setText(text);
}

QString TCDRipTestForm::SettingsFile()
{
    return TRegistry::FileOfKey(QStringLiteral("Software\\Quavrel"));
}

QString TCDRipTestForm::HelpFile()
{
    return QString::fromStdString(platform::DataFile(QCoreApplication::applicationDirPath().toStdString(),
                                                     platform::kProgramToInstalledData, "Quavrel.html")
                                      .string());
}

int TCDRipTestForm::RadioGroupIndex() const
{
    if (ui->RadioGroup1Ogg->isChecked())
        return 0;
    if (ui->RadioGroup1Mp3->isChecked())
        return 1;
    if (ui->RadioGroup1Wav->isChecked())
        return 2;
    if (ui->RadioGroup1Flac->isChecked())
        return 3;
    if (ui->RadioGroup1Opus->isChecked())
        return 4;
    return -1;
}

void TCDRipTestForm::SetRadioGroupIndex(int index)
{
    QRadioButton *const buttons[] = {ui->RadioGroup1Ogg, ui->RadioGroup1Mp3, ui->RadioGroup1Wav,
                                     ui->RadioGroup1Flac, ui->RadioGroup1Opus};
    if (index >= 0 && index < 5)
        buttons[index]->setChecked(true);
}

void TCDRipTestForm::ReadComputerProperties()
{
    ui->OSlabel->setText(RunningSystemLabel());
}

void TCDRipTestForm::closeEvent(QCloseEvent *event)
{
    // A hang-up at exit processes events while it waits: a second close request must not save again.
    if (!closing_) {
        closing_ = true;
        FormCloseQuery();
    }
    event->accept();
}

void TCDRipTestForm::btnCloseClick()
{
    close();
}

void TCDRipTestForm::Aide1Click()
{
    // Like the shell request it stands for, a missing page or viewer shows nothing.
    QDesktopServices::openUrl(QUrl::fromLocalFile(HelpFile()));
}

void TCDRipTestForm::Mcrire1Click()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + QLatin1String(kContactAddress) +
                                   QStringLiteral("?subject=Quavrel")));
}
