#pragma once
// Comments added to a finished Ogg Vorbis file, for what the Vorbis library's tag record has no
// field for (the year, the disc's identifiers). The audio pages are left as they are.

#include <utility>
#include <vector>

#include <QString>

// Adds each comment whose name the file does not carry yet. Nothing to add leaves the file
// untouched. False with the reason in Error.
bool AddOggComments(const QString &Path, const std::vector<std::pair<QString, QString>> &Comments,
                    QString &Error);
