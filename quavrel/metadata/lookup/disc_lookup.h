#pragma once
// The lookup of a disc's names, the same for the window and the command line: the sources in
// the order the user chose, the choice among several matches (given, asked through a chooser, or
// none), and one French message when nothing is found.

#include "quavrel/metadata/lookup/metadata_source.h"

#include <functional>
#include <vector>

// Asked when a source offers several matches and no choice was given: the index into Matches,
// or -1 for none.
using MatchChooser = std::function<int(const LookupResult &Query)>;

struct LookupChoice {
    // 1-based, 0 when none was given: then the only match, or the chooser's.
    int Given = 0;
    MatchChooser Chooser;
};

// Asks each source in turn until one finds the disc. A source that finds nothing (no match, a
// failure, an entry it cannot read) leaves the word to the next; a choice refused or not made,
// or a request the user abandoned, ends the lookup. When none finds it, Message holds each
// source's message, one a line, in order.
LookupResult LookUpDisc(const Disc &Disc, const std::vector<MetadataSource *> &Sources,
                        const LookupChoice &Choice);
