#pragma once
// Texts that cross to and from Ostrelle are 8-bit Windows-1252 (CDDB servers send 8-bit text);
// the window converts at that boundary only, with these two.

#include <QByteArray>
#include <QString>

// A NUL-terminated Windows-1252 text as Unicode; null gives an empty text. Bytes the code page
// leaves undefined come through as the control characters of the same value.
QString FromAnsi(const char *text);

// Unicode as Windows-1252; a character the code page cannot write becomes '?'.
QByteArray ToAnsi(const QString &text);
