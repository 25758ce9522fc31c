#pragma once
// The disc's own CD-Text as a source of names: asked after the services, when they know nothing
// of the disc. Its one match is the first block this program can read (the disc's first language,
// as players show it); the other languages are there for `toc`.

#include "quavrel/metadata/lookup/metadata_source.h"

class CdTextSource : public MetadataSource {
  public:
    QString Name() const override { return QStringLiteral("CD-Text"); }
    // Found with one match when the disc carries a readable block, else NoMatch.
    LookupResult Query(const Disc &Disc) override;
    LookupResult Read(const Disc &Disc, const LookupResult &Query, int Index) override;
    // Nothing to abandon: the texts are already read.
    void Abort() override {}
};
