#include "about/manifest_file.h"
#include "about/update_check.h"
#include "about/update_manifest.h"
#include "about/version_number.h"
#include "common/error.h"
#include "test_http_server.h"
#include "test_runner.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
#endif

using namespace bp;

Q_DECLARE_METATYPE(bp::VersionNumber)

namespace {

const QString kNotAManifest = u"ответ сервера не является описанием версии программы"_s;

// The manifest an earlier check left.
QByteArray oldManifest()
{
    return manifestBody("1.0.0.7");
}

QString failedText(const QString &reason)
{
    return u"Не удалось проверить обновления:\n"_s + reason;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// Sets an environment variable for one test and puts the old value back afterwards.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char *name, const std::optional<QByteArray> &value)
        : m_name(name),
          m_old(qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name))
                                                : std::nullopt)
    {
        set(value);
    }
    ~ScopedEnvironment() { set(m_old); }

private:
    void set(const std::optional<QByteArray> &value)
    {
        if (value)
            qputenv(m_name, *value);
        else
            qunsetenv(m_name);
    }
    const char *m_name;
    std::optional<QByteArray> m_old;
};

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFF;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
    }
    return ~crc;
}

// `bytes` in the gzip format: its header, the raw deflate stream that qCompress holds between
// its length, zlib header and checksum, then the CRC-32 and the size.
QByteArray gzipped(const QByteArray &bytes)
{
    const QByteArray zlib = qCompress(bytes, 9);
    QByteArray result("\x1F\x8B\x08\0\0\0\0\0\0\xFF", 10);
    result += zlib.mid(6, zlib.size() - 10);
    for (const quint32 value : {crc32(bytes), quint32(bytes.size())})
        for (int shift = 0; shift < 32; shift += 8)
            result += char(value >> shift & 0xFF);
    return result;
}

// The server's pages for the check: the manifest of any version, chains of redirects,
// error statuses, a cookie handed out on a redirect, and answers that are no manifest.
TestHttpServer::Response route(const TestHttpServer::Request &request)
{
    const QByteArray path = request.path;
    TestHttpServer::Response response;
    if (path.startsWith("/v/")) {
        response.body = manifestBody(QByteArray::fromPercentEncoding(path.mid(3)));
    } else if (path.startsWith("/hop/")) {
        const int left = path.mid(5).toInt();
        if (left == 0)
            response.body = manifestBody("1.3.2");
        else
            response = TestHttpServer::redirect("/hop/" + QByteArray::number(left - 1));
    } else if (path.startsWith("/status/")) {
        response.status = path.mid(8).toInt();
        response.body = "<html><body>no</body></html>";
    } else if (path == "/login") {
        response = TestHttpServer::redirect("/v/1.3.2");
        response.headers.append({QByteArray("Set-Cookie"), QByteArray("session=abc; Path=/")});
    } else if (path == "/slow") {
        response.body = manifestBody("9.9.9.9");
        response.trickleMs = 1000;
    } else if (path == "/huge") {
        response.body = QByteArray(5 * 1024 * 1024, 'x');
    } else if (path == "/malformed") {
        response.body = "<Brindlepad><Program_Info><Program_Version>9.0</Program_Info>";
    } else if (path == "/element") {
        response.body = "<a><Program_Info><Program_Version><b>9.0</b></Program_Version>"
                        "</Program_Info></a>";
    } else if (path == "/noinfo") {
        response.body = "<a><Program_Version>9.0</Program_Version></a>";
    } else if (path == "/noversion") {
        response.body = "<a><Program_Info><Version>9.0</Version></Program_Info></a>";
    } else if (path == "/deep") {
        response.body = QByteArray("<a>").repeated(20000) + QByteArray("</a>").repeated(20000);
    } else if (path == "/overflow") {
        response.body = manifestBody("1.2147483648");
    } else if (path.startsWith("/sized/")) {
        // A manifest of exactly this many bytes: blanks after the document element.
        response.body = manifestBody("1.3.2");
        response.body += QByteArray(path.mid(7).toLongLong() - response.body.size(), ' ');
    } else if (path.startsWith("/gzip/") || path.startsWith("/deflate/")) {
        // A small answer that unpacks to this many bytes: a compression bomb when large.
        const bool gzip = path.startsWith("/gzip/");
        const QByteArray unpacked =
            manifestBody("1.3.2") + QByteArray(path.mid(gzip ? 6 : 9).toLongLong(), ' ');
        response.body = gzip ? gzipped(unpacked) : qCompress(unpacked, 9).mid(4);
        response.headers.append(
            {QByteArray("Content-Encoding"), QByteArray(gzip ? "gzip" : "deflate")});
    } else if (path == "/badgzip") {
        response.body = "<not packed at all>";
        response.headers.append({QByteArray("Content-Encoding"), QByteArray("gzip")});
    } else if (path == "/cut") {
        // Promises more than it sends.
        response.body = manifestBody("1.3.2");
        response.contentLength = response.body.size() + 100;
    } else {
        response.status = 404;
    }
    return response;
}

} // namespace

class TestUpdateCheck : public QObject
{
    Q_OBJECT

    TestHttpServer m_server;

    // Runs one check against `url` with TEMP in a fresh folder; returns the result.
    std::optional<UpdateCheckResult> check(UpdateCheck &check, const QUrl &url,
                                           const QTemporaryDir &temp,
                                           const VersionNumber &local = {1, 3, 1, 0})
    {
        ScopedEnvironment address(kUpdateUrlVariable, url.toEncoded());
        ScopedEnvironment folder("TEMP", QFile::encodeName(temp.path()));
        std::optional<UpdateCheckResult> result;
        const QMetaObject::Connection connection = QObject::connect(
            &check, &UpdateCheck::finished, [&](const UpdateCheckResult &r) { result = r; });
        check.start(local);
        if (!check.isRunning())
            qWarning("the check did not start");
        // Start returns at once: the answer comes through this test's own event loop, which
        // also runs the server.
        [&] { QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 60000); }();
        QObject::disconnect(connection);
        return result;
    }

private slots:
    void initTestCase() { m_server.handler = route; }

    void versionLine_data()
    {
        QTest::addColumn<VersionNumber>("version");
        QTest::addColumn<QString>("line");
        QTest::newRow("release shown") << VersionNumber{1, 3, 1, 0} << u"Версия 1.3.1"_s;
        QTest::newRow("zero release and build hidden")
            << VersionNumber{2, 0, 0, 0} << u"Версия 2.0"_s;
        QTest::newRow("build brings the zero release")
            << VersionNumber{1, 2, 0, 5} << u"Версия 1.2.0.5"_s;
        QTest::newRow("no version resource") << VersionNumber{} << u"Версия 0.0"_s;
        QTest::newRow("largest components")
            << VersionNumber{65535, 65535, 65535, 65535} << u"Версия 65535.65535.65535.65535"_s;
    }
    void versionLine()
    {
        QFETCH(VersionNumber, version);
        QFETCH(QString, line);
        QCOMPARE(bp::versionLine(version), line);
    }

    void parseVersionText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<VersionNumber>("version");
        QTest::newRow("four components") << u"1.3.1.0"_s << VersionNumber{1, 3, 1, 0};
        QTest::newRow("missing components are 0") << u"1.3.2"_s << VersionNumber{1, 3, 2, 0};
        QTest::newRow("any separator") << u"2015 build 7"_s << VersionNumber{2015, 7, 0, 0};
        QTest::newRow("leading zeros") << u"007.0010.00"_s << VersionNumber{7, 10, 0, 0};
        QTest::newRow("runs after the fourth ignored")
            << u"1.2.3.4.5.99999999999"_s << VersionNumber{1, 2, 3, 4};
        QTest::newRow("no digits") << u"beta"_s << VersionNumber{};
        QTest::newRow("empty") << QString() << VersionNumber{};
        QTest::newRow("non-ASCII digits separate runs")
            << u"1\u0663.\uFF12.4"_s << VersionNumber{1, 4, 0, 0};
        QTest::newRow("largest run") << u"2147483647"_s << VersionNumber{2147483647, 0, 0, 0};
    }
    void parseVersionText()
    {
        QFETCH(QString, text);
        QFETCH(VersionNumber, version);
        QCOMPARE(bp::parseVersionText(text), version);
    }

    void runAboveInt32IsAFailure_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("2^31") << u"1.2147483648"_s;
        QTest::newRow("leading zeros do not hide it") << u"0002147483648"_s;
        QTest::newRow("far beyond 64 bits") << u"99999999999999999999999999"_s;
    }
    void runAboveInt32IsAFailure()
    {
        QFETCH(QString, text);
        QVERIFY_THROWS_EXCEPTION(Error, bp::parseVersionText(text));
    }

    void versionsCompareByComponent_data()
    {
        QTest::addColumn<VersionNumber>("local");
        QTest::addColumn<QString>("remote");
        QTest::addColumn<bool>("newer");
        QTest::newRow("same version") << VersionNumber{1, 3, 1, 0} << u"1.3.1.0"_s << false;
        QTest::newRow("newer release") << VersionNumber{1, 3, 1, 0} << u"1.3.2"_s << true;
        QTest::newRow("large build is not a newer release")
            << VersionNumber{1, 2, 4, 0} << u"1.2.3.150"_s << false;
        QTest::newRow("major beyond the old sums' range")
            << VersionNumber{1, 0, 0, 0} << u"2148.0.0.0"_s << true;
        QTest::newRow("older major, larger minor")
            << VersionNumber{2, 0, 0, 0} << u"1.99.99.99"_s << false;
        QTest::newRow("no version resource, any version is newer")
            << VersionNumber{} << u"0.0.0.1"_s << true;
        QTest::newRow("text without digits is never newer")
            << VersionNumber{} << u"none"_s << false;
    }
    void versionsCompareByComponent()
    {
        QFETCH(VersionNumber, local);
        QFETCH(QString, remote);
        QFETCH(bool, newer);
        QCOMPARE(local < bp::parseVersionText(remote), newer);
    }

    void manifestVersionText_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << manifestBody("1.3.1.0") << u"1.3.1.0"_s;
        QTest::newRow("other elements, attributes and text ignored")
            << QByteArray("<r x='1'>t<News/><Program_Info a='b'><Name>x</Name>"
                          "<Program_Version kind='file'> 2.0 </Program_Version></Program_Info></r>")
            << u" 2.0 "_s;
        QTest::newRow("first Program_Info only")
            << QByteArray("<r><Program_Info/><Program_Info><Program_Version>9</Program_Version>"
                          "</Program_Info></r>")
            << QString();
        QTest::newRow("first Program_Version only")
            << QByteArray("<r><Program_Info><Program_Version>1</Program_Version>"
                          "<Program_Version>9</Program_Version></Program_Info></r>")
            << u"1"_s;
        QTest::newRow("missing Program_Version reads empty")
            << QByteArray("<r><Program_Info><Version>9</Version></Program_Info></r>") << QString();
        QTest::newRow("Program_Version deeper down is not the child")
            << QByteArray("<r><Program_Info><x><Program_Version>9</Program_Version></x>"
                          "</Program_Info></r>")
            << QString();
        QTest::newRow("character references") << QByteArray("<r><Program_Info><Program_Version>"
                                                            "1&#46;2</Program_Version>"
                                                            "</Program_Info></r>")
                                              << u"1.2"_s;
    }
    void manifestVersionText()
    {
        QFETCH(QByteArray, document);
        QFETCH(QString, text);
        QBuffer buffer(&document);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QCOMPARE(readManifestVersionText(buffer), text);
    }

    void notAManifest_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not XML") << QByteArray("<html><body>moved</body>");
        QTest::newRow("badly formed after the version")
            << QByteArray("<r><Program_Info><Program_Version>1</Program_Version>"
                          "</Program_Info><x></r>");
        QTest::newRow("missing Program_Info")
            << QByteArray("<r><Program_Version>9</Program_Version></r>");
        QTest::newRow("Program_Info not a child of the document element")
            << QByteArray("<r><x><Program_Info><Program_Version>9</Program_Version>"
                          "</Program_Info></x></r>");
        QTest::newRow("element content")
            << QByteArray("<r><Program_Info><Program_Version><b>9</b></Program_Version>"
                          "</Program_Info></r>");
        QTest::newRow("document type with entities")
            << QByteArray("<!DOCTYPE r [<!ENTITY a \"1.2\">]><r><Program_Info>"
                          "<Program_Version>&a;</Program_Version></Program_Info></r>");
        QTest::newRow("external entity")
            << QByteArray("<!DOCTYPE r [<!ENTITY a SYSTEM \"file:///etc/passwd\">]><r>"
                          "<Program_Info><Program_Version>&a;</Program_Version>"
                          "</Program_Info></r>");
        QTest::newRow("nesting too deep") << QByteArray("<a>").repeated(kMaxManifestDepth + 1) +
                                                 QByteArray("</a>").repeated(kMaxManifestDepth + 1);
    }
    void notAManifest()
    {
        QFETCH(QByteArray, document);
        QBuffer buffer(&document);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        try {
            readManifestVersionText(buffer);
            QFAIL("the document was read as a manifest");
        } catch (const Error &error) {
            QCOMPARE(error.message(), kNotAManifest);
        }
    }

    void manifestFolderFromTemp()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"plain-file"_s);
        QFile(file).open(QIODevice::WriteOnly);
        const struct
        {
            const char *name;
            std::optional<QByteArray> value;
            QString folder;
        } rows[] = {
            {"set", QFile::encodeName(dir.path()), dir.path()},
            {"unset", std::nullopt, QDir::tempPath()},
            {"empty", QByteArray(), QDir::tempPath()},
            {"not a folder", QFile::encodeName(file), QDir::tempPath()},
        };
        for (const auto &row : rows) {
            ScopedEnvironment temp("TEMP", row.value);
            QVERIFY2(manifestFolder() == row.folder, row.name);
            QVERIFY2(manifestPath() == row.folder + u"/brindlepad.xml"_s, row.name);
        }
    }

#ifdef Q_OS_UNIX
    void plantedLinkIsReplacedNotFollowed()
    {
        QTemporaryDir dir;
        const QString victim = dir.filePath(u"victim.txt"_s);
        QFile out(victim);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("precious");
        out.close();
        const QString manifest = dir.filePath(u"brindlepad.xml"_s);
        QVERIFY(QFile::link(victim, manifest));

        ManifestFile file(dir.path());
        file.write(manifestBody("1.0"));
        file.commit();

        QCOMPARE(readAll(victim), QByteArray("precious"));
        QVERIFY(!QFileInfo(manifest).isSymLink());
        QCOMPARE(readAll(manifest), manifestBody("1.0"));
        QCOMPARE(folderEntries(dir.path()), QStringList({u"brindlepad.xml"_s, u"victim.txt"_s}));
    }

    void uncommittedFileLeavesNothing()
    {
        QTemporaryDir dir;
        {
            ManifestFile file(dir.path());
            file.write("partial");
        }
        QCOMPARE(folderEntries(dir.path()), QStringList());
    }

    void unwritableFolderNamesPathAndReason()
    {
        QTemporaryDir dir;
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0500) == 0);
        // The superuser writes into any folder; the process file system is closed to anybody.
        const QString folder = ::geteuid() == 0 ? u"/proc"_s : dir.path();
        try {
            ManifestFile file(folder);
            QFAIL("a file was created in an unwritable folder");
        } catch (const Error &error) {
            QVERIFY2(error.message().startsWith(u"Не удалось создать файл \""_s + folder +
                                                u"/brindlepad.xml\". "_s),
                     qPrintable(error.message()));
            QVERIFY2(!error.message().endsWith(u"\". "_s), "no reason given");
        }
        ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    }
#endif

    // Each check starts with a good manifest kept from an earlier one: only a readable answer
    // takes its place, and nothing else is left in the folder.
    void checkAgainstServer_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("deadlineMs");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("manifest");

        const QString newer = QStringLiteral("На сайте имеется новая версия!\n"
                                             "Открыть веб-сайт программы для загрузки новой "
                                             "версии?");
        const QString latest = u"Вы используете последнюю версию Brindlepad"_s;
        const QByteArray old = oldManifest();
        const int normal = 30000;
        const QString mebibyte = QString::number(1024 * 1024);
        const QString tooLarge = failedText(u"ответ сервера больше 1 МиБ"_s);
        QTest::newRow("newer version") << u"/v/1.3.2"_s << normal << newer << manifestBody("1.3.2");
        QTest::newRow("same version")
            << u"/v/1.3.1.0"_s << normal << latest << manifestBody("1.3.1.0");
        QTest::newRow("older version")
            << u"/v/1.2.99"_s << normal << latest << manifestBody("1.2.99");
        QTest::newRow("15 redirects followed")
            << u"/hop/15"_s << normal << newer << manifestBody("1.3.2");
        QTest::newRow("16 redirects refused")
            << u"/hop/16"_s << normal << failedText(u"слишком много перенаправлений (больше 15)"_s)
            << old;
        QTest::newRow("status 404")
            << u"/status/404"_s << normal << failedText(u"сервер ответил кодом 404"_s) << old;
        QTest::newRow("status 500")
            << u"/status/500"_s << normal << failedText(u"сервер ответил кодом 500"_s) << old;
        QTest::newRow("connection refused")
            << u"refused"_s << normal << failedText(u"нет соединения с сервером 127.0.0.1"_s)
            << old;
        QTest::newRow("one byte a second meets the deadline")
            << u"/slow"_s << 1500 << failedText(u"сервер 127.0.0.1 не ответил за 1500 мс"_s) << old;
        QTest::newRow("body over 1 MiB") << u"/huge"_s << normal << tooLarge << old;
        QTest::newRow("body of exactly 1 MiB")
            << u"/sized/"_s + mebibyte << normal << newer
            << route({"GET", "/sized/" + mebibyte.toLatin1(), {}}).body;
        QTest::newRow("body of 1 MiB and one byte")
            << u"/sized/"_s + QString::number(1024 * 1024 + 1) << normal << tooLarge << old;
        QTest::newRow("gzip answer unpacked")
            << u"/gzip/100"_s << normal << newer << manifestBody("1.3.2") + QByteArray(100, ' ');
        const QString notUnpacked = failedText(QStringLiteral(
            "сжатый ответ сервера не распаковывается: он поврежден или после распаковки больше "
            "1 МиБ"));
        QTest::newRow("gzip bomb")
            << u"/gzip/"_s + QString::number(200 * 1024 * 1024) << normal << notUnpacked << old;
        QTest::newRow("deflate bomb")
            << u"/deflate/"_s + QString::number(200 * 1024 * 1024) << normal << notUnpacked << old;
        QTest::newRow("gzip answer that does not unpack")
            << u"/badgzip"_s << normal << notUnpacked << old;
        QTest::newRow("answer cut short")
            << u"/cut"_s << normal
            << failedText(QStringLiteral("соединение с сервером 127.0.0.1 прервалось до конца "
                                         "ответа"))
            << old;
        QTest::newRow("malformed XML")
            << u"/malformed"_s << normal << failedText(kNotAManifest) << old;
        QTest::newRow("element content in Program_Version")
            << u"/element"_s << normal << failedText(kNotAManifest) << old;
        QTest::newRow("missing Program_Info")
            << u"/noinfo"_s << normal << failedText(kNotAManifest) << old;
        QTest::newRow("deeply nested document")
            << u"/deep"_s << normal << failedText(kNotAManifest) << old;
        QTest::newRow("missing Program_Version reads as version 0")
            << u"/noversion"_s << normal << latest << route({"GET", "/noversion", {}}).body;
        QTest::newRow("version run above 2^31-1")
            << u"/overflow"_s << normal
            << failedText(u"номер версии в ответе сервера слишком велик"_s) << old;
    }
    void checkAgainstServer()
    {
        QFETCH(QString, path);
        QFETCH(int, deadlineMs);
        QFETCH(QString, text);
        QFETCH(QByteArray, manifest);

        QTemporaryDir temp;
        {
            QFile kept(temp.filePath(u"brindlepad.xml"_s));
            QVERIFY(kept.open(QIODevice::WriteOnly));
            kept.write(oldManifest());
        }
        UpdateCheck updateCheck;
        updateCheck.setDeadline(std::chrono::milliseconds(deadlineMs));
        const QUrl url =
            path == u"refused" ? TestHttpServer::refusingUrl(u"/v/2.0"_s) : m_server.url(path);
        const std::optional<UpdateCheckResult> result = check(updateCheck, url, temp);
        QVERIFY(result);
        QVERIFY2(result->text() == text, qPrintable(result->text()));
        QVERIFY(!updateCheck.isRunning());
        QCOMPARE(folderEntries(temp.path()), QStringList(u"brindlepad.xml"_s));
        QVERIFY(readAll(temp.filePath(u"brindlepad.xml"_s)) == manifest);
    }

    void requestCarriesTheHeaders()
    {
        QTemporaryDir temp;
        UpdateCheck updateCheck;
        m_server.requests.clear();
        QVERIFY(check(updateCheck, m_server.url(u"/v/1.0"_s), temp));
        QCOMPARE(m_server.requests.size(), 1);
        const TestHttpServer::Request &request = m_server.requests.constFirst();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path, QByteArray("/v/1.0"));
        QCOMPARE(request.headers.value("accept"), QByteArray("text/html, */*"));
        QCOMPARE(request.headers.value("user-agent"),
                 QByteArray("Mozilla/3.0 (compatible; Indy Library)"));
    }

    void cookieOfARedirectIsKeptForTheRun()
    {
        QTemporaryDir temp;
        UpdateCheck updateCheck;
        m_server.requests.clear();
        QVERIFY(check(updateCheck, m_server.url(u"/login"_s), temp));
        QCOMPARE(m_server.requests.size(), 2);
        QCOMPARE(m_server.requests[0].headers.value("cookie"), QByteArray());
        QCOMPARE(m_server.requests[1].path, QByteArray("/v/1.3.2"));
        QCOMPARE(m_server.requests[1].headers.value("cookie"), QByteArray("session=abc"));

        // The next check of the same run sends it from its first request on.
        QVERIFY(check(updateCheck, m_server.url(u"/v/1.0"_s), temp));
        QCOMPARE(m_server.requests.size(), 3);
        QCOMPARE(m_server.requests[2].headers.value("cookie"), QByteArray("session=abc"));
    }

    void abandonedCheckReportsNothingAndLeavesNothing()
    {
        QTemporaryDir temp;
        ScopedEnvironment address(kUpdateUrlVariable, m_server.url(u"/slow"_s).toEncoded());
        ScopedEnvironment folder("TEMP", QFile::encodeName(temp.path()));
        UpdateCheck updateCheck;
        int reports = 0;
        connect(&updateCheck, &UpdateCheck::finished, this, [&] { ++reports; });
        m_server.requests.clear();
        updateCheck.start({1, 0, 0, 0});
        QTRY_COMPARE_WITH_TIMEOUT(m_server.requests.size(), 1, 60000);
        updateCheck.abandon();
        QVERIFY(!updateCheck.isRunning());
        QCoreApplication::processEvents();
        QCOMPARE(reports, 0);
        QCOMPARE(folderEntries(temp.path()), QStringList());
    }

    void wrongUpdateAddressIsRefusedBeforeAnyFile()
    {
        QTemporaryDir temp;
        ScopedEnvironment address(kUpdateUrlVariable, "ftp://127.0.0.1/brindlepad.xml");
        ScopedEnvironment folder("TEMP", QFile::encodeName(temp.path()));
        UpdateCheck updateCheck;
        QVERIFY_THROWS_EXCEPTION(Error, updateCheck.start({1, 0, 0, 0}));
        QVERIFY(!updateCheck.isRunning());
        QCOMPARE(folderEntries(temp.path()), QStringList());
    }

    void addressesOfTheMakersSite()
    {
        ScopedEnvironment address(kUpdateUrlVariable, std::nullopt);
        QCOMPARE(manifestUrl().path(), u"/download/brindle_pad/brindlepad.xml"_s);
        QCOMPARE(manifestUrl().scheme(), u"http"_s);
        QCOMPARE(downloadPageUrl().path(), u"/ru/brindle-pad/download.html"_s);
        QCOMPARE(downloadPageUrl().host(), manifestUrl().host());
    }
};

BP_TEST(TestUpdateCheck)

#include "tst_update_check.moc"
