// The settings key over its INI file, and the operating-system label.

#include "quavrel/settings/registry.h"
#include "quavrel/settings/settings_table.h"
#include "quavrel/window/os_label.h"
#include "window_test_support.h"

#include <QFile>
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
