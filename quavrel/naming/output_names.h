#pragma once
// Where the rip command puts its files and what it calls them, and how big they came out.
//
// Names made from titles never leave the output directory and are valid on the file systems
// music is copied to (FAT, NTFS, ext4): separators, the characters : * ? " < > |, control
// characters and leading or trailing dots and blanks are replaced by "_".

#include <cstdint>

#include <QString>

// Text made into one valid path component. Fallback stands for a text that is empty, blank, "."
// or "..". The result is at most kMaxNameBytes bytes of UTF-8.
QString SafeFileName(const QString &text, const QString &fallback);
inline constexpr int kMaxNameBytes = 240;

// The directory of the rip's files: Root itself, or Root/artist/album when ByArtist is set (an
// empty artist or album adds no level). No trailing separator.
QString OutputDirectoryFor(const QString &root, bool byArtist, const QString &artist, const QString &album);

// The base name of track Number's file from its "Nom" cell Name ("?" when unknown), by the two
// naming boxes: "3-Intro", "Intro", "3"; with neither box ticked, the number.
QString OutputBaseNameFor(int number, const QString &name, bool withNumber, bool withName);

// The size of the named file in bytes, -1 when there is none.
int64_t FileSizeOf(const QString &path);
// The size in thousands of bytes, halves rounded to even, then " Ko": 1500 → "2 Ko", 2500 →
// "2 Ko". A missing file gives "0 Ko".
QString SizeText(const QString &path);

// Text as UTF-8 in at most maxBytes bytes, cut before a character that would not fit whole.
QByteArray Utf8Prefix(const QString &text, int maxBytes);
