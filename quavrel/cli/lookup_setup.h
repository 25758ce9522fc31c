#pragma once
// What lookup and rip share before asking: the CDDB server (the stored one, or --server), the
// question put to a user at a terminal when several matches come back, and the lookup itself on
// the stored sources, which Ctrl-C abandons.

#include "quavrel/metadata/cddb/cddb_server.h"
#include "quavrel/metadata/lookup/disc_lookup.h"
#include "quavrel/metadata/lookup/name_source.h"
#include "quavrel/settings/rip_settings.h"

class InterruptWatch;

// The stored server, or Typed when given; false with Error when Typed names no server.
bool ChooseServer(const RipSettings &Settings, const QString &Typed, CddbServerTexts &Server, QString &Error);

// On a terminal (standard input and error), lists the matches and asks for one; elsewhere takes
// none. A Ctrl-C during the question takes none.
MatchChooser TerminalChooser();

// The disc looked up on Source's services: the CDDB Server, then (or only) MusicBrainz at the
// stored address, then the disc's own CD-Text when they find nothing. Choice is 1-based, 0 when
// none was given.
LookupResult LookUpNames(const Disc &Disc, const RipSettings &Settings, const CddbServerTexts &Server,
                         NameSource Source, int Choice, InterruptWatch &Watch);
