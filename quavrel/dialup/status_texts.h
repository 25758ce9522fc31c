#pragma once

#include "quavrel/dialup/dial_up_types.h"

#include <QString>

// The text of a RASCONNSTATE in language; empty for a state without a text (sub-entry states,
// unknown values). A language other than Czech and Portuguese reads French.
QString StateText(TLanguage language, int32_t state);
