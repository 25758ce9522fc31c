#include "quavrel/cli/cli_arguments.h"

#include <algorithm>

bool CliArguments::Parse(const QStringList &Arguments, const std::vector<OptionSpec> &Specs, QString &Error)
{
    for (qsizetype i = 0; i < Arguments.size(); ++i) {
        QString name = Arguments.at(i);
        QString inlineValue;
        bool hasInline = false;
        if (name.startsWith(QLatin1String("--")) && name.contains(QLatin1Char('='))) {
            const qsizetype equals = name.indexOf(QLatin1Char('='));
            inlineValue = name.mid(equals + 1);
            name = name.left(equals);
            hasInline = true;
        }
        const auto spec = std::find_if(Specs.begin(), Specs.end(),
                                       [&name](const OptionSpec &s) { return s.Names.contains(name); });
        if (spec == Specs.end()) {
            Error = name.startsWith(QLatin1Char('-')) ? QStringLiteral("option inconnue : %1").arg(name)
                                                      : QStringLiteral("argument inattendu : %1").arg(name);
            return false;
        }
        const QString &key = spec->Names.front();
        if (!spec->TakesValue) {
            if (hasInline) {
                Error = QStringLiteral("l'option %1 ne prend pas de valeur").arg(name);
                return false;
            }
            values_[key] = QString();
            continue;
        }
        if (!hasInline) {
            if (i + 1 >= Arguments.size()) {
                Error = QStringLiteral("l'option %1 demande une valeur").arg(name);
                return false;
            }
            inlineValue = Arguments.at(++i);
        }
        values_[key] = inlineValue;
    }
    return true;
}

QString CliArguments::Value(const QString &Key) const
{
    const auto found = values_.find(Key);
    return found == values_.end() ? QString() : found->second;
}

bool ParseNumber(const QString &Option, const QString &Text, int Low, int High, int &Value, QString &Error)
{
    bool ok = !Text.isEmpty() && std::all_of(Text.begin(), Text.end(), [](QChar c) { return c.isDigit(); });
    const int number = ok ? Text.toInt(&ok) : 0;
    if (!ok || number < Low || number > High) {
        Error = QStringLiteral("%1 attend un nombre de %2 à %3 : « %4 »")
                    .arg(Option)
                    .arg(Low)
                    .arg(High)
                    .arg(Text);
        return false;
    }
    Value = number;
    return true;
}

bool ParseTrackList(const QString &Text, std::vector<int> &Tracks, QString &Error)
{
    std::vector<int> found;
    for (const QString &item : Text.split(QLatin1Char(','))) {
        const QStringList ends = item.split(QLatin1Char('-'));
        int first = 0;
        int last = 0;
        QString ignored;
        const bool ok = ends.size() <= 2 &&
                        ParseNumber(QStringLiteral("-t"), ends.front(), 0, 99, first, ignored) &&
                        ParseNumber(QStringLiteral("-t"), ends.back(), 0, 99, last, ignored) && first <= last;
        if (!ok) {
            Error = QStringLiteral("liste de pistes invalide : « %1 » (par exemple 1,3-5)").arg(Text);
            return false;
        }
        for (int track = first; track <= last; ++track)
            found.push_back(track);
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    Tracks = found;
    return true;
}
