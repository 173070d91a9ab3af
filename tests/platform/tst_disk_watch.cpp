#include "platform/disk_watch.h"
#include "platform/file_identity.h"
#include "test_runner.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace bp;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Replaces the file the way careful programs save: a new file renamed over the old one.
void replaceFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
    QVERIFY(file.commit());
}

void setModified(const QString &path, const QDateTime &time)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
}

enum class Outside
{
    Nothing,
    RewriteLonger,
    RewriteSameSizeLater,
    ReplaceSameSizeSameTime,
    Remove,
    RenameAway,
};

} // namespace

class TestDiskWatch : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void identityTellsWhatChanged_data()
    {
        QTest::addColumn<Outside>("outside");
        QTest::addColumn<DiskChange>("expected");
        QTest::newRow("untouched") << Outside::Nothing << DiskChange::Unchanged;
        QTest::newRow("rewritten longer") << Outside::RewriteLonger << DiskChange::Modified;
        QTest::newRow("same size, later time")
            << Outside::RewriteSameSizeLater << DiskChange::Modified;
#ifdef Q_OS_UNIX
        QTest::newRow("replaced by a file of the same size and time")
            << Outside::ReplaceSameSizeSameTime << DiskChange::Modified;
#endif
        QTest::newRow("removed") << Outside::Remove << DiskChange::Missing;
        QTest::newRow("renamed away") << Outside::RenameAway << DiskChange::Missing;
    }
    void identityTellsWhatChanged()
    {
        QFETCH(Outside, outside);
        QFETCH(DiskChange, expected);
        const QString path = m_dir.filePath(u"identity.qpl"_s);
        QFile::remove(path);
        writeFile(path, "abc");
        const QDateTime time = QDateTime::fromSecsSinceEpoch(1'600'000'000);
        setModified(path, time);
        const FileIdentity recorded = FileIdentity::of(path);
        QVERIFY(recorded.exists);
        QCOMPARE(recorded.size, 3);

        switch (outside) {
        case Outside::Nothing:
            break;
        case Outside::RewriteLonger:
            writeFile(path, "abcd");
            setModified(path, time);
            break;
        case Outside::RewriteSameSizeLater:
            writeFile(path, "xyz");
            setModified(path, time.addSecs(1));
            break;
        case Outside::ReplaceSameSizeSameTime:
            replaceFile(path, "xyz");
            setModified(path, time);
            break;
        case Outside::Remove:
            QVERIFY(QFile::remove(path));
            break;
        case Outside::RenameAway:
            QFile::remove(path + u".old"_s);
            QVERIFY(QFile::rename(path, path + u".old"_s));
            break;
        }
        QCOMPARE(diskChange(recorded, FileIdentity::of(path)), expected);
    }

    void fileThatComesBackCountsAsModified()
    {
        const QString path = m_dir.filePath(u"back.qpl"_s);
        const FileIdentity missing = FileIdentity::of(path);
        QVERIFY(!missing.exists);
        QCOMPARE(diskChange(missing, FileIdentity::of(path)), DiskChange::Unchanged);
        writeFile(path, "x");
        QCOMPARE(diskChange(missing, FileIdentity::of(path)), DiskChange::Modified);
    }

    // A question shows in a nested event loop; notifications arriving meanwhile must not
    // ask again on top of it, and the answer covers what happened while it showed.
    void changeDuringTheQuestionAsksNothingMore()
    {
        const QString path = m_dir.filePath(u"nested.qpl"_s);
        writeFile(path, "one");
        DiskWatch watch;
        watch.watch(path, FileIdentity::of(path));
        QSignalSpy checks(&watch, &DiskWatch::checked);
        int calls = 0;
        int depth = 0;
        int deepest = 0;
        watch.setHandler([&](DiskChange change) {
            ++calls;
            deepest = std::max(deepest, ++depth);
            if (calls == 1) {
                [&] { QCOMPARE(change, DiskChange::Modified); }();
                QSignalSpy heldBack(&watch, &DiskWatch::checked);
                writeFile(path, "three, while asking");
                // The check started by the notification of the write above.
                while (heldBack.isEmpty() && heldBack.wait()) {
                }
            }
            --depth;
            return true;
        });

        writeFile(path, "two");
        QVERIFY(checks.wait());
        QCOMPARE(calls, 1);
        QCOMPARE(deepest, 1);
        // The held-back check runs after the question and finds nothing new.
        const qsizetype before = checks.size();
        watch.checkSoon();
        while (checks.size() == before)
            QVERIFY(checks.wait());
        QCOMPARE(calls, 1);

        // A later change is told again.
        writeFile(path, "four, afterwards");
        QTRY_COMPARE(calls, 2);
        QCOMPARE(deepest, 1);
    }
};

BP_TEST(TestDiskWatch)
#include "tst_disk_watch.moc"
