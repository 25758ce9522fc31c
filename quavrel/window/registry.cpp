#include "registry.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

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
    const QString organization = path.at(1);
    const QString application = path.size() == 3 ? path.at(2) : organization;
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base + QLatin1Char('/') + organization + QLatin1Char('/') + application + QLatin1String(".ini");
}

bool IsRootOrSoftware(const QStringList &path)
{
    return path.isEmpty() ||
           (path.size() == 1 && path.front().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0);
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
    const QStringList wanted = path_ + SplitKey(key);
    if (IsRootOrSoftware(wanted)) {
        CloseKey();
        path_ = wanted;
        return true;
    }
    const QString file = FileOfPath(wanted);
    if (file.isEmpty())
        return false;
    if (!QFileInfo::exists(file)) {
        if (!canCreate)
            return false;
        // An empty file makes the key exist even before a value is written.
        if (!QDir().mkpath(QFileInfo(file).absolutePath()))
            return false;
        QFile created(file);
        if (!created.open(QIODevice::WriteOnly))
            return false;
    }
    CloseKey();
    path_ = wanted;
    settings_ = std::make_unique<QSettings>(file, QSettings::IniFormat);
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
    return true;
}

bool TRegistry::CloseKey()
{
    bool written = true;
    if (settings_) {
        settings_->sync();
        written = settings_->status() == QSettings::NoError;
    }
    settings_.reset();
    path_.clear();
    return written;
}
