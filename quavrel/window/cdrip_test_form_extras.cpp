// What a rip adds beside the names: the cover of the release (the "Pochette" box), ReplayGain
// values, and the Opus format with its bitrate; the settings of the settings tab that hold them.

#include "quavrel/engine/rip/rip_texts.h"
#include "quavrel/metadata/musicbrainz/musicbrainz_client.h"
#include "quavrel/settings/rip_settings.h"
#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/track_columns.h"
#include "ui_TCDRipTestForm.h"

std::vector<StoredSetting> TCDRipTestForm::ExtraSettings()
{
    if (coverArtServer_.isEmpty())
        coverArtServer_ = DefaultCoverArtServer();
    const auto index = [](const QString &name, QComboBox *box) {
        return IntegerSetting(
            name, [box] { return box->currentIndex(); },
            [box](int stored) {
                if (stored >= 0 && stored < box->count())
                    box->setCurrentIndex(stored);
            });
    };
    const auto flag = [](const QString &name, QCheckBox *box) {
        return FlagSetting(
            name, [box] { return box->isChecked(); }, [box](bool ticked) { box->setChecked(ticked); });
    };
    return {
        index(QStringLiteral("Paramètres Opus"), ui->OpusBitrateSel),
        index(QStringLiteral("Pochette"), ui->pochette),
        flag(QStringLiteral("ReplayGain"), ui->replaygain),
        flag(QStringLiteral("Lecture analogique par le lecteur"), ui->lectureanalogique),
        TextSetting(
            QStringLiteral("Serveur Cover Art Archive"), [this] { return coverArtServer_; },
            [this](const QString &text) { coverArtServer_ = text.trimmed(); }),
        BoundedSetting(QStringLiteral("Encodeurs en parallèle"), workers_, 0, kMaxWorkers),
        FlagSetting(
            QStringLiteral("Lecture sûre"), [this] { return secureAction_->isChecked(); },
            [this](bool ticked) { secureAction_->setChecked(ticked); }),
        BoundedSetting(QStringLiteral("Relectures"), secureTries_, 1, kMaxSecureTries),
        BoundedSetting(QStringLiteral("Lectures identiques"), secureMatches_, kMinSecureMatches,
                       kMaxSecureMatches),
    };
}

QString TCDRipTestForm::OpusDescription() const
{
    return QStringLiteral("Opus - Débit: ") + ui->OpusBitrateSel->currentText() + QStringLiteral(" kbit/s");
}

void TCDRipTestForm::PrepareRipCommand(RipRequest &Request)
{
    // A rip never reads while the player does.
    StopDigitalPlayback();
    Request.Encoder.OpusBitrate = ui->OpusBitrateSel->currentText().toInt();
    Request.Cover = static_cast<CoverChoice>(ui->pochette->currentIndex());
    Request.CoverArtServer = coverArtServer_;
    Request.ReplayGain = ui->replaygain->isChecked();
    coverArt_ = std::make_unique<CoverArtService>(MusicBrainzClient(MusicBrainz).UserAgent(), CoverArt);
    command_->SetCoverArtFetcher(coverArt_.get());
}
