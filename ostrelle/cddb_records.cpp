#include "cddb_records.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace ostrelle {
namespace {

template <typename T> T *NewArray(size_t count)
{
    if (count == 0)
        return nullptr;
    void *memory = std::calloc(count, sizeof(T));
    if (!memory)
        throw std::bad_alloc();
    return static_cast<T *>(memory);
}

std::string_view TextOf(const char *text)
{
    return text ? std::string_view(text) : std::string_view();
}

// Runs fill on a zero-filled copy of the record; on failure releases what was filled so far.
template <typename Record, typename Fill>
void FillAtomically(Record &target, void (*release)(Record *), Fill fill)
{
    Record record{};
    try {
        fill(record);
    } catch (...) {
        release(&record);
        throw;
    }
    target = record;
}

} // namespace

char *CopyText(std::string_view text)
{
    char *copy = static_cast<char *>(std::malloc(text.size() + 1));
    if (!copy)
        throw std::bad_alloc();
    if (!text.empty())
        std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    return copy;
}

void FillQuery(const std::vector<CddbMatchText> &matches, TCDDBQuery &query)
{
    FillAtomically(query, &FreeCddbQuery, [&matches](TCDDBQuery &record) {
        record.Matches = NewArray<TCddbMatch>(matches.size());
        record.Count = static_cast<int32_t>(matches.size());
        for (size_t i = 0; i < matches.size(); ++i) {
            TCddbMatch &match = record.Matches[i];
            match.Category = CopyText(matches[i].Category);
            match.DiscId = CopyText(matches[i].DiscId);
            match.Artist = CopyText(matches[i].Artist);
            match.Title = CopyText(matches[i].Title);
        }
    });
}

void FillDiscInfo(const CddbEntryText &entry, const TCddbMatch &match, TDiscInfo &info)
{
    FillAtomically(info, &FreeDiscInfo, [&entry, &match](TDiscInfo &record) {
        const size_t count = entry.TrackTitles.size();
        record.TrackTitles = NewArray<char *>(count);
        record.TrackExtData = NewArray<char *>(count);
        record.Count = static_cast<int32_t>(count);
        for (size_t i = 0; i < count; ++i) {
            record.TrackTitles[i] = CopyText(entry.TrackTitles[i]);
            if (entry.TrackExtData[i])
                record.TrackExtData[i] = CopyText(*entry.TrackExtData[i]);
        }
        if (entry.ExtData)
            record.ExtData = CopyText(*entry.ExtData);
        record.Title = CopyText(TextOf(match.Title));
        record.Artist = CopyText(TextOf(match.Artist));
    });
}

void FillList(const std::vector<std::string> &items, TCddbList &list)
{
    FillAtomically(list, &FreeCddbList, [&items](TCddbList &record) {
        record.Items = NewArray<char *>(items.size());
        record.Count = static_cast<int32_t>(items.size());
        for (size_t i = 0; i < items.size(); ++i)
            record.Items[i] = CopyText(items[i]);
    });
}

} // namespace ostrelle
