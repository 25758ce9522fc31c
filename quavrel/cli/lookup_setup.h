#pragma once
// What lookup and rip share before asking the server: the server to ask (the stored one, or
// --server), and the question put to a user at a terminal when several matches come back.

#include "quavrel/cli/disc_lookup.h"
#include "quavrel/settings/rip_settings.h"

// The stored server, or Typed when given; false with Error when Typed names no server.
bool ChooseServer(const RipSettings &Settings, const QString &Typed, CddbServerTexts &Server, QString &Error);

// On a terminal (standard input and error), lists the matches and asks for one; elsewhere takes
// none. A Ctrl-C during the question takes none.
MatchChooser TerminalChooser();
