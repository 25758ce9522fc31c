#pragma once
// How a track's rip ended, in the French both front ends show: the window inside its own
// specified texts, the command line in its progress and summary.

#include "quavrel/engine/pipeline/rip_pipeline.h"

#include <QString>

struct TrackRip;

// Repaired or skipped sectors came with the track.
bool HasDamage(const RipReport &Report);
// What + " : N secteur(s) endommagé(s) (voir <jitter list>)".
QString DamagedText(const QString &What, const RipReport &Report);
// What + " échoué : " + the reason.
QString FailedText(const QString &What, const RipError &Error);
// How the window says a track failed: the drive's refusal of the range as the ripping library's
// error, "Erreur : CDRIP Erreur (…)", anything else as FailedText.
QString RipFailureText(const QString &What, const RipError &Error);

// "terminé", "terminé, N secteur(s) endommagé(s) …", "annulé", "échec : <reason>".
QString TrackResultText(const TrackRip &Rip);
// The track's AccurateRip verdict in a few words: "exacte (7)", "différente (7)", "absente",
// "hors ligne", "non vérifiée".
QString ShortVerdictText(const TrackRip &Rip);
