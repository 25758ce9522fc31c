// Verified rips in the window: each ripped track's AccurateRip verdict beside the status text,
// the database's server and each drive's read offset as settings.

#include "quavrel/settings/drive_offsets.h"
#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/message_box.h"
#include "ui_TCDRipTestForm.h"

#include <cstdlib>

#include <QLabel>
#include <QUrl>

void TCDRipTestForm::ConnectVerifyControls()
{
    AccurateRipServer = DefaultAccurateRipServer();
    verifyNote_ = new QLabel(ui->StatusBar1);
    verifyNote_->setObjectName(QStringLiteral("VerifyNote"));
    verifyNote_->hide();
    ui->StatusBar1->addPermanentWidget(verifyNote_);
    auto *offsetAction = new QAction(QStringLiteral("Décalage de &lecture du lecteur..."), this);
    offsetAction->setObjectName(QStringLiteral("Decalagedelecture1"));
    PopupMenu1->addAction(offsetAction);
    connect(offsetAction, &QAction::triggered, this, &TCDRipTestForm::Decalagedelecture1Click);
    // Test and copy: the tracks read twice and compared, what differs read again until it agrees.
    secureAction_ = new QAction(QStringLiteral("Lecture sûre (&test et copie)"), this);
    secureAction_->setObjectName(QStringLiteral("Lecturesure1"));
    secureAction_->setCheckable(true);
    PopupMenu1->addAction(secureAction_);
}

QString TCDRipTestForm::VerifyNoteText() const
{
    return verifyNote_->text();
}

std::vector<StoredSetting> TCDRipTestForm::VerifySettings()
{
    return {
        TextSetting(
            QStringLiteral("Serveur AccurateRip"), [this] { return AccurateRipServer; },
            [this](const QString &text) { AccurateRipServer = text.trimmed(); }),
        TextSetting(
            QStringLiteral("Décalages de lecture"), [this] { return DriveOffsetsText(readOffsets_); },
            [this](const QString &text) { readOffsets_ = ParseDriveOffsets(text); }),
        TextSetting(
            QStringLiteral("Cache audio des lecteurs"), [this] { return DriveCachesText(driveCaches_); },
            [this](const QString &text) { driveCaches_ = ParseDriveCaches(text); }),
    };
}

int32_t TCDRipTestForm::ReadOffsetOf(const QString &Drive) const
{
    return readOffsets_.value(Drive, 0);
}

void TCDRipTestForm::SetReadOffsetOf(const QString &Drive, int32_t Samples)
{
    if (Samples == 0)
        readOffsets_.remove(Drive);
    else
        readOffsets_.insert(Drive, Samples);
}

void TCDRipTestForm::Decalagedelecture1Click()
{
    const QString drive = ui->DriveSelBox->currentText();
    if (drive.isEmpty())
        return;
    const QString text = InputBox(this, QStringLiteral("Décalage de lecture"),
                                  QStringLiteral("Décalage de lecture de %1, en échantillons :").arg(drive),
                                  QString::number(ReadOffsetOf(drive)));
    int offset = 0;
    if (!ParseStoredInteger(text.trimmed(), offset) || std::abs(offset) > kMaxReadOffset) {
        SetStatusText(QStringLiteral("Décalage de lecture invalide : %1 (de -%2 à +%2 échantillons)")
                          .arg(text)
                          .arg(kMaxReadOffset));
        return;
    }
    SetReadOffsetOf(drive, offset);
    SetStatusText(QStringLiteral("Décalage de lecture de %1 : %2 échantillon(s)").arg(drive).arg(offset));
}

void TCDRipTestForm::ForgetLastRip()
{
    verifyNote_->clear();
    verifyNote_->hide();
}

void TCDRipTestForm::ShowServices()
{
    ui->musicbrainzserveur->setText(MusicBrainz.BaseUrl.toString());
    ui->accurateripserveur->setText(AccurateRipServer);
}

void TCDRipTestForm::TakeTypedServices()
{
    // Only what the user typed replaces a service; an empty box or a text that names none keeps
    // the one in use.
    const QUrl musicBrainz(ui->musicbrainzserveur->text().trimmed());
    if (ui->musicbrainzserveur->isModified() && musicBrainz.isValid() && !musicBrainz.host().isEmpty() &&
        (musicBrainz.scheme() == QLatin1String("http") || musicBrainz.scheme() == QLatin1String("https")))
        MusicBrainz.BaseUrl = musicBrainz;
    const QUrl accurateRip(ui->accurateripserveur->text().trimmed());
    if (ui->accurateripserveur->isModified() && accurateRip.isValid() && !accurateRip.host().isEmpty() &&
        accurateRip.scheme() == QLatin1String("http"))
        AccurateRipServer = accurateRip.toString();
    ShowServices();
}
