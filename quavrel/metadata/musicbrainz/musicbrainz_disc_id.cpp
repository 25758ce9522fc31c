#include "quavrel/metadata/musicbrainz/musicbrainz_disc_id.h"

#include <array>
#include <discid/discid.h>
#include <memory>

#include <QStringList>

namespace {

struct DiscIdFree {
    void operator()(DiscId *disc) const { discid_free(disc); }
};
using DiscIdOwner = std::unique_ptr<DiscId, DiscIdFree>;

} // namespace

MusicBrainzDiscId DiscIdOf(const DiscLayout &Layout)
{
    const DiscIdOwner disc(discid_new());
    if (!disc)
        return {{}, QStringLiteral("libdiscid indisponible")};
    // libdiscid takes the lead-out first, then the start of track n at index n.
    std::array<int, 100> offsets{};
    offsets[0] = Layout.LeadOut;
    for (size_t i = 0; i < Layout.Offsets.size() && Layout.FirstTrack + i < offsets.size(); ++i)
        offsets[Layout.FirstTrack + i] = Layout.Offsets[i];
    if (!discid_put(disc.get(), Layout.FirstTrack, Layout.LastTrack, offsets.data()))
        return {{}, QString::fromUtf8(discid_get_error_msg(disc.get()))};
    return {QString::fromLatin1(discid_get_id(disc.get())), {}};
}

QString TocParameter(const DiscLayout &Layout)
{
    QStringList fields{QString::number(Layout.FirstTrack), QString::number(Layout.TrackCount()),
                       QString::number(Layout.LeadOut)};
    for (const int offset : Layout.Offsets)
        fields << QString::number(offset);
    return fields.join(QLatin1Char('+'));
}
