#pragma once
// The disc lookup of the window, without its dialogs: query, the choice among several matches
// (given, asked by the caller, or none), read; every record released on every path.

#include "ostrelle/ostrelle.h"
#include "quavrel/metadata/cddb/cddb_server.h"

#include <functional>
#include <vector>

#include <QString>
#include <QStringList>

struct LookupMatch {
    QString Category;
    QString DiscId;
    QString Artist;
    QString Title;
};

struct DiscLookup {
    enum class Status {
        Found,      // Artist, Album, Titles hold the chosen entry
        NoMatch,    // the server knows no such disc
        NoneChosen, // several matches and none taken
        BadChoice,  // the given choice is not one of the matches
        Failed,     // Message says why
    };
    Status Outcome = Status::Failed;
    QString Message; // French, for the user (with the library's reason when it gave one)
    QString DiscId;
    bool Exact = true;
    std::vector<LookupMatch> Matches;
    int Chosen = -1; // index into Matches
    QString Artist;
    QString Album;
    QString Year;
    QString Genre;
    QStringList Titles; // index 0 = track 1
};

// Asked when the server offers several matches and no choice was given: the index into Matches,
// or -1 for none.
using MatchChooser = std::function<int(const DiscLookup &)>;

// Choice is 1-based, 0 when none was given; Chooser may be empty (none is taken). Utf8 asks for
// protocol level 6 texts.
DiscLookup LookUpDisc(const TCdToc &Toc, const CddbServerTexts &Server, bool Utf8, int Choice,
                      const MatchChooser &Chooser);

// Takes match Choice (1-based; 0 when none was given), the only one, or the Chooser's; false with
// Outcome and Message set when none is taken.
bool ChooseMatch(DiscLookup &Lookup, int Choice, const MatchChooser &Chooser);

// "rock 3b04af05 Artist / Album", as the window's match chooser lists them.
QString MatchLine(const LookupMatch &Match);
