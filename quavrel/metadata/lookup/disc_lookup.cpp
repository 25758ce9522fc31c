#include "quavrel/metadata/lookup/disc_lookup.h"

#include <QStringList>

namespace {

// Takes the given match, the only one, or the chooser's; false with Status and Message set.
bool Choose(LookupResult &Query, const LookupChoice &Choice)
{
    const int count = static_cast<int>(Query.Matches.size());
    if (Choice.Given > 0) {
        if (Choice.Given > count) {
            Query.Status = LookupStatus::BadChoice;
            Query.Message = QStringLiteral("--choose %1 : le serveur n'a donné que %2 correspondance(s).")
                                .arg(Choice.Given)
                                .arg(count);
            return false;
        }
        Query.Chosen = Choice.Given - 1;
        return true;
    }
    if (count == 1) {
        Query.Chosen = 0;
        return true;
    }
    const int chosen = Choice.Chooser ? Choice.Chooser(Query) : -1;
    if (chosen < 0 || chosen >= count) {
        Query.Status = LookupStatus::NoneChosen;
        Query.Message =
            QStringLiteral("%1 correspondances, aucune choisie (--choose K pour en prendre une).").arg(count);
        return false;
    }
    Query.Chosen = chosen;
    return true;
}

bool FoundNothing(LookupStatus Status)
{
    return Status == LookupStatus::NoMatch || Status == LookupStatus::Failed;
}

} // namespace

LookupResult LookUpDisc(const Disc &Disc, const std::vector<MetadataSource *> &Sources,
                        const LookupChoice &Choice)
{
    QStringList messages;
    LookupResult result;
    for (MetadataSource *source : Sources) {
        result = source->Query(Disc);
        result.Source = source->Name();
        if (result.Status == LookupStatus::Found && Choose(result, Choice)) {
            LookupResult read = source->Read(Disc, result, result.Chosen);
            read.Source = result.Source;
            read.DiscId = result.DiscId;
            read.Exact = result.Exact;
            read.Matches = result.Matches;
            read.Chosen = result.Chosen;
            result = read;
        }
        if (result.Status == LookupStatus::Found)
            return result;
        messages << result.Message;
        if (!FoundNothing(result.Status))
            break;
    }
    result.Messages = messages;
    result.Message = messages.join(QLatin1Char('\n'));
    return result;
}
