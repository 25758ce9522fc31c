#pragma once
// The status texts that tell how a track's rip ended, beyond the plain ones of each path.

#include "quavrel/engine/pipeline/rip_pipeline.h"

#include <QString>

// Repaired or skipped sectors came with the track.
bool HasDamage(const RipReport &Report);
// What + " : N secteur(s) endommagé(s) (voir <jitter list>)".
QString DamagedText(const QString &What, const RipReport &Report);
// What + " échoué : " + Reason.
QString FailedText(const QString &What, const QString &Reason);
