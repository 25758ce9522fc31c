#include "quavrel/metadata/musicbrainz/musicbrainz_release.h"

#include "quavrel/metadata/lookup/plain_text.h"

#include <algorithm>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace {

QString ArtistCreditOf(const QJsonArray &credits)
{
    QString text;
    for (const QJsonValue &credit : credits) {
        const QJsonObject object = credit.toObject();
        text += object.value(QLatin1String("name")).toString() +
                object.value(QLatin1String("joinphrase")).toString();
    }
    return text;
}

bool HoldsDisc(const QJsonObject &medium, const QString &discId)
{
    for (const QJsonValue &disc : medium.value(QLatin1String("discs")).toArray())
        if (disc.toObject().value(QLatin1String("id")).toString() == discId)
            return true;
    return false;
}

std::optional<QJsonObject> OurMedium(const QJsonArray &media, const QString &discId, int trackCount)
{
    for (const QJsonValue &medium : media)
        if (HoldsDisc(medium.toObject(), discId))
            return medium.toObject();
    for (const QJsonValue &medium : media) {
        const QJsonObject object = medium.toObject();
        if (object.value(QLatin1String("tracks")).toArray().size() == trackCount)
            return object;
    }
    return std::nullopt;
}

bool Blank(const QString &text)
{
    return PlainText(text).trimmed().isEmpty();
}

// A release whose fields are all null or empty would fill the window with empty names.
bool NamesSomething(const MusicBrainzRelease &release)
{
    return !Blank(release.Title) || !Blank(release.ArtistCredit) ||
           std::any_of(release.TrackTitles.begin(), release.TrackTitles.end(),
                       [](const QString &title) { return !Blank(title); });
}

} // namespace

MusicBrainzAnswer ParseDiscIdAnswer(const QByteArray &Json, const QString &DiscId, int TrackCount)
{
    MusicBrainzAnswer answer;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(Json, &error);
    if (error.error != QJsonParseError::NoError) {
        answer.Error = QStringLiteral("réponse JSON illisible (%1, octet %2)")
                           .arg(error.errorString())
                           .arg(error.offset);
        return answer;
    }
    if (!document.isObject()) {
        answer.Error = QStringLiteral("réponse JSON sans objet");
        return answer;
    }
    answer.Valid = true;
    const QJsonValue releases = document.object().value(QLatin1String("releases"));
    if (!releases.isArray()) {
        answer.NoReleaseList = true;
        return answer;
    }
    for (const QJsonValue &value : releases.toArray()) {
        const QJsonObject release = value.toObject();
        const std::optional<QJsonObject> medium =
            OurMedium(release.value(QLatin1String("media")).toArray(), DiscId, TrackCount);
        if (!medium)
            continue;
        MusicBrainzRelease found;
        found.Id = release.value(QLatin1String("id")).toString();
        found.Title = release.value(QLatin1String("title")).toString();
        found.ArtistCredit = ArtistCreditOf(release.value(QLatin1String("artist-credit")).toArray());
        found.Date = release.value(QLatin1String("date")).toString();
        found.Country = release.value(QLatin1String("country")).toString();
        found.Disambiguation = release.value(QLatin1String("disambiguation")).toString();
        found.MediumPosition = medium->value(QLatin1String("position")).toInt();
        found.MediumCount = static_cast<int>(release.value(QLatin1String("media")).toArray().size());
        for (const QJsonValue &track : medium->value(QLatin1String("tracks")).toArray()) {
            const QJsonObject object = track.toObject();
            const QJsonObject recording = object.value(QLatin1String("recording")).toObject();
            // A track without a title of its own carries its recording's.
            QString title = object.value(QLatin1String("title")).toString();
            if (title.isEmpty())
                title = recording.value(QLatin1String("title")).toString();
            found.TrackTitles << title;
            found.RecordingIds << recording.value(QLatin1String("id")).toString();
        }
        if (NamesSomething(found))
            answer.Releases.push_back(std::move(found));
    }
    return answer;
}
