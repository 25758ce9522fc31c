// The settings key over its INI file, and the operating-system label.

#include "quavrel/settings/registry.h"
#include "quavrel/settings/settings_table.h"
#include "quavrel/window/os_label.h"
#include "window_test_support.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using RegistryTest = WindowTest;

TEST_F(RegistryTest, OpeningWithoutCreateFailsUntilSomethingWasSaved)
{
    const QString file = TRegistry::FileOfKey("Software\\Quavrel");
    EXPECT_TRUE(file.endsWith("/Quavrel/Quavrel.ini"));
    EXPECT_TRUE(file.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey("Software", false));
        EXPECT_FALSE(registry.OpenKey("Quavrel", false));
        EXPECT_FALSE(QFile::exists(file));
        ASSERT_TRUE(registry.OpenKey("Quavrel", true));
        EXPECT_TRUE(registry.WriteString("Répertoire", "/srv/a, b"));
        EXPECT_TRUE(registry.CloseKey());
    }
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\Quavrel", false));
    EXPECT_EQ(registry.ReadString("Répertoire"), "/srv/a, b");
    EXPECT_EQ(registry.ReadString("Absent"), "");
    registry.CloseKey();
    // Without an open key there is nothing to read or write.
    EXPECT_FALSE(registry.WriteString("Largeur", "1"));
    EXPECT_EQ(registry.ReadString("Répertoire"), "");
    EXPECT_FALSE(registry.OpenKey("Software\\Quavrel\\Deeper\\Still", true));
}

TEST_F(RegistryTest, WhatIsNoRegularFileOrOverFourMebibytesIsReportedAndKept)
{
    // A FIFO without a writer, /dev/zero through a link, a file one byte over the limit.
    const QString file = TRegistry::FileOfKey("Software\\Quavrel");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
    const QByteArray big = "[General]\nLargeur=1\n;" + QByteArray(4 * 1024 * 1024, 'x');
    for (const char *what : {"fifo", "zero", "big"}) {
        QFile::remove(file);
        if (qstrcmp(what, "fifo") == 0) {
            ASSERT_EQ(mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        } else if (qstrcmp(what, "zero") == 0) {
            ASSERT_TRUE(QFile::link("/dev/zero", file));
        } else {
            QFile out(file);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(big);
        }
        for (const bool canCreate : {false, true}) {
            TRegistry registry;
            EXPECT_FALSE(registry.OpenKey("Software\\Quavrel", canCreate)) << what;
            EXPECT_FALSE(registry.ErrorString().isEmpty()) << what;
            EXPECT_EQ(registry.SetAsideFile(), QString()) << what;
        }
    }
    TRegistry registry;
    EXPECT_FALSE(registry.OpenKey("Software\\Quavrel", true));
    EXPECT_EQ(registry.ErrorString(), "il dépasse 4 Mio, la taille maximale d'un fichier de paramètres");
    EXPECT_EQ(QFileInfo(file).size(), big.size());
    QFile::remove(file);
}

TEST_F(RegistryTest, AByteOrderMarkWithinTheTextHidesNoHeader)
{
    // Two files joined, the second one with its byte-order mark.
    const QString file = TRegistry::FileOfKey("Software\\Quavrel");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("[Other]\nLargeur=1\n\xEF\xBB\xBF[General]\nLargeur=640\n");
    out.close();
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\Quavrel", false));
    EXPECT_EQ(registry.ReadString("Largeur"), "640");
}

TEST(StoredIntegerTest, OnlyDecimalIntegersConvert)
{
    int value = 0;
    EXPECT_TRUE(ParseStoredInteger("-1", value));
    EXPECT_EQ(value, -1);
    EXPECT_TRUE(ParseStoredInteger("603", value));
    EXPECT_EQ(value, 603);
    for (const char *bad : {"abc", "12a", " 12", "0x10", "-", "1.5", "99999999999"})
        EXPECT_FALSE(ParseStoredInteger(QString::fromLatin1(bad), value)) << bad;
}

TEST(OsLabelTest, WindowsVersionsByTable)
{
    struct Row {
        int major, minor;
        bool nt;
        const char *label;
    };
    const Row rows[] = {
        {3, 51, true, "Windows NT 3.51"}, {3, 50, true, "unknown"},     {4, 0, true, "Windows NT 4.0"},
        {4, 0, false, "Windows 95"},      {4, 10, false, "Windows 98"}, {4, 90, false, "Windows ME"},
        {4, 3, true, "Inconnu"},          {5, 0, true, "Windows 2000"}, {5, 1, true, "Windows XP"},
        {5, 2, true, "Inconnu"},          {6, 0, true, "Inconnu"}};
    for (const Row &row : rows)
        EXPECT_EQ(WindowsVersionLabel(row.major, row.minor, row.nt), QString::fromLatin1(row.label))
            << row.major << "." << row.minor;
}

TEST(OsLabelTest, DistributionNameFromOsRelease)
{
    QTemporaryDir dir;
    const auto label = [&dir](const QByteArray &content) {
        QFile file(dir.filePath("os-release"));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(content);
        file.close();
        return OsReleaseLabel(file.fileName());
    };
    EXPECT_EQ(label("NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
              "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(label("# comment\nNAME=Arch\n"), "Arch");
    EXPECT_EQ(label("PRETTY_NAME='Une \"belle\" distribution'\n"), "Une \"belle\" distribution");
    EXPECT_EQ(label("PRETTY_NAME=\"Say \\\"hi\\\"\"\n"), "Say \"hi\"");
    EXPECT_EQ(label("ID=debian\n"), "");
    EXPECT_EQ(OsReleaseLabel(dir.filePath("missing")), "");
}
