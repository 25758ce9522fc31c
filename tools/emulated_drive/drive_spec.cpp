#include "drive_spec.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace emulated {
namespace {

// A set of sectors holds at most this many per range, as the virtual drives' syntax does.
constexpr int32_t kLongestRange = 1'000'000;

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t end = text.find(separator, begin);
        if (end == std::string_view::npos)
            end = text.size();
        parts.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return parts;
}

template <typename T> bool ParseNumber(std::string_view text, T &value)
{
    return !text.empty() && std::from_chars(text.data(), text.data() + text.size(), value).ptr == text.end();
}

bool ParseRanges(std::string_view list, std::vector<SectorRange> &ranges)
{
    for (std::string_view item : Split(list, ',')) {
        const size_t dash = item.find('-', 1);
        const std::string_view firstText = item.substr(0, dash);
        const std::string_view lastText = dash == std::string_view::npos ? firstText : item.substr(dash + 1);
        SectorRange range;
        if (!ParseNumber(firstText, range.first) || !ParseNumber(lastText, range.last) || range.first < 0 ||
            range.last < range.first)
            return false;
        ranges.push_back(range);
    }
    return true;
}

bool ParseSectors(std::string_view list, std::set<int32_t> &sectors)
{
    std::vector<SectorRange> ranges;
    if (!ParseRanges(list, ranges))
        return false;
    for (const SectorRange &range : ranges) {
        if (range.last - range.first >= kLongestRange)
            return false;
        for (int32_t sector = range.first; sector <= range.last; ++sector)
            sectors.insert(sector);
    }
    return true;
}

// "S[:c2][:seed=N][:bytes=N]"
bool ParseDamage(std::string_view value, bool firstReadOnly, DamageFault &fault)
{
    const std::vector<std::string_view> parts = Split(value, ':');
    fault.firstReadOnly = firstReadOnly;
    if (!ParseRanges(parts.front(), fault.sectors))
        return false;
    for (size_t i = 1; i < parts.size(); ++i) {
        const std::string_view modifier = parts[i];
        if (modifier == "c2") {
            fault.c2Reported = true;
        } else if (modifier.starts_with("seed=")) {
            if (!ParseNumber(modifier.substr(5), fault.seed))
                return false;
        } else if (modifier.starts_with("bytes=")) {
            if (!ParseNumber(modifier.substr(6), fault.bytesPerRead) || fault.bytesPerRead < 1 ||
                fault.bytesPerRead > 2352)
                return false;
        } else {
            return false;
        }
    }
    return true;
}

// The fault list: '|' between items, ours taken out, the rest the virtual drives' syntax.
bool ParseFaultList(std::string_view text, DriveSpec &spec, std::string *error)
{
    std::string shared;
    for (std::string_view item : Split(text, '|')) {
        bool ours = true;
        bool ok = true;
        if (item.starts_with("c2="))
            ok = ParseSectors(item.substr(3), spec.c2);
        else if (item.starts_with("bits="))
            ok = ParseDamage(item.substr(5), false, spec.damage.emplace_back());
        else if (item.starts_with("firstread="))
            ok = ParseDamage(item.substr(10), true, spec.damage.emplace_back());
        else
            ours = false;
        if (!ok) {
            *error = "bad fault: " + std::string(item);
            return false;
        }
        if (ours)
            continue;
        if (!shared.empty())
            shared += ';';
        shared += item;
    }
    std::string reason;
    std::optional<drives::Faults> faults = drives::ParseFaults(shared, &reason);
    if (!faults) {
        *error = "bad faults \"" + std::string(text) + "\": " + reason;
        return false;
    }
    spec.faults = *faults;
    return true;
}

// "name=N" with lowest <= N <= highest.
bool ParseBounded(std::string_view option, size_t nameLength, int lowest, int highest, int &value)
{
    return ParseNumber(option.substr(nameLength), value) && value >= lowest && value <= highest;
}

bool ParseOption(std::string_view option, DriveSpec &spec)
{
    if (option == "tray=open") {
        spec.trayOpen = true;
    } else if (option == "nomedium") {
        spec.noMedium = true;
    } else if (option == "nofua") {
        spec.honoursFua = false;
    } else if (option.starts_with("speed=")) {
        return ParseBounded(option, 6, 1, 255, spec.speed);
    } else if (option.starts_with("seek=")) {
        return ParseBounded(option, 5, 0, 60'000, spec.seekMs);
    } else if (option.starts_with("cache=")) {
        return ParseBounded(option, 6, 0, 100'000, spec.cacheSectors);
    } else if (option.starts_with("offset=")) {
        std::string_view number = option.substr(7);
        if (number.starts_with('+') && !number.starts_with("+-"))
            number.remove_prefix(1);
        return ParseNumber(number, spec.offset) && spec.offset > -100'000 && spec.offset < 100'000;
    } else {
        return false;
    }
    return true;
}

bool ParseEntry(std::string_view entry, DriveSpec &spec, std::string *error)
{
    const size_t equals = entry.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        *error = "entry without DEVICE=IMAGE: " + std::string(entry);
        return false;
    }
    spec.device = entry.substr(0, equals);
    std::string_view rest = entry.substr(equals + 1);
    std::string_view faults;
    if (const size_t at = rest.find(",faults="); at != std::string_view::npos) {
        faults = rest.substr(at + 8);
        rest = rest.substr(0, at);
    }
    const std::vector<std::string_view> parts = Split(rest, ',');
    spec.image = parts.front();
    if (spec.image.empty()) {
        *error = "no image for " + spec.device;
        return false;
    }
    for (size_t i = 1; i < parts.size(); ++i) {
        if (!ParseOption(parts[i], spec)) {
            *error = "bad option: " + std::string(parts[i]);
            return false;
        }
    }
    return faults.empty() || ParseFaultList(faults, spec, error);
}

} // namespace

bool DamageFault::Holds(int32_t sector) const
{
    return std::any_of(sectors.begin(), sectors.end(),
                       [sector](const SectorRange &r) { return r.Holds(sector); });
}

std::optional<std::vector<DriveSpec>> ParseDriveSpecs(const std::string &text, std::string *error)
{
    std::string reason;
    if (!error)
        error = &reason;
    std::vector<DriveSpec> specs;
    for (std::string_view entry : Split(text, ';')) {
        if (entry.empty())
            continue;
        DriveSpec spec;
        if (!ParseEntry(entry, spec, error))
            return std::nullopt;
        specs.push_back(std::move(spec));
    }
    return specs;
}

} // namespace emulated
