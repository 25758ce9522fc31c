#include "quavrel/engine/bindings/file_ext.h"

#include <algorithm>

QString ChangeFileExt(const QString &FileName, const QString &Extension)
{
    const qsizetype nameStart = std::max(FileName.lastIndexOf(u'/'), FileName.lastIndexOf(u'\\')) + 1;
    const qsizetype dot = FileName.lastIndexOf(u'.');
    const QString stem = dot >= nameStart ? FileName.left(dot) : FileName;
    return stem + Extension;
}
