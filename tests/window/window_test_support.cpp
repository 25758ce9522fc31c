#include "window_test_support.h"

#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/message_box.h"

#include <QFile>
#include <QSettings>

void WindowTest::SetUp()
{
    QFile::remove(TCDRipTestForm::SettingsFile());
    SetMessageBoxHook([this](const QString &text, const QString &) { messages_ << text; });
}

void WindowTest::TearDown()
{
    SetMessageBoxHook({});
    QFile::remove(TCDRipTestForm::SettingsFile());
}

void WindowTest::StoreValues(const QList<std::pair<QString, QString>> &values)
{
    QSettings settings(TCDRipTestForm::SettingsFile(), QSettings::IniFormat);
    for (const auto &[name, value] : values)
        settings.setValue(name, value);
}

QString WindowTest::StoredValue(const QString &name)
{
    return QSettings(TCDRipTestForm::SettingsFile(), QSettings::IniFormat).value(name).toString();
}

QStringList WindowTest::StoredNames()
{
    return QSettings(TCDRipTestForm::SettingsFile(), QSettings::IniFormat).allKeys();
}
