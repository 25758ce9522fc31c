#pragma once
// The service's names for a disc layout: its disc ID, worked out by libdiscid, and the toc text
// that asks for releases with the same track layout.

#include "quavrel/metadata/musicbrainz/disc_layout.h"

#include <QString>

struct MusicBrainzDiscId {
    QString Id;    // 28 characters; empty when libdiscid refused the layout
    QString Error; // libdiscid's reason when Id is empty
};

MusicBrainzDiscId DiscIdOf(const DiscLayout &Layout);

// "first+count+leadout+offset1+...": the value of the toc parameter.
QString TocParameter(const DiscLayout &Layout);
