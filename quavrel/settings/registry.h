#pragma once
// The current user's settings keys, with the operations the window uses.
//
// A key path "Software\Org" or "Software\Org\App" (backslash-separated, as on Windows) is one INI
// file: <config dir>/Org/App.ini (App defaults to Org), so "Software\Quavrel" is
// $XDG_CONFIG_HOME/Quavrel/Quavrel.ini. "Software" itself always exists and holds no values; deeper
// keys are not supported. A key exists when its file exists. Every value is a string, in the [General]
// section; names are written the way QSettings writes INI keys ("R%E9pertoire" for "Répertoire").
//
// Reading keeps every value it can make out, whatever junk surrounds it (see settings_text.h). A
// file that cannot be read is never replaced: opening its key fails, with ErrorString() telling why;
// so it is for what is no regular file (a FIFO, a device; never opened for reading) and for a file
// over platform::kSettingsFileLimit (4 MiB).
// A file that holds no text at all is renamed out of the way (SetAsideFile()) and its key then
// counts as missing.

#include <memory>

#include <QString>
#include <QStringList>

class QSettings;
class QTemporaryDir;

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

    // Why the last OpenKey or CloseKey failed; empty when it did not, or when the key is just missing.
    QString ErrorString() const { return error_; }
    // Where the last OpenKey moved a file it could not decode; empty when it moved none.
    QString SetAsideFile() const { return setAside_; }

    // The file that holds key path (e.g. "Software\\Quavrel"), or empty when the path names no file.
    static QString FileOfKey(const QString &keyPath);

  private:
    QStringList path_;
    // The values are read and written in a cleaned working copy; CloseKey puts it in place.
    std::unique_ptr<QTemporaryDir> workDir_;
    std::unique_ptr<QSettings> settings_;
    QString file_;
    bool written_ = false;
    QString error_;
    QString setAside_;
};
