#pragma once
// The current user's settings keys, with the operations the window uses.
//
// A key path "Software\Org" or "Software\Org\App" (backslash-separated, as on Windows) is one INI
// file: $XDG_CONFIG_HOME/Org/App.ini (App defaults to Org), so "Software\Quavrel" is
// $XDG_CONFIG_HOME/Quavrel/Quavrel.ini. "Software" itself always exists and holds no values; deeper
// keys are not supported. A key exists when its file exists. Every value is a string, in the [General]
// section; names are written the way QSettings writes INI keys ("R%E9pertoire" for "Répertoire").

#include <memory>

#include <QString>
#include <QStringList>

class QSettings;

class TRegistry {
  public:
    TRegistry();
    ~TRegistry();
    TRegistry(const TRegistry &) = delete;
    TRegistry &operator=(const TRegistry &) = delete;

    // Opens key, relative to the open key (or to the current user's root when none is open).
    // Without canCreate it fails when the key does not exist; with it, a missing key is created.
    bool OpenKey(const QString &key, bool canCreate);

    // The value's text; empty when it is missing or no key holding values is open.
    QString ReadString(const QString &name) const;

    // Stores the value in the open key (written at CloseKey); false when no key holding values is open.
    bool WriteString(const QString &name, const QString &value);

    // Writes pending values to disk and returns to the root; false when they could not be written.
    bool CloseKey();

    // The file that holds key path (e.g. "Software\\Quavrel"), or empty when the path names no file.
    static QString FileOfKey(const QString &keyPath);

  private:
    QStringList path_;
    std::unique_ptr<QSettings> settings_;
};
