#include "common/error.h"
#include "common/previous_content.h"
#include "common/text_file.h"
#include "file_size_limit.h"
#include "fixture_files.h"
#include "forked_child.h"
#include "test_runner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

using namespace bp;

Q_DECLARE_METATYPE(bp::TextEncoding)

namespace {

constexpr uid_t kNobody = 65534;

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

struct stat statOf(const QString &path)
{
    struct stat result = {};
    if (::stat(native(path).constData(), &result) != 0)
        qFatal("cannot stat %s", native(path).constData());
    return result;
}

// Every extended attribute of a file, name to value.
QMap<QByteArray, QByteArray> attributesOf(const QString &path)
{
    QMap<QByteArray, QByteArray> result;
    QByteArray names(4096, '\0');
    const ssize_t size = ::listxattr(native(path).constData(), names.data(), names.size());
    for (const QByteArray &name : names.left(std::max<ssize_t>(size, 0)).split('\0')) {
        if (name.isEmpty())
            continue;
        QByteArray value(4096, '\0');
        const ssize_t length =
            ::getxattr(native(path).constData(), name.constData(), value.data(), value.size());
        result.insert(name, value.left(std::max<ssize_t>(length, 0)));
    }
    return result;
}

// An access ACL granting user `uid` read access besides a 0644 mode, in the kernel's
// xattr layout: a version word, then (tag, permissions, id) entries sorted by tag.
QByteArray aclGrantingReadTo(uid_t uid)
{
    QByteArray value;
    auto put32 = [&](quint32 number) { value.append(reinterpret_cast<const char *>(&number), 4); };
    auto put16 = [&](quint16 number) { value.append(reinterpret_cast<const char *>(&number), 2); };
    auto entry = [&](quint16 tag, quint16 permissions, quint32 id) {
        put16(tag);
        put16(permissions);
        put32(id);
    };
    put32(2);
    entry(0x01, 6, quint32(-1)); // owner
    entry(0x02, 4, uid);         // the named user
    entry(0x04, 4, quint32(-1)); // group
    entry(0x10, 4, quint32(-1)); // mask
    entry(0x20, 4, quint32(-1)); // others
    return value;
}

using bp::testing::FileSizeLimit;
using bp::testing::readFile;
using bp::testing::statusOfChild;
using bp::testing::writeFile;

QString describe(int status)
{
    if (WIFSIGNALED(status))
        return u"killed by signal %1"_s.arg(WTERMSIG(status));
    return u"exit code %1"_s.arg(WEXITSTATUS(status));
}

// The result of the program's save helper run as a separate process.
struct Saved
{
    bool ok = false;
    QString message;
};

// Saves `text` to `path` in a child process run through `wrapper` (setpriv, say) with extra
// environment entries.
Saved saveInChild(const QString &path, const QByteArray &text, const QStringList &environment,
                  const QStringList &wrapper = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &entry : environment)
        env.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    process.setProcessEnvironment(env);
    QStringList arguments = wrapper;
    arguments << QCoreApplication::applicationFilePath() << u"--write-file"_s << path
              << QString::fromLatin1(text);
    process.start(arguments.takeFirst(), arguments);
    process.waitForFinished(-1);
    return {process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())};
}

} // namespace

class TestTextFile : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    // The data folder where in-place saves of this process keep the old bytes.
    QTemporaryDir m_data;

    QString copiesFolder() const { return m_data.filePath(u"recovery"_s); }
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QStringList entries(const QString &folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

private slots:
    void initTestCase()
    {
        ignoreFileSizeSignal();
        setPreviousContentFolder(copiesFolder(), u"1-1"_s);
    }
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }
    // A save that succeeds or fails cleanly leaves no copy of old bytes behind.
    void cleanup() { QCOMPARE(entries(copiesFolder()), QStringList()); }

    void endlessFileStopsAtTheLimit()
    {
        // /proc files report size 0 and may go on far longer than any script.
        const QString endless = u"/proc/self/pagemap"_s;
        if (!QFileInfo(endless).isFile() || QFileInfo(endless).size() != 0)
            QSKIP("no /proc/self/pagemap reporting size 0 on this system");
        try {
            readTextFile(endless, 1 << 20);
            QFAIL("the endless file was read");
        } catch (const Error &error) {
            QVERIFY2(error.message().contains(u"больше 1 МБ"_s), qPrintable(error.message()));
        }
        const QString small = path(u"small.qpl"_s);
        writeFile(small, QByteArray(1 << 20, 'a'));
        QCOMPARE(readTextFile(small, 1 << 20).text.size(), 1 << 20);
    }

    void fileShrinkingWhileReadDoesNotCrash()
    {
        // Another program cuts the file short and restores it, over and over, while it is
        // read; reading from a mapping dies with SIGBUS on the pages past the new end.
        const QString file = path(u"shrinking.qpl"_s);
        constexpr off_t size = 8 << 20;
        writeFile(file, QByteArray());
        const int status = statusOfChild([&] {
            const int fd = ::open(native(file).constData(), O_WRONLY);
            std::atomic<bool> done{false};
            std::atomic<bool> cutting{false};
            std::thread cutter([&] {
                while (!done) {
                    if (::ftruncate(fd, 0) != 0 || ::ftruncate(fd, size) != 0)
                        break;
                    cutting = true;
                }
            });
            while (!cutting)
                std::this_thread::yield();
            // Each read either gets some text or is refused with a message; none may crash.
            // Enough reads that the two threads interleave however the machine schedules them.
            for (int attempt = 0; attempt < 40; ++attempt) {
                struct stat now = {};
                while (::stat(native(file).constData(), &now) == 0 && now.st_size == 0)
                    std::this_thread::yield();
                try {
                    readTextFile(file);
                } catch (const Error &) {
                }
            }
            done = true;
            cutter.join();
            return 0;
        });
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, qPrintable(describe(status)));
    }

    void fileSizeLimitGivesAnErrorNotASignal()
    {
        const QString file = path(u"big.qpl"_s);
        const int status = statusOfChild([&] {
            std::signal(SIGXFSZ, SIG_DFL);
            ignoreFileSizeSignal();
            FileSizeLimit limit(10);
            try {
                writeFileAtomically(file, QByteArray(100, 'x'));
            } catch (const Error &error) {
                return error.message().contains(u"Файл слишком велик"_s) ? 0 : 3;
            }
            return 4;
        });
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, qPrintable(describe(status)));
    }

    // Reading decodes what decodeTextFile decodes from the same bytes: Windows-1251 decoded
    // chunk by chunk as it is read, the Unicode encodings whole, and files too short for a
    // byte-order mark. Without a mark, valid UTF-8 with a character outside ASCII is UTF-8:
    // read piece by piece too, with sequences cut by a piece's end, and given up for
    // Windows-1251 when a later piece (or the file's end) breaks it. Encoding the text again
    // in the encoding found gives the file byte for byte.
    void readingEqualsDecodingTheBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<TextEncoding>("encoding");
        QByteArray everyByte(2500000, Qt::Uninitialized);
        for (qsizetype i = 0; i < everyByte.size(); ++i)
            everyByte[i] = char(i * 7 % 256);
        const QString cyrillic(700000, QChar(0x0416));
        QTest::newRow("Windows-1251 over several chunks") << everyByte << TextEncoding::Ansi;
        QTest::newRow("UTF-8 with a mark over several chunks")
            << encodeText(cyrillic, TextEncoding::Utf8) << TextEncoding::Utf8;
        QTest::newRow("UTF-16 big-endian over several chunks")
            << encodeText(cyrillic, TextEncoding::Utf16BE) << TextEncoding::Utf16BE;
        QTest::newRow("a mark alone") << QByteArray("\xFF\xFE") << TextEncoding::Utf16LE;
        QTest::newRow("two bytes, no mark") << QByteArray("\xEF\xBB") << TextEncoding::Ansi;
        QTest::newRow("empty") << QByteArray() << TextEncoding::Ansi;

        // One ASCII byte first, so the piece ends fall inside two-byte sequences.
        const QByteArray unmarked = "a" + cyrillic.toUtf8();
        QTest::newRow("UTF-8 without a mark over several chunks")
            << unmarked << TextEncoding::Utf8NoMark;
        QTest::newRow("UTF-8 without a mark, a four-byte character last")
            << QByteArray("x = \"\xF0\x9F\x98\x80\"") << TextEncoding::Utf8NoMark;
        QTest::newRow("UTF-8 without a mark, U+FEFF inside")
            << QByteArray("a\xEF\xBB\xBF") << TextEncoding::Utf8NoMark;
        QTest::newRow("ASCII only stays Windows-1251")
            << QByteArray("PROGRAM\r\nEND_PROGRAM\r\n") << TextEncoding::Ansi;
        QTest::newRow("Windows-1251 Cyrillic")
            << QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2") << TextEncoding::Ansi;
        QTest::newRow("valid UTF-8 for two chunks, then a Windows-1251 byte")
            << unmarked + "\xCF" + unmarked << TextEncoding::Ansi;
        QTest::newRow("UTF-8 cut off at the file's end")
            << unmarked.chopped(1) << TextEncoding::Ansi;
        QTest::newRow("overlong form") << QByteArray("a\xC0\xAF") << TextEncoding::Ansi;
        QTest::newRow("encoded surrogate") << QByteArray("a\xED\xA0\x80") << TextEncoding::Ansi;
        QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << TextEncoding::Ansi;
    }
    void readingEqualsDecodingTheBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(TextEncoding, encoding);
        const QString file = path(u"a.qpl"_s);
        writeFile(file, bytes);
        const DecodedText read = readTextFile(file);
        const DecodedText decoded = decodeTextFile(bytes, file);
        QCOMPARE(read.encoding, encoding);
        QCOMPARE(decoded.encoding, encoding);
        QVERIFY(read.text == decoded.text);
        QVERIFY(encodeText(read.text, encoding) == bytes);
    }

    // The lines streamed through the encoder give the bytes and the plan of the joined text,
    // in pieces no larger than promised: breaks, segment ends inside long lines (a pair
    // split there, a lone surrogate there), and texts of several pieces.
    void streamedTextEqualsTheJoinedText_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("lineBreak");
        QTest::addColumn<TextEncoding>("encoding");
        const QString crLf = u"\r\n"_s;
        const QString segment(65535, QChar(u'a'));
        const QString smile = u"\U0001F600"_s;
        QTest::newRow("Cyrillic in Windows-1251")
            << QStringList{u"ПОРТФЕЛЬ"_s, u"a = 1"_s} << crLf << TextEncoding::Ansi;
        QTest::newRow("characters Windows-1251 lacks")
            << QStringList{u"\u20AC ok"_s, u"\u65E5"_s} << crLf << TextEncoding::Ansi;
        QTest::newRow("line separators do not fit Windows-1251")
            << QStringList{u"a"_s, u"b"_s} << u"\u2028"_s << TextEncoding::Ansi;
        QTest::newRow("pair across a segment's end, UTF-8")
            << QStringList{segment + smile + u"b"_s, QString()} << u"\n"_s << TextEncoding::Utf8;
        QTest::newRow("lone surrogate at a segment's end, UTF-8")
            << QStringList{segment + QChar(0xD800) + u"x"_s} << crLf << TextEncoding::Utf8;
        QTest::newRow("halves of a pair on two lines, UTF-8")
            << QStringList{u"a"_s + QChar(0xD83D), QChar(0xDE00) + u"b"_s} << u"\r"_s
            << TextEncoding::Utf8;
        QTest::newRow("halves of a pair on two lines, Windows-1251")
            << QStringList{u"a"_s + QChar(0xD83D), QChar(0xDE00) + u"b"_s} << crLf
            << TextEncoding::Ansi;
        QTest::newRow("pair across a segment's end, UTF-16 big-endian")
            << QStringList{segment + smile} << crLf << TextEncoding::Utf16BE;
        QTest::newRow("several pieces, UTF-8")
            << QStringList(3, QString(400000, QChar(0x0416))) << crLf << TextEncoding::Utf8;
        QTest::newRow("several pieces, UTF-16 little-endian")
            << QStringList(5, QString(200000, QChar(u'x'))) << crLf << TextEncoding::Utf16LE;
        QTest::newRow("no lines, UTF-8") << QStringList() << crLf << TextEncoding::Utf8;
    }
    void streamedTextEqualsTheJoinedText()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, lineBreak);
        QFETCH(TextEncoding, encoding);
        const TextLines text{lines.size(), [&](qsizetype i) { return QStringView(lines[i]); },
                             lineBreak};
        const QString joined = lines.join(lineBreak);
        QByteArray streamed;
        encodeText(text, encoding, [&](QByteArrayView piece) {
            QVERIFY(piece.size() > 0 && piece.size() <= kEncodedPieceBytes);
            streamed += piece;
        });
        QCOMPARE(streamed, encodeText(joined, encoding));
        const SavePlan plan = planSave(text, encoding);
        const SavePlan expected = planSave(joined, encoding);
        QCOMPARE(plan.fits, expected.fits);
        QCOMPARE(plan.wider, expected.wider);
    }

    // Whatever the byte source throws part-way fails the save and leaves the old file, both
    // when a new file replaces it and when it is written in place (a second hard link).
    void failingByteSourceKeepsTheOldFile_data()
    {
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("replace") << false;
        QTest::newRow("in place") << true;
    }
    void failingByteSourceKeepsTheOldFile()
    {
        QFETCH(bool, inPlace);
        const QString file = path(u"a.qpl"_s);
        const QByteArray old(3000, 'o');
        writeFile(file, old);
        if (inPlace)
            QCOMPARE(::link(native(file).constData(), native(path(u"b.qpl"_s)).constData()), 0);
        const struct stat before = statOf(file);
        try {
            writeFileAtomically(file, [](const ByteSink &write) {
                write(QByteArray(5000, 'n'));
                throw Error(u"stopped"_s);
            });
            QFAIL("the save was reported as done");
        } catch (const Error &error) {
            QCOMPARE(error.message(), u"stopped"_s);
        }
        QCOMPARE(readFile(file), old);
        QCOMPARE(statOf(file).st_ino, before.st_ino);
        QCOMPARE(entries(m_dir->path()).size(), inPlace ? 2 : 1);

        // The pieces of a source that succeeds make up the file.
        writeFileAtomically(file, [](const ByteSink &write) {
            write("new ");
            write(QByteArrayView());
            write("text");
        });
        QCOMPARE(readFile(file), QByteArray("new text"));
    }

    // What a save reports having written is the file at the path, whichever way it was
    // written; another process writing the file while a replacement is being written keeps
    // its work: the save fails and the file stays as that process left it.
    void writtenFileAndAWriterDuringTheSave_data()
    {
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<bool>("otherWriter");
        QTest::newRow("replace") << false << false;
        QTest::newRow("in place") << true << false;
        QTest::newRow("replace, another process appends meanwhile") << false << true;
    }
    void writtenFileAndAWriterDuringTheSave()
    {
        QFETCH(bool, inPlace);
        QFETCH(bool, otherWriter);
        const QString file = path(u"a.qpl"_s);
        writeFile(file, "old");
        if (inPlace)
            QCOMPARE(::link(native(file).constData(), native(path(u"b.qpl"_s)).constData()), 0);
        WrittenFile written;
        try {
            writeFileAtomically(
                file,
                [&](const ByteSink &write) {
                    write("new text");
                    if (otherWriter) {
                        const int status = statusOfChild([&] {
                            const int fd = ::open(native(file).constData(), O_WRONLY | O_APPEND);
                            return fd >= 0 && ::write(fd, " more", 5) == 5 ? 0 : 1;
                        });
                        QCOMPARE(describe(status), describe(0));
                    }
                },
                written);
            QVERIFY(!otherWriter);
        } catch (const Error &error) {
            QVERIFY2(otherWriter, qPrintable(error.message()));
            QVERIFY2(error.message().contains(u"изменен другой программой"_s),
                     qPrintable(error.message()));
            QCOMPARE(readFile(file), QByteArray("old more"));
            QCOMPARE(entries(m_dir->path()), QStringList{u"a.qpl"_s});
            return;
        }
        const struct stat now = statOf(file);
        QCOMPARE(readFile(file), QByteArray("new text"));
        QCOMPARE(written.size, qint64(now.st_size));
        QCOMPARE(written.fileNumber, quint64(now.st_ino));
        QCOMPARE(written.device, quint64(now.st_dev));
        QCOMPARE(written.modifiedNs, qint64(now.st_mtim.tv_sec) * 1000000000 + now.st_mtim.tv_nsec);
    }

    // A file written in place (a second hard link) that another process appends to while the
    // save runs keeps that process's bytes after its old content, whichever is longer and
    // wherever the append falls; the save gives way as a replacement does.
    void inPlaceSaveKeepsAnotherProcesssAppend_data()
    {
        QTest::addColumn<QByteArray>("old");
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::newRow("new text longer, append after its last piece")
            << QByteArray("old") << QByteArrayList{"new text"};
        QTest::newRow("old text longer, append after the first of two pieces")
            << QByteArray("old content, long") << QByteArrayList{"new ", "text"};
        QTest::newRow("new text longer, append after the first of two pieces")
            << QByteArray("old") << QByteArrayList{"new text ", "and more"};
    }
    void inPlaceSaveKeepsAnotherProcesssAppend()
    {
        QFETCH(QByteArray, old);
        QFETCH(QByteArrayList, pieces);
        const QString file = path(u"a.qpl"_s);
        const QString link = path(u"b.qpl"_s);
        writeFile(file, old);
        QCOMPARE(::link(native(file).constData(), native(link).constData()), 0);
        try {
            writeFileAtomically(file, [&](const ByteSink &write) {
                write(pieces.first());
                const int status = statusOfChild([&] {
                    const int fd = ::open(native(file).constData(), O_WRONLY | O_APPEND);
                    return fd >= 0 && ::write(fd, " more", 5) == 5 ? 0 : 1;
                });
                QCOMPARE(describe(status), describe(0));
                for (qsizetype i = 1; i < pieces.size(); ++i)
                    write(pieces[i]);
            });
            QFAIL("the save was reported as done");
        } catch (const Error &error) {
            QVERIFY2(error.message().contains(u"изменен другой программой"_s),
                     qPrintable(error.message()));
        }
        QCOMPARE(readFile(file), old + " more");
        QCOMPARE(readFile(link), old + " more");
    }

    void saveKeepsWhatTheFileHad_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("needsRoot");
        QTest::newRow("read-only mode") << u"readonly"_s << true;
        QTest::newRow("setgid and sticky bits") << u"bits"_s << true;
        QTest::newRow("another user's file") << u"owner"_s << true;
        QTest::newRow("extended attribute") << u"xattr"_s << false;
        QTest::newRow("access control list") << u"acl"_s << false;
        QTest::newRow("hard link") << u"link"_s << false;
    }
    void saveKeepsWhatTheFileHad()
    {
        QFETCH(QString, kind);
        QFETCH(bool, needsRoot);
        if (needsRoot && geteuid() != 0)
            QSKIP("only the superuser can set this up and still write the file");
        const QString file = path(u"a.qpl"_s);
        const QString other = path(u"other name.qpl"_s);
        writeFile(file, "old");
        const QByteArray nativeName = native(file);
        const char *name = nativeName.constData();
        if (kind == u"readonly"_s) {
            QCOMPARE(::chmod(name, 0444), 0);
        } else if (kind == u"bits"_s) {
            QCOMPARE(::chmod(name, 03640), 0);
        } else if (kind == u"owner"_s) {
            QCOMPARE(::chown(name, kNobody, kNobody), 0);
        } else if (kind == u"xattr"_s) {
            if (::setxattr(name, "user.brindlepad.note", "kept", 4, 0) != 0)
                QSKIP("the file system takes no user attributes");
        } else if (kind == u"acl"_s) {
            const QByteArray acl = aclGrantingReadTo(kNobody);
            if (::setxattr(name, "system.posix_acl_access", acl.constData(), acl.size(), 0) != 0)
                QSKIP("the file system takes no access control lists");
        } else if (kind == u"link"_s) {
            QCOMPARE(::link(name, native(other).constData()), 0);
        }
        const struct stat before = statOf(file);
        const QMap<QByteArray, QByteArray> attributes = attributesOf(file);

        writeFileAtomically(file, "new text");

        QCOMPARE(readFile(file), QByteArray("new text"));
        const struct stat after = statOf(file);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(attributesOf(file), attributes);
        if (kind == u"link"_s) {
            QCOMPARE(readFile(other), QByteArray("new text"));
            QCOMPARE(after.st_ino, before.st_ino);
        }
        QCOMPARE(entries(m_dir->path()).size(), kind == u"link"_s ? 2 : 1);
    }

    void readOnlyFolderIsWrittenInPlace_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("saved");
        QTest::newRow("file the user may write") << 0666 << true;
        QTest::newRow("file the user may not write") << 0644 << false;
    }
    void readOnlyFolderIsWrittenInPlace()
    {
        // A file that another user owns, in that user's folder: the user may write the file
        // but may not create a new one beside it.
        QFETCH(int, mode);
        QFETCH(bool, saved);
        if (geteuid() != 0)
            QSKIP("switching to another user needs the superuser");
        QCOMPARE(::chmod(native(m_dir->path()).constData(), 0755), 0);
        const QString folder = path(u"shared"_s);
        const QString temporary = path(u"temporary"_s);
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QDir().mkpath(temporary));
        QCOMPARE(::chmod(native(temporary).constData(), 0777), 0);
        const QString file = folder + u"/a.qpl"_s;
        writeFile(file, "old content");
        QCOMPARE(::chmod(native(file).constData(), mode_t(mode)), 0);
        const struct stat before = statOf(file);

        // The other user's own data folder, which it creates.
        const QString data = temporary + u"/data"_s;
        const Saved result = saveInChild(file, "new", {u"BP_TEST_PREVIOUS_FOLDER="_s + data},
                                         {u"setpriv"_s, u"--reuid=%1"_s.arg(kNobody),
                                          u"--regid=%1"_s.arg(kNobody), u"--clear-groups"_s});

        QVERIFY2(result.ok == saved, qPrintable(result.message));
        QCOMPARE(readFile(file), saved ? QByteArray("new") : QByteArray("old content"));
        if (!saved)
            QVERIFY2(result.message.contains(u"Отказано в доступе"_s), qPrintable(result.message));
        const struct stat after = statOf(file);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(entries(folder), QStringList{u"a.qpl"_s});
        QCOMPARE(entries(data), QStringList());
    }

    void failedInPlaceWriteKeepsTheOldBytes_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("file-size limit while writing") << u"limit"_s << u"Файл слишком велик"_s;
        QTest::newRow("no folder for the copy") << u"nofolder"_s << u"копию прежнего содержимого"_s;
        QTest::newRow("a copy folder that others may enter and that cannot be closed")
            << u"othersfolder"_s << u"копию прежнего содержимого"_s;
    }
    void failedInPlaceWriteKeepsTheOldBytes()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        // A second hard link makes every save write in place.
        const QString file = path(u"a.qpl"_s);
        const QString other = path(u"b.qpl"_s);
        const QByteArray old(1000, 'o');
        writeFile(file, old);
        QCOMPARE(::link(native(file).constData(), native(other).constData()), 0);
        const auto restoreFolder =
            qScopeGuard([&] { setPreviousContentFolder(copiesFolder(), u"1-1"_s); });
        std::unique_ptr<FileSizeLimit> limit;
        if (kind == u"limit"_s) {
            limit = std::make_unique<FileSizeLimit>(2000);
        } else if (kind == u"nofolder"_s) {
            // A file where the folder should be.
            writeFile(path(u"blocked"_s), "x");
            setPreviousContentFolder(path(u"blocked/recovery"_s), u"1-1"_s);
        } else {
            if (geteuid() != 0)
                QSKIP("giving a folder to another user needs the superuser");
            const QString shared = path(u"shared"_s);
            QVERIFY(QDir().mkpath(shared));
            QCOMPARE(::chown(native(shared).constData(), kNobody, kNobody), 0);
            QCOMPARE(::chmod(native(shared).constData(), 0777), 0);
            setPreviousContentFolder(shared, u"1-1"_s);
        }
        try {
            writeFileAtomically(file, QByteArray(4000, 'n'));
            QFAIL("the save was reported as done");
        } catch (const Error &error) {
            QVERIFY2(error.message().contains(reason) && error.message().count(file) == 1,
                     qPrintable(error.message()));
        }
        limit.reset();
        QCOMPARE(readFile(file), old);
        QCOMPARE(readFile(other), old);
    }

    void failedSyncIsAFailedSave_data()
    {
        QTest::addColumn<bool>("hardLink");
        QTest::addColumn<int>("successfulSyncs");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("copyKept");
        QTest::newRow("replacing the file") << false << 0 << u"Ошибка ввода-вывода"_s << false;
        QTest::newRow("in place, the copy of the old bytes")
            << true << 0 << u"копию прежнего содержимого"_s << false;
        // The copy and its folder synced, then the new bytes fail.
        QTest::newRow("in place, the new bytes and their restore")
            << true << 2 << u"Прежнее содержимое файла сохранено в"_s << true;
    }
    void failedSyncIsAFailedSave()
    {
        QFETCH(bool, hardLink);
        QFETCH(int, successfulSyncs);
        QFETCH(QString, reason);
        QFETCH(bool, copyKept);
        const QString folder = path(u"docs"_s);
        const QString temporary = path(u"temporary"_s);
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QDir().mkpath(temporary));
        const QString file = folder + u"/a.qpl"_s;
        writeFile(file, "old content");
        if (hardLink)
            QCOMPARE(::link(native(file).constData(), native(folder + u"/b.qpl"_s).constData()), 0);

        const Saved result =
            saveInChild(file, "new",
                        {QStringLiteral("LD_PRELOAD=" BP_SYNC_FAILURE_SHIM),
                         u"BP_SUCCESSFUL_SYNCS=%1"_s.arg(successfulSyncs),
                         u"BP_TEST_PREVIOUS_FOLDER="_s + temporary,
                         u"ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0"_s});

        QVERIFY2(!result.ok, qPrintable(result.message));
        QVERIFY2(result.message.contains(reason), qPrintable(result.message));
        QCOMPARE(readFile(file), QByteArray("old content"));
        QCOMPARE(entries(folder).size(), hardLink ? 2 : 1);
        const QStringList copies = entries(temporary);
        QCOMPARE(copies.size(), copyKept ? 1 : 0);
        if (copyKept) {
            QVERIFY2(result.message.contains(temporary + u'/' + copies[0]),
                     qPrintable(result.message));
            const PreviousContent copy = readPreviousContent(temporary + u'/' + copies[0]);
            QCOMPARE(copy.bytes, QByteArray("old content"));
            QCOMPARE(copy.path, file);
        }
    }

    void immutableFileAndReadOnlyMountNameTheReason()
    {
        if (geteuid() != 0)
            QSKIP("mounting a file system needs the superuser");
        const QString mountPoint = path(u"mount"_s);
        QVERIFY(QDir().mkpath(mountPoint));
        const QByteArray point = native(mountPoint);
        if (::mount("brindlepad-test", point.constData(), "tmpfs", 0, "size=1m") != 0)
            QSKIP(qPrintable(u"the kernel refuses a tmpfs mount here: "_s +
                             QString::fromLocal8Bit(std::strerror(errno))));
        const auto unmount = qScopeGuard([&] { ::umount2(point.constData(), MNT_DETACH); });
        const QString file = mountPoint + u"/a.qpl"_s;
        writeFile(file, "old");

        auto saveFails = [&](const QString &reason) {
            try {
                writeFileAtomically(file, "new");
                QFAIL("the save was reported as done");
            } catch (const Error &error) {
                QVERIFY2(error.message().contains(reason) && error.message().count(file) == 1,
                         qPrintable(error.message()));
            }
            QCOMPARE(readFile(file), QByteArray("old"));
        };

        const int fd = ::open(native(file).constData(), O_RDONLY);
        int flags = 0;
        bool immutable = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (immutable) {
            flags |= FS_IMMUTABLE_FL;
            immutable = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (immutable) {
            saveFails(u"Операция не допускается"_s);
            flags &= ~FS_IMMUTABLE_FL;
            QCOMPARE(::ioctl(fd, FS_IOC_SETFLAGS, &flags), 0);
        } else {
            qWarning("the kernel refuses the immutable flag here; that case is not checked");
        }
        // An append-only file takes the new file's bytes but refuses the rename over it: the
        // system's reason is given in the program's language, not in English.
        flags |= FS_APPEND_FL;
        if (::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0) {
            try {
                writeFileAtomically(file, "new");
                QFAIL("the save was reported as done");
            } catch (const Error &error) {
                QVERIFY2(error.message().contains(u"Операция не допускается"_s) &&
                             !error.message().contains(u"Operation not permitted"_s),
                         qPrintable(error.message()));
            }
            flags &= ~FS_APPEND_FL;
            QCOMPARE(::ioctl(fd, FS_IOC_SETFLAGS, &flags), 0);
            QCOMPARE(readFile(file), QByteArray("old"));
        } else {
            qWarning("the kernel refuses the append-only flag here; that case is not checked");
        }
        ::close(fd);
        if (QTest::currentTestFailed())
            return;

        QCOMPARE(::mount(nullptr, point.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
        saveFails(u"Файловая система доступна только для чтения"_s);
    }
};

// `--write-file PATH TEXT` saves TEXT to PATH and prints the error, for tests that need
// another process (another user, a preloaded library).
static int writeFileMode(int argc, char **argv)
{
    if (argc != 4 || qstrcmp(argv[1], "--write-file") != 0)
        return -1;
    ignoreFileSizeSignal();
    setPreviousContentFolder(QFile::decodeName(qgetenv("BP_TEST_PREVIOUS_FOLDER")), u"2-2"_s);
    try {
        writeFileAtomically(QFile::decodeName(argv[2]), QByteArray(argv[3]));
    } catch (const Error &error) {
        std::fputs(error.message().toUtf8().constData(), stdout);
        return 1;
    }
    return 0;
}

BP_TEST(TestTextFile)
BP_TEST_PROGRAM({.beforeApplication = writeFileMode})

#include "tst_text_file.moc"
