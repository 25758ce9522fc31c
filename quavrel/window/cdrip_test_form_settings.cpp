// Loading the settings when the window is created and saving them when it closes.

#include "quavrel/settings/registry.h"
#include "quavrel/settings/settings_table.h"
#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/message_box.h"
#include "ui_TCDRipTestForm.h"

#include <algorithm>

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>

namespace {

// A stored index outside the box's items is ignored: the box keeps its default selection.
StoredSetting IndexSetting(const QString &name, QComboBox *box)
{
    return IntegerSetting(
        name, [box] { return box->currentIndex(); },
        [box](int index) {
            if (index >= 0 && index < box->count())
                box->setCurrentIndex(index);
        });
}

StoredSetting CheckSetting(const QString &name, QAbstractButton *box)
{
    return FlagSetting(
        name, [box] { return box->isChecked(); }, [box](bool ticked) { box->setChecked(ticked); });
}

// A position is stored only when it is one: the window's corner on a screen. One off every screen
// (a frame placed above the screen's top) leaves the stored value as it was.
StoredSetting PositionSetting(const QString &name, const std::function<int()> &get,
                              std::function<void(int)> set, const QWidget &window)
{
    StoredSetting setting = IntegerSetting(name, get, std::move(set));
    setting.KeepStored = [&window] { return QGuiApplication::screenAt(window.pos()) == nullptr; };
    return setting;
}

QString RejectedIntegersMessage(const std::vector<std::pair<QString, QString>> &rejected)
{
    QStringList lines;
    for (const auto &[name, text] : rejected)
        lines << QStringLiteral("« %1 » = « %2 » n'est pas un nombre entier valide.").arg(name, text);
    lines << QStringLiteral("La valeur par défaut est conservée.");
    return lines.join(QLatin1Char('\n'));
}

} // namespace

std::vector<StoredSetting> TCDRipTestForm::StoredSettings()
{
    std::vector<StoredSetting> settings{
        TextSetting(
            QStringLiteral("Répertoire"), [this] { return ui->Label3->text(); },
            [this](const QString &text) { ui->Label3->setText(text); }),
        TextSetting(
            QStringLiteral("Nom de Serveur"), [this] { return CddbServer.Server; },
            [this](const QString &text) { CddbServer.Server = text; }),
        TextSetting(
            QStringLiteral("Localisation du Serveur"), [this] { return CddbServer.CgiPath; },
            [this](const QString &text) { CddbServer.CgiPath = text; }),
        PositionSetting(
            QStringLiteral("Position horizontale"), [this] { return x(); },
            [this](int left) { storedGeometry_.left = left; }, *this),
        PositionSetting(
            QStringLiteral("Position verticale"), [this] { return y(); },
            [this](int top) { storedGeometry_.top = top; }, *this),
        IntegerSetting(
            QStringLiteral("Largeur"), [this] { return width(); },
            [this](int w) { storedGeometry_.width = w; }),
        IntegerSetting(
            QStringLiteral("Hauteur"), [this] { return height(); },
            [this](int h) { storedGeometry_.height = h; }),
        IntegerSetting(
            QStringLiteral("Encodeur"), [this] { return RadioGroupIndex(); },
            [this](int index) { SetRadioGroupIndex(index); }),
        IndexSetting(QStringLiteral("Paramètres Ogg"), ui->EncQualitySel),
        IndexSetting(QStringLiteral("Fréquence Mp3"), ui->fquce),
        IndexSetting(QStringLiteral("Débit Mp3"), ui->debitmin),
        IndexSetting(QStringLiteral("Débit Max Mp3"), ui->debitmax),
        CheckSetting(QStringLiteral("VBR Mp3"), ui->vbr),
        CheckSetting(QStringLiteral("Copyright Mp3"), ui->copyright),
        CheckSetting(QStringLiteral("Original Mp3"), ui->original),
        CheckSetting(QStringLiteral("CRC Mp3"), ui->crc),
        CheckSetting(QStringLiteral("Numéro de Piste"), ui->numeropiste),
        CheckSetting(QStringLiteral("Nom de Piste"), ui->nomdepiste),
        CheckSetting(QStringLiteral("Nom des Répertoires"), ui->creerlesrepertoires),
        ConnectionSetting(),
        CheckSetting(QStringLiteral("Activer la connexion"), ui->activer),
        CheckSetting(QStringLiteral("Déconnecter en quittant"), ui->deconnecter),
        CheckSetting(QStringLiteral("Recherche au changement de disque"), ui->CheckBox1),
        CheckSetting(QStringLiteral("Textes en UTF-8"), ui->textesutf8),
        IndexSetting(QStringLiteral("Paramètres Flac"), ui->FlacCompressionSel),
        IndexSetting(QStringLiteral("Source des informations"), ui->sourceinfos),
        TextSetting(
            QStringLiteral("Serveur MusicBrainz"), [this] { return MusicBrainz.BaseUrl.toString(); },
            [this](const QString &text) { MusicBrainz.BaseUrl = QUrl(text); }),
    };
    for (StoredSetting &setting : VerifySettings())
        settings.push_back(std::move(setting));
    for (StoredSetting &setting : ExtraSettings())
        settings.push_back(std::move(setting));
    return settings;
}

// -1 is "no selection". The phone book can be empty or unreachable at start (no dial-up service): a
// stored choice that the empty box cannot show is written back as it was, not lost.
StoredSetting TCDRipTestForm::ConnectionSetting()
{
    return IntegerSetting(
        QStringLiteral("Connexion active"),
        [this] {
            const bool keepStored = ui->Connexions->count() == 0 && unlistedConnection_ != -1;
            return keepStored ? unlistedConnection_ : ui->Connexions->currentIndex();
        },
        [this](int index) {
            if (index >= -1 && index < ui->Connexions->count())
                ui->Connexions->setCurrentIndex(index);
            else
                unlistedConnection_ = index;
        });
}

// A size outside 100 pixels..the largest screen, or a top-left corner on no screen, falls back to the
// default: a window too large or out of reach would stay so, since the close writes it back.
void TCDRipTestForm::ApplyStoredGeometry(const Geometry &defaults)
{
    int widest = 0;
    int tallest = 0;
    bool onScreen = false;
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect area = screen->geometry();
        widest = std::max(widest, area.width());
        tallest = std::max(tallest, area.height());
        onScreen = onScreen || area.contains(storedGeometry_.left, storedGeometry_.top);
    }
    const int w = storedGeometry_.width >= 100 && storedGeometry_.width <= widest ? storedGeometry_.width
                                                                                  : defaults.width;
    const int h = storedGeometry_.height >= 100 && storedGeometry_.height <= tallest ? storedGeometry_.height
                                                                                     : defaults.height;
    if (onScreen)
        move(storedGeometry_.left, storedGeometry_.top);
    else
        move(defaults.left, defaults.top);
    resize(w, h);
}

void TCDRipTestForm::FormCreate()
{
    DisconnectOnExit = false;
    move(0, 0);
    CddbServer.UserName = QStringLiteral("Quavrel");
    CddbServer.HostName = QStringLiteral("localhost");
    WithDialUp([this] {
        DialUp1.GetEntries();
        DialUp1.GetConnections();
    });
    ReadComputerProperties();
    ui->Label3->setText(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                        QDir::separator());

    const Geometry defaults{x(), y(), width(), height()};
    storedGeometry_ = defaults;
    {
        TRegistry registry;
        const bool opened = registry.OpenKey(QStringLiteral("Software"), false) &&
                            registry.OpenKey(QStringLiteral("Quavrel"), false);
        if (opened) {
            const auto rejected = LoadSettings(
                StoredSettings(), [&registry](const QString &name) { return registry.ReadString(name); });
            registry.CloseKey();
            // One box for all of them; every other value is already applied.
            if (!rejected.empty())
                pendingNotices_ << RejectedIntegersMessage(rejected);
        } else if (!registry.SetAsideFile().isEmpty()) {
            pendingNotices_ << QStringLiteral(
                                   "Le fichier des paramètres %1 est illisible : il est conservé sous "
                                   "le nom %2 et les paramètres par défaut s'appliquent.")
                                   .arg(SettingsFile(), registry.SetAsideFile());
        } else if (!registry.ErrorString().isEmpty()) {
            pendingNotices_ << QStringLiteral(
                                   "Le fichier des paramètres %1 n'a pas pu être lu (%2) : les "
                                   "paramètres par défaut s'appliquent et il ne sera pas remplacé.")
                                   .arg(SettingsFile(), registry.ErrorString());
        }
    }
    ApplyStoredGeometry(defaults);

    if (CddbServer.Server.isEmpty())
        CddbServer.Server = kDefaultCddbServer;
    if (CddbServer.CgiPath.isEmpty())
        CddbServer.CgiPath = kDefaultCgiPath;
    ui->ComboBox1->setCurrentIndex(RadioGroupIndex());
    ApplyEncoderParameters();
    switch (RadioGroupIndex()) {
    case 0:
        EncoderDescription = QStringLiteral("Ogg - Qualité: ") + ui->EncQualitySel->currentText();
        break;
    case 1:
        EncoderDescription = QStringLiteral("Mp3 - Débit: ") + ui->debitmin->currentText();
        break;
    case 2:
        EncoderDescription = QStringLiteral("Wav");
        break;
    case 3:
        EncoderDescription = FlacDescription();
        break;
    case 4:
        EncoderDescription = OpusDescription();
        break;
    default:
        break;
    }
    ShowCddbServer();
    ShowServices();
}

void TCDRipTestForm::FormCloseQuery()
{
    AbortCddbRequest();
    // A typed text that names no server leaves the one in use stored.
    TakeTypedServer();
    TakeTypedServices();
    const QString file = SettingsFile();
    bool saved = false;
    QString reason;
    {
        TRegistry registry;
        if (registry.OpenKey(QStringLiteral("Software"), false) &&
            registry.OpenKey(QStringLiteral("Quavrel"), true)) {
            saved = true;
            for (const StoredSetting &setting : StoredSettings())
                if (!setting.KeepStored || !setting.KeepStored())
                    saved = registry.WriteString(setting.Name, setting.Save()) && saved;
            saved = registry.CloseKey() && saved;
        }
        reason = registry.ErrorString();
    }
    // The window still closes; the user learns that the settings were not kept.
    if (!saved)
        ShowMessageBox(this,
                       QStringLiteral("Les paramètres n'ont pas pu être enregistrés dans ") + file +
                           (reason.isEmpty() ? QString() : QStringLiteral(" (") + reason + QLatin1Char(')')) +
                           QStringLiteral("."));

    StopDigitalPlayback();
    // An MP3 rip runs without RipInProgress; it stops too.
    if (RipInProgress || ripCommandRunning_)
        btnCancelRipClick();
    if (ui->deconnecter->isChecked())
        DisconnectOnExit = true;
    WithDialUp([this] { DialUp1.GetConnections(); });
}
