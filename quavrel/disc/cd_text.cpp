#include "quavrel/disc/cd_text.h"

#include <array>
#include <cstring>
#include <iconv.h>
#include <map>
#include <memory>

namespace {

constexpr int kPackBytes = 18;

uint16_t PackCrc(const uint8_t *pack)
{
    uint16_t crc = 0;
    for (int i = 0; i < 16; ++i) {
        crc ^= static_cast<uint16_t>(pack[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return static_cast<uint16_t>(~crc);
}

struct IconvCloser {
    void operator()(iconv_t *cd) const
    {
        iconv_close(*cd);
        delete cd;
    }
};

// MS-JIS is Microsoft's Shift-JIS (code page 932), which glibc's iconv knows.
QString FromMsJis(const QByteArray &bytes)
{
    const iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    const std::unique_ptr<iconv_t, IconvCloser> owner(new iconv_t(cd));
    QByteArray in = bytes;
    QByteArray out(bytes.size() * 4 + 4, '\0');
    char *from = in.data();
    size_t fromLeft = static_cast<size_t>(in.size());
    char *to = out.data();
    size_t toLeft = static_cast<size_t>(out.size());
    while (fromLeft > 0) {
        if (iconv(cd, &from, &fromLeft, &to, &toLeft) != static_cast<size_t>(-1))
            break;
        // A byte that is no character: a replacement mark, and on.
        if (toLeft < 3)
            break;
        std::memcpy(to, "\xEF\xBF\xBD", 3);
        to += 3;
        toLeft -= 3;
        ++from;
        --fromLeft;
    }
    return QString::fromUtf8(out.constData(), static_cast<qsizetype>(out.size() - toLeft));
}

// Text without control characters (PlainText's rule; the disc layer comes before metadata's).
QString Plain(const QString &text)
{
    QString plain;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (!(u < 0x20 || (u >= 0x7F && u <= 0x9F)))
            plain += c;
    }
    return plain.trimmed();
}

struct RawBlock {
    bool seen = false;
    bool doubleByte = false;
    std::array<uint8_t, 36> size{};
    int sizeParts = 0;
    struct Payload {
        int track = 0;    // whose text the pack's first byte belongs to
        int sequence = 0; // the pack's number
        int position = 0; // characters of that text before the pack
        QByteArray bytes; // 12
    };
    std::map<uint8_t, std::vector<Payload>> payloads;
};

} // namespace

QString CdTextBlock::LanguageName() const
{
    static const std::map<int, QString> kNames = {
        {0x09, QStringLiteral("anglais")},  {0x0F, QStringLiteral("français")},
        {0x08, QStringLiteral("allemand")}, {0x0A, QStringLiteral("espagnol")},
        {0x15, QStringLiteral("italien")},  {0x1D, QStringLiteral("néerlandais")},
        {0x69, QStringLiteral("japonais")}, {0x65, QStringLiteral("coréen")},
        {0x75, QStringLiteral("chinois")},
    };
    const auto found = kNames.find(Language);
    return found != kNames.end()
               ? found->second
               : QStringLiteral("langue 0x%1").arg(Language, 2, 16, QLatin1Char('0')).toUpper();
}

QString CdTextBlock::CharsetName() const
{
    switch (Charset) {
    case 0x00:
        return QStringLiteral("ISO 8859-1");
    case 0x01:
        return QStringLiteral("ASCII");
    case 0x80:
        return QStringLiteral("MS-JIS");
    default:
        return QStringLiteral("jeu de caractères 0x%1").arg(Charset, 2, 16, QLatin1Char('0'));
    }
}

const CdTextBlock *CdText::FirstReadable() const
{
    for (const CdTextBlock &block : Blocks)
        if (block.Readable)
            return &block;
    return nullptr;
}

CdText DecodeCdText(const QByteArray &Packs, int FirstTrack)
{
    CdText text;
    std::array<RawBlock, 8> raw;
    int damaged = 0;
    for (qsizetype at = 0; at + kPackBytes <= Packs.size(); at += kPackBytes) {
        const auto *pack = reinterpret_cast<const uint8_t *>(Packs.constData() + at);
        const uint16_t crc = PackCrc(pack);
        if (pack[16] != (crc >> 8) || pack[17] != (crc & 0xFF)) {
            ++damaged;
            continue;
        }
        RawBlock &block = raw[static_cast<size_t>(pack[3] >> 4 & 0x07)];
        block.seen = true;
        block.doubleByte = block.doubleByte || (pack[3] & 0x80) != 0;
        if (pack[0] == 0x8F) {
            if (pack[1] < 3) {
                std::copy(pack + 4, pack + 16, block.size.begin() + pack[1] * 12);
                ++block.sizeParts;
            }
        } else if (pack[0] >= 0x80 && pack[0] <= 0x8E) {
            block.payloads[pack[0]].push_back({pack[1] & 0x7F, pack[2], pack[3] & 0x0F,
                                               QByteArray(reinterpret_cast<const char *>(pack + 4), 12)});
        }
    }
    if (damaged > 0)
        text.Problems << QStringLiteral("CD-Text : %1 paquet(s) au CRC faux, ignoré(s)").arg(damaged);
    for (size_t b = 0; b < raw.size(); ++b) {
        const RawBlock &block = raw[b];
        if (!block.seen)
            continue;
        CdTextBlock decoded;
        decoded.Charset = block.sizeParts > 0 ? block.size[0] : 0x00;
        decoded.Language = block.sizeParts >= 3 ? block.size[28 + b] : 0x09;
        decoded.Readable = decoded.Charset == 0x00 || decoded.Charset == 0x01 || decoded.Charset == 0x80;
        if (!decoded.Readable) {
            text.Problems << QStringLiteral("CD-Text : bloc %1 (%2) en %3, non lu")
                                 .arg(b)
                                 .arg(decoded.LanguageName(), decoded.CharsetName());
            text.Blocks.push_back(decoded);
            continue;
        }
        const bool doubleByte = decoded.Charset == 0x80 || block.doubleByte;
        const auto decode = [&](const QByteArray &bytes) {
            return Plain(doubleByte ? FromMsJis(bytes) : QString::fromLatin1(bytes));
        };
        for (const uint8_t type : {uint8_t{0x80}, uint8_t{0x81}}) {
            const auto found = block.payloads.find(type);
            if (found == block.payloads.end())
                continue;
            // The texts run on across packs, each ended by a NUL (two in a double-byte block); a
            // run of packs numbered one after another starts with the text its first pack's track
            // number names. After a damaged pack the next run begins anew, the rest of a text cut
            // by the damage left out. A tab repeats the text before.
            std::vector<std::pair<size_t, size_t>> runs; // [first, end) of payloads
            const std::vector<RawBlock::Payload> &payloads = found->second;
            for (size_t i = 0; i < payloads.size(); ++i)
                if (i == 0 || payloads[i].sequence != payloads[i - 1].sequence + 1)
                    runs.emplace_back(i, i + 1);
                else
                    runs.back().second = i + 1;
            const qsizetype step = doubleByte ? 2 : 1;
            QString previous;
            for (const auto &[first, end] : runs) {
                QByteArray stream;
                for (size_t i = first; i < end; ++i)
                    stream += payloads[i].bytes;
                int track = payloads[first].track;
                bool partial = payloads[first].position > 0 && first > 0;
                qsizetype begin = 0;
                for (qsizetype i = 0; i + step <= stream.size(); i += step) {
                    if (stream[i] != '\0' || (doubleByte && stream[i + 1] != '\0'))
                        continue;
                    const QByteArray bytes = stream.mid(begin, i - begin);
                    begin = i + step;
                    if (partial) {
                        partial = false;
                        ++track;
                        continue;
                    }
                    const QString value =
                        bytes == "\t" || bytes == QByteArray("\t\t", 2) ? previous : decode(bytes);
                    previous = value;
                    if (track == 0) {
                        (type == 0x80 ? decoded.Album : decoded.Artist) = value;
                    } else if (track >= FirstTrack && track < FirstTrack + 99) {
                        QStringList &list = type == 0x80 ? decoded.Titles : decoded.Performers;
                        while (list.size() <= track - FirstTrack)
                            list << QString();
                        list[track - FirstTrack] = value;
                    }
                    ++track;
                }
            }
        }
        // The last pack's padding reads as empty texts past the last track.
        const int tracks =
            block.sizeParts > 0 && block.size[2] >= FirstTrack ? block.size[2] - FirstTrack + 1 : 99;
        for (QStringList *list : {&decoded.Titles, &decoded.Performers}) {
            if (list->size() > tracks)
                list->resize(tracks);
            while (block.sizeParts == 0 && !list->isEmpty() && list->back().isEmpty())
                list->removeLast();
        }
        text.Blocks.push_back(decoded);
    }
    return text;
}
