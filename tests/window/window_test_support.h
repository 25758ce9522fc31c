#pragma once
// Helpers shared by the window tests: a clean settings key, message boxes caught, controls by name.

#include <QString>
#include <QStringList>
#include <QWidget>
#include <gtest/gtest.h>

class TCDRipTestForm;

// Removes any stored settings and catches message boxes for the life of the fixture.
class WindowTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the given values into the settings key, as a previous run would have.
    static void StoreValues(const QList<std::pair<QString, QString>> &values);
    // A stored value as the file holds it; empty when absent.
    static QString StoredValue(const QString &name);
    static QStringList StoredNames();

    template <typename T> static T *Control(const QWidget &window, const char *name)
    {
        T *control = window.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }

    QStringList messages_;
};

// Failures show texts as text.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}
