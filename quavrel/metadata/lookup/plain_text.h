#pragma once
// Texts from servers and discs reach terminals, file names and tags: control characters (a
// terminal's escapes among them) are taken out before they go anywhere.

#include <QString>

// Text without C0 and C1 control characters; with KeepLines, tabs and line ends stay (a
// multi-line comment).
QString PlainText(const QString &Text, bool KeepLines = false);
