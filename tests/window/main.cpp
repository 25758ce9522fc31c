// The window tests need a QApplication and a settings directory of their own.

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char *argv[])
{
    QTemporaryDir configHome;
    if (!configHome.isValid())
        return 2;
    // Test discovery runs without the tests' environment; the window never needs a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", configHome.path().toLocal8Bit());
    // Rips are verified: against nothing (a refused loopback port) unless a test serves a database.
    if (qEnvironmentVariableIsEmpty("QUAVREL_ACCURATERIP_SERVER"))
        qputenv("QUAVREL_ACCURATERIP_SERVER", "http://127.0.0.1:1");
    // Covers likewise: never the public archive.
    if (qEnvironmentVariableIsEmpty("QUAVREL_COVERART_SERVER"))
        qputenv("QUAVREL_COVERART_SERVER", "http://127.0.0.1:1");
    // The documents folder must exist for its path to be reported.
    qputenv("HOME", configHome.path().toLocal8Bit());
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quavrel"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
