#pragma once
// The options of one command: "-d 1", "--drive 1", "--drive=1", flags; nothing else on the line.
// Every error is a French sentence for the user; the command then exits with kExitUsage.

#include <map>
#include <vector>

#include <QString>
#include <QStringList>

struct OptionSpec {
    QStringList Names; // "-d", "--drive": the first is the key Has and Value take
    bool TakesValue = false;
};

class CliArguments {
  public:
    bool Parse(const QStringList &Arguments, const std::vector<OptionSpec> &Specs, QString &Error);
    bool Has(const QString &Key) const { return values_.count(Key) != 0; }
    QString Value(const QString &Key) const;

  private:
    std::map<QString, QString> values_;
};

// A whole decimal number within Low..High; false with Error naming Option.
bool ParseNumber(const QString &Option, const QString &Text, int Low, int High, int &Value, QString &Error);

// "1,3-5" as track numbers in disc order, each once (0 is the hidden track). False with Error for
// bad syntax.
bool ParseTrackList(const QString &Text, std::vector<int> &Tracks, QString &Error);
