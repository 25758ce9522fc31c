#include "quavrel/settings/registry.h"

#include "platform/common/config_dir.h"
#include "platform/common/regular_file.h"
#include "quavrel/settings/settings_text.h"

#include <cerrno>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryDir>

namespace {

QStringList SplitKey(const QString &key)
{
    return key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

QString FileOfPath(const QStringList &path)
{
    if (path.size() < 2 || path.size() > 3 ||
        path.front().compare(QLatin1String("Software"), Qt::CaseInsensitive) != 0)
        return {};
    const QString base = QString::fromStdString(platform::ConfigHome());
    if (base.isEmpty())
        return {};
    const QString organization = path.at(1);
    const QString application = path.size() == 3 ? path.at(2) : organization;
    return base + QLatin1Char('/') + organization + QLatin1Char('/') + application + QLatin1String(".ini");
}

bool IsRootOrSoftware(const QStringList &path)
{
    return path.isEmpty() ||
           (path.size() == 1 && path.front().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0);
}

// A free name beside file for a copy kept aside: "file.illisible", then "file.illisible.2", ...
QString AsideName(const QString &file)
{
    const QString base = file + QStringLiteral(".illisible");
    QString name = base;
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = base + QLatin1Char('.') + QString::number(n);
    return name;
}

} // namespace

TRegistry::TRegistry() = default;

TRegistry::~TRegistry()
{
    CloseKey();
}

QString TRegistry::FileOfKey(const QString &keyPath)
{
    return FileOfPath(SplitKey(keyPath));
}

bool TRegistry::OpenKey(const QString &key, bool canCreate)
{
    error_.clear();
    setAside_.clear();
    const QStringList wanted = path_ + SplitKey(key);
    if (IsRootOrSoftware(wanted)) {
        CloseKey();
        path_ = wanted;
        return true;
    }
    const QString file = FileOfPath(wanted);
    if (file.isEmpty())
        return false;

    QByteArray text;
    const QFileInfo info(file);
    if (info.exists() || info.isSymLink()) {
        // Never opened for reading unless it is a regular file: a FIFO would block the start, a link
        // to /dev/zero would be read until memory runs out.
        std::string read;
        switch (platform::ReadRegularFile(QFile::encodeName(file).toStdString(), platform::kSettingsFileLimit,
                                          read)) {
        case platform::RegularFileRead::Ok:
            break;
        case platform::RegularFileRead::NotRegular:
            error_ = QStringLiteral("ce n'est pas un fichier ordinaire");
            return false;
        case platform::RegularFileRead::TooLarge:
            error_ = QStringLiteral("il dépasse %1 Mio, la taille maximale d'un fichier de paramètres")
                         .arg(platform::kSettingsFileLimit / (1024 * 1024));
            return false;
        case platform::RegularFileRead::Missing:
        case platform::RegularFileRead::Error:
            error_ = qt_error_string(errno);
            return false;
        }
        const QByteArray bytes(read.data(), static_cast<qsizetype>(read.size()));
        const std::optional<QByteArray> readable = ReadableSettingsText(bytes);
        if (readable) {
            text = *readable;
        } else {
            const QString aside = AsideName(file);
            if (!QFile::rename(file, aside)) {
                error_ = QStringLiteral("le fichier n'est pas lisible et n'a pas pu être mis de côté");
                return false;
            }
            setAside_ = aside;
            if (!canCreate)
                return false;
        }
    } else if (!canCreate) {
        return false;
    }
    if (!QFileInfo::exists(file)) {
        // An empty file makes the key exist even before a value is written.
        QFile created(file);
        if (!QDir().mkpath(QFileInfo(file).absolutePath()) || !created.open(QIODevice::WriteOnly)) {
            error_ = created.errorString();
            return false;
        }
    }

    auto workDir = std::make_unique<QTemporaryDir>();
    QFile work(workDir->filePath(QStringLiteral("settings.ini")));
    if (!workDir->isValid() || !work.open(QIODevice::WriteOnly) || work.write(text) != text.size()) {
        error_ = work.errorString();
        return false;
    }
    work.close();
    CloseKey();
    path_ = wanted;
    file_ = file;
    workDir_ = std::move(workDir);
    settings_ = std::make_unique<QSettings>(work.fileName(), QSettings::IniFormat);
    return true;
}

QString TRegistry::ReadString(const QString &name) const
{
    if (!settings_)
        return {};
    const QVariant value = settings_->value(name);
    // A hand-edited file may hold an unquoted "a, b", which the INI reader turns into a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

bool TRegistry::WriteString(const QString &name, const QString &value)
{
    if (!settings_)
        return false;
    settings_->setValue(name, value);
    written_ = true;
    return true;
}

bool TRegistry::CloseKey()
{
    bool done = true;
    if (settings_ && written_) {
        settings_->sync();
        QFile work(settings_->fileName());
        QSaveFile target(file_);
        // The save file replaces the file in one rename, keeping its permissions.
        if (settings_->status() != QSettings::NoError || !work.open(QIODevice::ReadOnly) ||
            !target.open(QIODevice::WriteOnly) || target.write(work.readAll()) < 0 || !target.commit()) {
            error_ = target.errorString();
            done = false;
        }
    }
    settings_.reset();
    workDir_.reset();
    file_.clear();
    written_ = false;
    path_.clear();
    return done;
}
