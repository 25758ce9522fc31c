#include "quavrel/settings/settings_table.h"

StoredSetting TextSetting(const QString &name, std::function<QString()> get,
                          std::function<void(const QString &)> set)
{
    return {name, std::move(get), [set = std::move(set)](const QString &text) {
                set(text);
                return true;
            }};
}

StoredSetting IntegerSetting(const QString &name, std::function<int()> get, std::function<void(int)> set)
{
    return {name, [get = std::move(get)] { return QString::number(get()); },
            [set = std::move(set)](const QString &text) {
                int value = 0;
                if (!ParseStoredInteger(text, value))
                    return false;
                set(value);
                return true;
            }};
}

StoredSetting BoundedSetting(const QString &name, int &Value, int Low, int High)
{
    return IntegerSetting(
        name, [&Value] { return Value; },
        [&Value, Low, High](int stored) {
            if (stored >= Low && stored <= High)
                Value = stored;
        });
}

StoredSetting FlagSetting(const QString &name, std::function<bool()> get, std::function<void(bool)> set)
{
    return {name, [get = std::move(get)] { return get() ? QStringLiteral("1") : QStringLiteral("0"); },
            [set = std::move(set)](const QString &text) {
                set(text != QLatin1String("0"));
                return true;
            }};
}

bool ParseStoredInteger(const QString &text, int &value)
{
    qsizetype i = 0;
    if (text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+')))
        i = 1;
    if (i == text.size())
        return false;
    for (qsizetype j = i; j < text.size(); ++j) {
        if (text.at(j) < QLatin1Char('0') || text.at(j) > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    value = text.toInt(&ok, 10);
    return ok;
}

std::vector<std::pair<QString, QString>>
LoadSettings(const std::vector<StoredSetting> &table,
             const std::function<QString(const QString &)> &readValue)
{
    std::vector<std::pair<QString, QString>> rejected;
    for (const StoredSetting &setting : table) {
        const QString text = readValue(setting.Name);
        if (text.isEmpty())
            continue;
        if (!setting.Load(text))
            rejected.emplace_back(setting.Name, text);
    }
    return rejected;
}
