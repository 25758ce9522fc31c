#pragma once
// MusicBrainz as a source of names: the releases that hold the disc, each a match; reading one
// takes its names and identifiers from the answer already received.

#include "quavrel/metadata/lookup/metadata_source.h"
#include "quavrel/metadata/musicbrainz/musicbrainz_client.h"

class MusicBrainzSource : public MetadataSource {
  public:
    // The client is the caller's: it keeps the service's pace between lookups.
    explicit MusicBrainzSource(MusicBrainzClient &Client) : client_(Client) {}

    QString Name() const override { return QStringLiteral("MusicBrainz"); }
    LookupResult Query(const Disc &Disc) override;
    LookupResult Read(const Disc &Disc, const LookupResult &Query, int Index) override;
    void Abort() override { client_.Abort(); }

  private:
    MusicBrainzClient &client_;
    std::vector<MusicBrainzRelease> releases_;
};

// The match a release stands for.
MetadataMatch MatchOf(const MusicBrainzRelease &Release, const QString &DiscId);
