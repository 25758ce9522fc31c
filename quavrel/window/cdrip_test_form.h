#pragma once
// The main window: four tabs (rip, encoder settings, CDDB, about), its menus, its state and the
// settings it loads when created and saves when closed.

#include "quavrel/dialup/dial_up.h"
#include "quavrel/engine/bindings/cd_access.h"
#include "quavrel/engine/bindings/lame_coder.h"
#include "quavrel/engine/bindings/vorbis_binding.h"
#include "quavrel/engine/pipeline/runtime_rip_source.h"
#include "quavrel/engine/rip/disc_rip.h"
#include "quavrel/engine/ripper/cd_rip.h"
#include "quavrel/metadata/cddb/cddb_server.h"
#include "quavrel/metadata/lookup/disc_lookup.h"
#include "quavrel/metadata/musicbrainz/musicbrainz_client.h"
#include "quavrel/network/accuraterip_fetch.h"
#include "quavrel/network/cover_art_fetch.h"
#include "quavrel/settings/settings_table.h"
#include "quavrel/window/device_notices.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QMap>

class DiscPlayer;
class QLabel;
class TAlbumInfoForm;
class TfrmProgress;
class QMenu;
struct TCdToc;
struct TDiscInfo;

namespace Ui {
class TCDRipTestForm;
}

class TCDRipTestForm : public QMainWindow {
    Q_OBJECT
  public:
    explicit TCDRipTestForm(QWidget *parent = nullptr);
    ~TCDRipTestForm() override;

    Ui::TCDRipTestForm *Controls() const { return ui.get(); }

    // The simple text of StatusBar1.
    QString StatusText() const;
    void SetStatusText(const QString &text);

    // The file of the settings key, where the window keeps its values.
    static QString SettingsFile();

    // The help page shipped with the program, in its data directory (share/quavrel, or build/data).
    static QString HelpFile();

    TLameCoder LameCoder1;
    TCDRIP CDRIP1;
    TDialUp DialUp1;
    CddbServerTexts CddbServer;
    bool RipInProgress = false;
    bool DisconnectOnExit = false;
    // The "Encodage" text of new rows. Audio rows of ListView1 carry all five cells, data rows three.
    QString EncoderDescription;

    // Small icons of the track list: ImageList1 while an audio disc is loaded, ImageList2 otherwise.
    QList<QIcon> ImageList1;
    QList<QIcon> ImageList2;
    QMenu *PopupMenu1 = nullptr;

  public slots:
    void FormCreate();
    void FormCloseQuery();
    void ReadComputerProperties();
    void btnCloseClick();
    void btnCancelRipClick();
    void Aide1Click();
    void Mcrire1Click();

    void ComboBox1Change();
    void EncQualitySelChange();
    void FlacCompressionSelChange();
    void fquceChange();
    void debitminChange();
    void debitmaxChange();
    void vbrClick();
    void copyrightClick();
    void originalClick();
    void crcClick();
    void Button3Click();

    void DialUp1EntryGet(QObject *Sender, const TEntryNameField &EntryName);
    void DialUp1Dialing(QObject *Sender);
    void DialUp1Connect(QObject *Sender);
    void DialUp1NotConnected(QObject *Sender, int32_t ErrorCode, const QString &ErrorMessage);
    void DialUp1ActiveConnection(QObject *Sender, HRASCONN Handle, const TRasConnStatusA &Status,
                                 const QString &StatusString, const TEntryNameField &EntryName,
                                 const TDeviceTypeField &DeviceType, const TDeviceNameField &DeviceName);

    // The status bar's note that the remote-access service is missing; empty while it works.
    QString DialUpNote() const;

    // ---- Drives, disc and track list ----
    // First display: drive box, disc and track list, status text, optional lookup.
    void FormShow();
    void DriveSelBoxChange();
    // Reads the active drive's table of contents into CdInfo and rebuilds ListView1; a failed read
    // leaves both the list and DiscInfoLoaded as they were.
    void LoadDiscInfo();
    // A medium with its table of contents loaded and not a data disc; otherwise says why in the
    // status bar.
    bool IsAudioCDReady();
    // IsAudioCDReady and no rip running; otherwise says why in a message box.
    bool CanPlay();
    // The status text for the disc last read.
    void ShowDiscStatus();
    // No medium in the active drive: says so, or why its disc image cannot serve.
    void ShowNoDiscStatus();
    // The active drive's disc image cannot serve (and the status bar says why).
    bool ImageProblemShown() const;
    // ListView1's small icons: ImageList1 for an audio disc, ImageList2 otherwise.
    void ApplyIconSet();
    void btnCloseCDClick();
    void btnEjectCDClick();
    void btnSaveSettingsClick();
    // A device-change notice: kDeviceArrival or kDeviceRemoveComplete; other codes are ignored.
    void DeviceChange(uint32_t Event);

  public:
    static constexpr uint32_t kDeviceArrival = 0x8000;
    static constexpr uint32_t kDeviceRemoveComplete = 0x8004;
    // The ripping library's settings file, where btnSaveSettingsClick stores the drive parameters.
    static QString CdromSettingsFile();

    bool DiscInfoLoaded = false;
    int DriveCount = 0;
    TCDRomParams CdromSettings{};
    TCdInfo CdInfo;

  public slots:
    // ---- Rip command ----
    // The rip command: every ticked row to a file of the format of ComboBox1.
    void ripperlapisteauformatWav1Click();
    // WAV rip of track CurrentRipTrack, with the drive's parameters set up first.
    void btnRipTrackClick();
    // Rips track TrackNum to OutputDirectory/OutputBaseName.wav: 0 done (or stopped by the user),
    // 1 failed, 3 done with jitter errors.
    int32_t RipChunk(uint8_t TrackNum);
    // The Ogg loop over the ticked rows.
    void btnRip_EncodeClick();
    // Rips and encodes track TrackNum (1..99) to its file, the command's name for it (FileName
    // says it): 0 when the file was completed, 1 otherwise (a cancel included).
    int32_t Track2OggFile(int TrackNum, const QString &FileName);
    void CDRIP1BeginTrack(QObject *Sender, uint16_t TrackNum);
    void CDRIP1Progress(QObject *Sender, uint16_t PercentComplete);
    void CDRIP1EndTrack(QObject *Sender, uint16_t TrackNum);
    void LameCoder1BeginFile(QObject *Sender, uint16_t Num, const QString &FileName);
    void LameCoder1Progress(QObject *Sender, uint16_t PercentComplete);
    void LameCoder1EndProcess(QObject *Sender);
    void N1Click();
    void ToutSelectionner1Click();
    // Also the double-click on a row.
    void Renommerlapiste1Click();
    // Shows the album information dialog with the window's artist and album and the selected
    // track's number and name; what the user confirms there goes back to the window and the row.
    void Informationssurlalbum1Click();

  public:
    // A rip command is running, of any format: the tray stays shut and the drive stays chosen.
    bool RipRunning() const;
    // The names the files of the disc shown are to carry: the window's artist and album, the rows'
    // names, and the year, genre and identifiers of the match they came from.
    DiscMetadata RipMetadata() const;
    // The album information dialog: the window's child of that class, made when there is none.
    TAlbumInfoForm *AlbumInfoForm();

    bool CancelRequested = false;
    QString OutputDirectory;
    QString OutputBaseName;
    int CurrentRipTrack = 0;

    // ---- Disc lookup and playback ----
  public slots:
    // Looks the disc up on the CDDB server and fills the window with its names.
    void btnCalcDiscIDClick();
    // Fetches the server's mirror sites into LbServer.
    void Button1Click();
    // Takes the selected LbServer line as the server of the next requests.
    void LbServerDblClick();
    void btnPlayTrackClick();
    void btnStopPlayClick();
    void btnPauseClick();
    void btnResumeClick();
    // The audio track after the one playing (or the selected one), from its start.
    void btnNextTrackClick();

  public:
    // Where the AccurateRip database is asked ("http://host[:port]").
    QString AccurateRipServer;
    // The last track's verdict, beside the simple text.
    QString VerifyNoteText() const;
    // The read offset of a drive (by its name in DriveSelBox), in samples.
    int32_t ReadOffsetOf(const QString &Drive) const;
    void SetReadOffsetOf(const QString &Drive, int32_t Samples);

  public slots:
    void Decalagedelecture1Click();

  public:
    // Digital play through the sound server (unless "Lecture analogique par le lecteur" is ticked).
    DiscPlayer &Player();
    // Stops digital play and closes the library it reads; before a rip and anything else that
    // enters the library on the window's thread.
    void StopDigitalPlayback();

  public:
    // The progress window the program creates beside the window; one is made when there is none.
    TfrmProgress &frmProgress();
    // Shows CddbServer in serveur.
    void ShowCddbServer();
    // Closing: aborts the CDDB request under way, whose lookup then ends quietly.
    void AbortCddbRequest();

    // The sources the lookup asks, as sourceinfos lists them.
    enum LookupSource { kSourceCddb = 0, kSourceMusicBrainz = 1, kSourceCddbThenMusicBrainz = 2 };
    // The MusicBrainz service: BaseUrl is stored ("Serveur MusicBrainz"); tests also set the idle
    // limit and a certificate authority of their own.
    MusicBrainzOptions MusicBrainz;
    // The Cover Art Archive's time and size limits; tests lower them.
    CoverArtLimits CoverArt;
    // The match the window's names came from: year, genre, identifiers. Emptied by a lookup that
    // finds another, and by another disc.
    const DiscMetadata &Match() const { return match_; }

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    void ConnectControls();
    std::vector<StoredSetting> StoredSettings();
    StoredSetting ConnectionSetting();
    // The stored position and size, applied after the load when they fit the screens.
    struct Geometry {
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
    };
    void ApplyStoredGeometry(const Geometry &defaults);
    Geometry storedGeometry_;
    // What the settings' load had to say, shown once the window is up and before any lookup.
    QStringList pendingNotices_;
    // Shows them one after the other, then runs Then.
    void ShowPendingNotices(std::function<void()> Then);
    void SetUpRipper();
    void ApplyEncoderParameters();
    void BindDialUpEvents();
    // Runs a request of DialUp1; a missing remote-access service is noted in the status bar and
    // stops nothing else.
    void WithDialUp(const std::function<void()> &request);
    int RadioGroupIndex() const;
    void SetRadioGroupIndex(int index);

    // ---- Drives, disc and track list (private) ----
    void ConnectDiscControls();
    void showEvent(QShowEvent *event) override;
    // The arrival notice's check, asked once more after a short wait when no medium is seen yet.
    void CheckArrivedMedium(bool mayRetry);
    // After the tray closed: the disc into the list and the status, then the lookup if asked.
    void ShowClosedTray(bool mayRetry);
    // The track a row of ListView1 stands for: 0 for the hidden track's row, which comes first.
    int TrackOfRow(int Row) const;
    // The track can be ripped: an audio track of CdInfo, or the hidden track when the disc has one.
    bool IsAudioTrack(int Track) const;
    std::unique_ptr<TDeviceNotices> deviceNotices_;
    bool audioIcons_ = false;
    bool shown_ = false;

    // ---- Rip command (private) ----
    void ConnectRipControls();
    int TickedRowCount() const;
    // The ticked audio tracks, in the rows' order: what a rip of the rows will read.
    std::vector<int> TickedAudioTracks();
    void ResetProgressBars();
    // A track's file is complete: the row is unticked and shows the file's size.
    void MarkRowDone(int Row, const QString &FileName);
    // The disc of CdInfo, or nullopt when the list holds none.
    std::optional<Disc> ShownDisc() const;
    // The command for the format of ComboBox1 over the disc shown: its request made, its folder
    // (OutputDirectory) worked out and made. False when it cannot start (the status says why).
    // Planned: the tracks the command will rip, in order (empty: one at a time as asked).
    bool BeginRipCommand(const std::vector<int> &Planned = {});
    // Track TrackNum through the command, OutputBaseName set first; Progress gets its percentage.
    TrackRip RipThroughCommand(int TrackNum, const std::function<void(int32_t Percent)> &Progress);
    // The command's reports written beside the files; it ends.
    void EndRipCommand();
    EncoderChoice WindowEncoderChoice() const;
    void RipWavRows();
    void RipMp3Rows();
    void RipFlacRows();
    // The ticked rows in an encoded format (Name: "mp3"): each track's start, progress and clean end
    // said by the format's own texts.
    void RipEncodedRows(const QString &Name, const std::function<void(int Track)> &Begin,
                        const std::function<void(int Track, int32_t Percent)> &Progress,
                        const std::function<void(int Track)> &End);
    void RipOpusRows();
    // FLAC and Opus: the library and the disc checked first, the progress in the status bar.
    void RipRowsWithStatus(const QString &Name);
    QString FlacDescription() const;
    QString OpusDescription() const;
    // The cover, ReplayGain and Opus choices of the settings tab into a new command's request,
    // the cover service handed to the command, digital play stopped.
    void PrepareRipCommand(RipRequest &Request);
    std::vector<StoredSetting> ExtraSettings();
    void ConnectPlaybackControls();
    void ShowPlayPosition(const QString &Problem);
    std::unique_ptr<CoverArtService> coverArt_;
    QString coverArtServer_;
    // Encoders a rip runs at once ("Encodeurs en parallèle"); 0: one per core.
    int workers_ = 0;
    // "Relectures" and "Lectures identiques" of a secure rip.
    int secureTries_ = 16;
    int secureMatches_ = 2;
    DiscPlayer *player_ = nullptr;
    // The album information dialog confirmed: its texts go to the window and to its row.
    void AlbumInfoAccepted();
    int albumInfoRow_ = -1;
    // RipChunk already told why it failed.
    bool ripFailureShown_ = false;
    // A rip command is running (all formats): a second one does not start.
    bool ripCommandRunning_ = false;
    RuntimeRipSource ripSource_;
    AccurateRipService accurateRip_;
    std::unique_ptr<DiscRip> command_;
    // How the last WAV or Ogg track ended.
    TrackRip lastRip_;

    // ---- Disc lookup and playback (private) ----
    void ConnectVerifyControls();
    std::vector<StoredSetting> VerifySettings();
    QMap<QString, int32_t> readOffsets_;
    // Whether each drive caches audio, as secure rips measured it.
    QMap<QString, QString> driveCaches_;
    QLabel *verifyNote_ = nullptr;
    QAction *secureAction_ = nullptr;

    void ConnectLookupControls();
    // The names of a match into the window: artist, album, the rows' titles; what an earlier
    // match or rip showed goes.
    void FillFromMatch(const DiscMetadata &Names);
    // The match's year, genre and identifiers are gone, and the last rip's notes (a lookup, another
    // source, another disc).
    void ForgetMatch();
    void ForgetLastRip();
    // The MusicBrainz and AccurateRip servers as typed on the CDDB tab.
    void TakeTypedServices();
    void ShowServices();
    // The chooser of several matches, as the window shows it; -1 when none was taken.
    int ChooseMatch(const LookupResult &Query);
    // The lookup's progress window: "&Abandon" or its close box while a request is in flight ends
    // it, and the lookup asks no other source.
    void ProgressRejected();
    std::unique_ptr<MusicBrainzClient> musicBrainz_;
    // The sources of the lookup under way, for the abandon.
    std::vector<MetadataSource *> lookupSources_;
    bool requestInFlight_ = false;
    DiscMetadata match_;
    // Takes what the user typed into serveur, if anything, before a request; false for a
    // text that names no server.
    bool TakeTypedServer();
    // Takes the typed server; false (and says why) when the typed server is not one.
    bool StartCddbRequest();
    // A text of the last request's records, decoded as that request's level gives.
    QString FromCddb(const char *text) const;
    // The message with the library's reason for the last request's result, when it gave one.
    QString WithCddbReason(const QString &message) const;
    bool serverTyped_ = false;
    bool cddbUtf8_ = false;
    // The track of the selected row of ListView1; 0 when no row is selected.
    int SelectedTrack() const;
    bool cddbRequestRunning_ = false;

    std::unique_ptr<Ui::TCDRipTestForm> ui;
    QLabel *statusText_ = nullptr;
    QLabel *dialUpNote_ = nullptr;
    // A stored "Connexion active" that the box could not show; -1 when none.
    int unlistedConnection_ = -1;
    bool closing_ = false;
};
