// The QUAVREL_FAULTS syntax, so that tests in other processes (the window's) can inject faults.

#include "drive_catalogue.h"

#include <charconv>
#include <string_view>

namespace drives {

namespace {

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

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

template <typename T> bool ParseNumber(std::string_view text, T &value, int base = 10)
{
    text = Trim(text);
    if (base == 16 && (text.starts_with("0x") || text.starts_with("0X")))
        text.remove_prefix(2);
    if (text.empty())
        return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return ec == std::errc() && end == text.data() + text.size();
}

// An 80-minute disc has 360,000 sectors.
constexpr size_t kMaxFaultSectors = 1'000'000;

bool ParseSectors(std::string_view list, std::set<int32_t> &sectors)
{
    for (std::string_view item : Split(list, ',')) {
        const size_t dash = item.find('-', 1);
        int32_t first = 0;
        int32_t last = 0;
        if (dash == std::string_view::npos) {
            if (!ParseNumber(item, first) || first < 0)
                return false;
            last = first;
        } else if (!ParseNumber(item.substr(0, dash), first) || !ParseNumber(item.substr(dash + 1), last) ||
                   first < 0 || last < first || last - first > 1'000'000) {
            return false;
        }
        // Counted wide: a range ending at INT32_MAX must not wrap. Far more sectors than any disc
        // holds are refused, so that a short text cannot fill the memory.
        for (int64_t s = first; s <= last; ++s) {
            if (sectors.size() >= kMaxFaultSectors)
                return false;
            sectors.insert(static_cast<int32_t>(s));
        }
    }
    return true;
}

// "OP:KK/AA/QQ"
bool ParseSense(std::string_view item, SenseFault &sense)
{
    const size_t colon = item.find(':');
    if (colon == std::string_view::npos)
        return false;
    const std::vector<std::string_view> fields = Split(item.substr(colon + 1), '/');
    return fields.size() == 3 && ParseNumber(item.substr(0, colon), sense.opcode, 16) &&
           ParseNumber(fields[0], sense.key, 16) && ParseNumber(fields[1], sense.asc, 16) &&
           ParseNumber(fields[2], sense.ascq, 16) && sense.key <= 0x0F;
}

} // namespace

std::optional<Faults> ParseFaults(const std::string &text, std::string *error)
{
    Faults faults;
    auto fail = [&](std::string_view item) -> std::optional<Faults> {
        if (error)
            *error = "malformed fault \"" + std::string(item) + "\"";
        return std::nullopt;
    };
    for (std::string_view item : Split(text, ';')) {
        item = Trim(item);
        if (item.empty())
            continue;
        const size_t equals = item.find('=');
        if (equals == std::string_view::npos)
            return fail(item);
        const std::string_view name = Trim(item.substr(0, equals));
        const std::string_view value = Trim(item.substr(equals + 1));
        bool ok = false;
        if (name == "jitter") {
            ok = ParseSectors(value, faults.jitter);
        } else if (name == "unreadable") {
            ok = ParseSectors(value, faults.unreadable);
        } else if (name == "slow") {
            ok = ParseNumber(value, faults.slowMs) && faults.slowMs >= 0;
        } else if (name == "sense") {
            ok = true;
            for (std::string_view one : Split(value, ',')) {
                SenseFault sense;
                ok = ok && ParseSense(Trim(one), sense);
                faults.sense.push_back(sense);
            }
        }
        if (!ok)
            return fail(item);
    }
    return faults;
}

} // namespace drives
