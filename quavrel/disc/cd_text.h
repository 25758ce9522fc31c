#pragma once
// A disc's CD-Text as its packs give it (READ TOC format 5, or an image's): a block per language,
// each with the disc's and every track's title and performer. Latin-1, ASCII and MS-JIS blocks are
// decoded; a block in another character code is kept with its language and said to be unreadable.
// Texts go through PlainText's rule here already: no control character comes out.

#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

struct CdTextBlock {
    int Language = 0;     // EBU code: 0x09 English, 0x0F French, 0x69 Japanese, ...
    int Charset = 0;      // 0x00 ISO 8859-1, 0x01 ASCII, 0x80 MS-JIS, 0x81 Korean, 0x82 Mandarin
    bool Readable = true; // a character code this program decodes
    QString Album;
    QString Artist;
    // Per track from the disc's first (Titles[0] is track 1); "" where the block has none.
    QStringList Titles;
    QStringList Performers;

    // "anglais", "japonais", or "langue 0x4A".
    QString LanguageName() const;
    // "ISO 8859-1", "MS-JIS", or "jeu de caractères 0x81".
    QString CharsetName() const;
    bool operator==(const CdTextBlock &) const = default;
};

struct CdText {
    std::vector<CdTextBlock> Blocks;
    // What could not be used, in French: packs whose CRC is wrong, blocks in an unknown code.
    QStringList Problems;

    bool Empty() const { return Blocks.empty(); }
    // The first block this program can read, or nullptr.
    const CdTextBlock *FirstReadable() const;
    bool operator==(const CdText &) const = default;
};

// The packs (18 bytes each, without the READ TOC header) of a disc whose first track is FirstTrack.
CdText DecodeCdText(const QByteArray &Packs, int FirstTrack = 1);
