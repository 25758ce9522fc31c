#pragma once
// The window's stored values: name, stored form, and how each is read from and written to the window.

#include <functional>
#include <vector>

#include <QString>

struct StoredSetting {
    QString Name;
    // The value to store, already in its stored form.
    std::function<QString()> Save;
    // Applies a present, non-empty stored text. False when an integer does not convert; the
    // window then keeps its default.
    std::function<bool(const QString &)> Load;
    // When set and true, nothing is written: the stored value stays as it was.
    std::function<bool()> KeepStored;
};

// A text value.
StoredSetting TextSetting(const QString &name, std::function<QString()> get,
                          std::function<void(const QString &)> set);

// A decimal integer.
StoredSetting IntegerSetting(const QString &name, std::function<int()> get, std::function<void(int)> set);

// A decimal integer kept in Value, which keeps its own when the stored one lies outside Low..High.
StoredSetting BoundedSetting(const QString &name, int &Value, int Low, int High);

// "1" ticked / "0" unticked; read as unticked for exactly "0", ticked for any other text.
StoredSetting FlagSetting(const QString &name, std::function<bool()> get, std::function<void(bool)> set);

// Reads a stored decimal integer: optional sign and digits only.
bool ParseStoredInteger(const QString &text, int &value);

// Applies every present value of table in order; returns the names and texts of integers that did
// not convert. readValue gives the stored text of a name (empty when absent).
std::vector<std::pair<QString, QString>>
LoadSettings(const std::vector<StoredSetting> &table,
             const std::function<QString(const QString &)> &readValue);
