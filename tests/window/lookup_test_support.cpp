#include "lookup_test_support.h"

#include "quavrel/engine/bindings/cd_access.h"
#include "ui_TCDRipTestForm.h"
#include "winmsg.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

QString GeneratedEntriesDir()
{
    return qEnvironmentVariable("QUAVREL_DATA_DIR") + QStringLiteral("/cddb");
}

// The one entry the generator writes: <category>/<disc id>.
QString DemoEntryFile()
{
    const QDir root(GeneratedEntriesDir());
    for (const QString &category : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QString &id : QDir(root.filePath(category)).entryList(QDir::Files))
            return root.filePath(category + QLatin1Char('/') + id);
    return {};
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

void WriteAll(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
}

} // namespace

void LookupTest::SetUp()
{
    WindowTest::SetUp();
    ASSERT_TRUE(entries_.isValid());
    ASSERT_FALSE(DemoEntryFile().isEmpty())
        << "no generated entry under " << GeneratedEntriesDir().toStdString();
}

void LookupTest::TearDown()
{
    window_.reset();
    server_.reset();
    WindowTest::TearDown();
}

QString LookupTest::DemoDiscId()
{
    return QFileInfo(DemoEntryFile()).fileName();
}

void LookupTest::WriteEntry(const QString &category, const QString &discId, const QByteArray &artist,
                            const QByteArray &album, const QList<QByteArray> &titles)
{
    // The demo entry's comment block carries the offsets the server matches inexact queries on.
    QByteArray entry;
    for (const QByteArray &line : ReadAll(DemoEntryFile()).split('\n'))
        if (line.startsWith('#'))
            entry += line + '\n';
    entry += "DISCID=" + discId.toLatin1() + '\n';
    entry += "DTITLE=" + artist + " / " + album + '\n';
    for (int i = 0; i < titles.size(); ++i)
        entry += "TTITLE" + QByteArray::number(i) + '=' + titles[i] + '\n';
    entry += "EXTD=\n";
    for (int i = 0; i < titles.size(); ++i)
        entry += "EXTT" + QByteArray::number(i) + "=\n";
    entry += "PLAYORDER=\n";
    WriteAll(EntryDir() + QLatin1Char('/') + category + QLatin1Char('/') + discId, entry);
}

void LookupTest::CopyDemoEntry()
{
    const QFileInfo demo(DemoEntryFile());
    WriteAll(EntryDir() + QLatin1Char('/') + demo.dir().dirName() + QLatin1Char('/') + demo.fileName(),
             ReadAll(demo.filePath()));
}

void LookupTest::WriteSites(const QList<QByteArray> &lines)
{
    WriteAll(EntryDir() + QStringLiteral("/sites"), lines.join('\n') + '\n');
}

void LookupTest::StartServer(const std::vector<std::string> &replies)
{
    ostrelle_test::ServerOptions options;
    options.dataDir = EntryDir().toStdString();
    options.replies = replies;
    server_ = std::make_unique<ostrelle_test::CddbServerProcess>(options);
}

QString LookupTest::ServerAddress() const
{
    return QString::fromStdString(server_->Address());
}

TCDRipTestForm &LookupTest::OpenWindow()
{
    window_ = std::make_unique<TCDRipTestForm>();
    // No dial and no lookup on showing unless a test asks for them.
    window_->Controls()->activer->setChecked(false);
    window_->Controls()->CheckBox1->setChecked(false);
    // CDDB's own cases; the MusicBrainz ones choose their source, and none reaches the real service.
    window_->Controls()->sourceinfos->setCurrentIndex(TCDRipTestForm::kSourceCddb);
    if (server_)
        window_->CddbServer.Server = ServerAddress();
    window_->show();
    return *window_;
}

QStringList LookupTest::Column(int column) const
{
    QStringList cells;
    const QTreeWidget *list = window_->Controls()->ListView1;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        cells << list->topLevelItem(row)->text(column);
    return cells;
}

QStringList LookupTest::Names() const
{
    return Column(1);
}

Watch::Watch(std::function<bool()> ready, std::function<void()> action)
{
    QObject::connect(&timer_, &QTimer::timeout, [this, ready = std::move(ready), action = std::move(action)] {
        if (fired_ || !ready())
            return;
        fired_ = true;
        timer_.stop();
        action();
    });
    timer_.start(5);
}

QList<Qt::CheckState> LookupTest::CheckStates() const
{
    QList<Qt::CheckState> states;
    const QTreeWidget *list = window_->Controls()->ListView1;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        states << list->topLevelItem(row)->checkState(0);
    return states;
}
