#pragma once
// File-name extension rule of the engine's components.

#include <QString>

// FileName with its extension (everything from the last dot of the name part, dot included)
// replaced by Extension; a name without a dot gets Extension appended. Both '/' and '\' end a
// directory part, so names coming from either platform split the same way.
QString ChangeFileExt(const QString &FileName, const QString &Extension);
