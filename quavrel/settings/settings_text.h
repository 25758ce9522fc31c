#pragma once
// The window's settings file as its INI reader can take it, whatever an editor or a damaged disk
// left in it: the text decoded (UTF-8, UTF-16 or UTF-32 with or without a byte-order mark,
// Windows-1252 for a line that is not UTF-8), and every line standing alone, so that junk can
// never swallow the value of the next line.

#include <optional>

#include <QByteArray>

// The file's values as UTF-8 INI text: section headers and "key=value" lines only, each closed
// (a trailing lone backslash doubled, an open quote closed); every other line is dropped. nullopt
// when the bytes are no text at all (a NUL character, or not one header or value line), so that
// the caller can keep the file aside rather than overwrite it.
std::optional<QByteArray> ReadableSettingsText(const QByteArray &bytes);
