#pragma once
// How a track's rip ended, in the French both front ends show: the window inside its own
// specified texts, the command line in its progress and summary.

#include "quavrel/disc/disc.h"
#include "quavrel/engine/pipeline/rip_pipeline.h"

#include <QString>
#include <QStringList>

struct TrackRip;

// Every damaged area, for the log.
inline constexpr int kAllAreas = 1 << 30;

// What was lost and where, times within the track (m:ss.ff from its start): "4387 secteur(s)
// illisible(s) (1:02.15–2:40.00 dans la piste)", at most Areas areas named ("et 2 autre(s)" for
// the rest); empty when nothing was lost. A secure read's sectors that never read the same twice
// count with them.
QString DamageText(const RipReport &Report, const SectorRange &Track, int Areas);
// A secure read, for the log: test and copy CRC, the copy's quality, the areas read again until
// reads agreed and those that never did; empty for a burst read.
// The log's line on the drive's cache in a secure rip: what was known before (Asked) and found.
QString CacheText(const SecureReading &Asked, DriveCache Found);
QStringList SecureReadLines(const RipReport &Report, const SectorRange &Track);
// The window's status for a damaged track, short enough for its status bar:
// "Piste 3 endommagée : 4387 secteur(s) illisible(s) (1:02.15–2:40.00 dans la piste)", or
// "Piste 3 : copie non sûre : …" when nothing was lost but some sectors never read alike.
QString DamagedTrackText(const TrackRip &Rip);
// A CRC32 or an AccurateRip checksum as the log writes it: eight upper-case hex digits.
QString ChecksumText(uint32_t Value);
// The largest sample of a track as a share of full scale: "98,5 %".
QString PeakSampleText(int32_t PeakSample);
// A secure read that agreed everywhere: "copie sûre, qualité 100 %, crête 98,5 %" (the reads
// needed, two per sector, of all the reads made; the largest sample of full scale).
QString SecureQualityText(const TrackRip &Rip);
// What + " : N secteur(s) réparé(s) (voir <jitter list>)": sectors paranoia corrected.
QString RepairedText(const QString &What, const RipReport &Report);
// What + " échoué : " + the reason.
QString FailedText(const QString &What, const RipError &Error);
// How the window says a track failed: the drive's refusal of the range as the ripping library's
// error, "Erreur : CDRIP Erreur (…)", anything else as FailedText.
QString RipFailureText(const QString &What, const RipError &Error);

// "terminé", "terminé, N secteur(s) réparé(s)", "endommagée : …", "annulé", "échec : <reason>".
QString TrackResultText(const TrackRip &Rip);
// The track's AccurateRip verdict in a few words: "exacte (7)", "différente (7)", "absente",
// "hors ligne", "non vérifiée".
QString ShortVerdictText(const TrackRip &Rip);
