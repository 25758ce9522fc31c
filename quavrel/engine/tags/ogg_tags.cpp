#include "quavrel/engine/tags/ogg_tags.h"

#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include <QFile>

bool AddOggComments(const QString &Path, const std::vector<std::pair<QString, QString>> &Comments,
                    QString &Error)
{
    TagLib::Ogg::Vorbis::File file(QFile::encodeName(Path).constData(), false);
    if (!file.isValid() || !file.tag() || file.readOnly()) {
        Error = QStringLiteral("fichier Ogg illisible pour ses commentaires");
        return false;
    }
    TagLib::Ogg::XiphComment &comment = *file.tag();
    bool added = false;
    for (const auto &[name, value] : Comments) {
        const TagLib::String key(name.toStdString(), TagLib::String::UTF8);
        if (comment.contains(key))
            continue;
        comment.addField(key, TagLib::String(value.toStdString(), TagLib::String::UTF8), false);
        added = true;
    }
    if (added && !file.save()) {
        Error = QStringLiteral("commentaires Ogg non écrits");
        return false;
    }
    return true;
}
