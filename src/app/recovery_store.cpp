#include "recovery_store.h"

#include "common/error.h"
#include "platform/process_signals.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QUrl>

namespace bp {
namespace {

const QByteArray kFirstLine = QByteArrayLiteral("Brindlepad recovery 1");
const QString kSuffix = QStringLiteral(".recovery");

// The file's own names for the values it stores; a change here makes older files unreadable.
const std::pair<TextEncoding, QByteArray> kEncodingNames[] = {
    {TextEncoding::Ansi, QByteArrayLiteral("windows-1251")},
    {TextEncoding::Utf8, QByteArrayLiteral("utf-8")},
    {TextEncoding::Utf16LE, QByteArrayLiteral("utf-16le")},
    {TextEncoding::Utf16BE, QByteArrayLiteral("utf-16be")}};
const std::pair<LineBreakStyle, QByteArray> kBreakNames[] = {
    {LineBreakStyle::sffDos, QByteArrayLiteral("crlf")},
    {LineBreakStyle::sffUnix, QByteArrayLiteral("lf")},
    {LineBreakStyle::sffMac, QByteArrayLiteral("cr")},
    {LineBreakStyle::sffUnicode, QByteArrayLiteral("u2028")}};
// The text itself is UTF-8, unless it holds a lone surrogate, which only UTF-16 keeps.
const QByteArray kBodyUtf8 = QByteArrayLiteral("utf-8");
const QByteArray kBodyUtf16 = QByteArrayLiteral("utf-16le");

template <typename Value, std::size_t N>
QByteArray nameOf(const std::pair<Value, QByteArray> (&names)[N], Value value)
{
    for (const auto &[known, name] : names)
        if (known == value)
            return name;
    return {};
}

bool hasLoneSurrogate(QStringView line)
{
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar unit = line[i];
        if (unit.isHighSurrogate()) {
            if (i + 1 == line.size() || !line[i + 1].isLowSurrogate())
                return true;
            ++i;
        } else if (unit.isLowSurrogate()) {
            return true;
        }
    }
    return false;
}

bool anyLoneSurrogate(const TEditorLines &lines)
{
    for (int i = 0; i < lines.Count(); ++i)
        if (hasLoneSurrogate(lines.view(i)))
            return true;
    return false;
}

// The owner named by a file name "<pid>-<start>.recovery"; false for any other name.
bool parseOwner(const QString &fileName, qint64 &pid, qint64 &startMs)
{
    if (!fileName.endsWith(kSuffix))
        return false;
    const QStringView stem = QStringView(fileName).chopped(kSuffix.size());
    const qsizetype dash = stem.indexOf(u'-');
    if (dash <= 0)
        return false;
    bool pidOk = false;
    bool startOk = false;
    pid = stem.left(dash).toLongLong(&pidOk);
    startMs = stem.mid(dash + 1).toLongLong(&startOk);
    return pidOk && startOk && pid > 0;
}

} // namespace

RecoveryStore::RecoveryStore(QString folder)
    : RecoveryStore(std::move(folder), processRunning, QCoreApplication::applicationPid(),
                    QDateTime::currentMSecsSinceEpoch())
{}

RecoveryStore::RecoveryStore(QString folder, ProcessCheck running, qint64 pid, qint64 startMs)
    : m_folder(std::move(folder)), m_running(std::move(running)), m_pid(pid), m_startMs(startMs)
{}

QString RecoveryStore::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/recovery");
}

QString RecoveryStore::ownFile() const
{
    return QDir(m_folder).filePath(QStringLiteral("%1-%2").arg(m_pid).arg(m_startMs) + kSuffix);
}

void RecoveryStore::write(const QString &documentName, const TEditorLines &lines) const
{
    const QString path = ownFile();
    const QString reasonPrefix =
        QStringLiteral("Не удалось записать файл восстановления \"%1\". ").arg(path);
    if (!QDir().mkpath(m_folder))
        throw Error(reasonPrefix +
                    QStringLiteral("Не удалось создать папку \"%1\".").arg(m_folder));
    // Unsaved texts are nobody else's business.
    QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const bool wide = anyLoneSurrogate(lines);
    QByteArray header = kFirstLine + '\n';
    header += "name=" + QUrl::toPercentEncoding(documentName) + '\n';
    header += "encoding=" + nameOf(kEncodingNames, lines.encoding()) + '\n';
    header += "breaks=" + nameOf(kBreakNames, lines.breakStyle()) + '\n';
    header += "body=" + (wide ? kBodyUtf16 : kBodyUtf8) + '\n';
    header += "time=" + QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + '\n';
    header += "lines=" + QByteArray::number(lines.Count()) + "\n\n";

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(reasonPrefix + file.errorString());
    auto put = [&](const char *data, qint64 size) {
        if (file.write(data, size) != size) {
            const QString reason = file.errorString();
            file.cancelWriting();
            throw Error(reasonPrefix + reason);
        }
    };
    put(header.constData(), header.size());

    // One buffer, reused for every line: the text is never held a second time in full.
    QStringEncoder encoder(wide ? QStringEncoder::Utf16LE : QStringEncoder::Utf8,
                           QStringEncoder::Flag::Stateless);
    const QByteArray lineFeed = wide ? QByteArray("\n\0", 2) : QByteArray("\n");
    QByteArray buffer;
    for (int i = 0; i < lines.Count(); ++i) {
        const QStringView line = lines.view(i);
        const qsizetype needed = encoder.requiredSpace(line.size()) + lineFeed.size();
        if (buffer.size() < needed)
            buffer.resize(needed);
        char *end = buffer.data();
        if (i > 0)
            end = std::copy(lineFeed.cbegin(), lineFeed.cend(), end);
        end = encoder.appendToBuffer(end, line);
        put(buffer.constData(), end - buffer.constData());
    }
    if (!file.commit())
        throw Error(reasonPrefix + file.errorString());
}

void RecoveryStore::removeOwn() const
{
    QFile::remove(ownFile());
}

QStringList RecoveryStore::leftOver() const
{
    // Every kind of entry: a directory or a pipe under a recovery file's name is reported
    // as unreadable, not skipped.
    const QFileInfoList entries = QDir(m_folder).entryInfoList(
        {QStringLiteral("*") + kSuffix},
        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Time);
    QStringList paths;
    for (const QFileInfo &entry : entries) {
        qint64 pid = 0;
        qint64 startMs = 0;
        if (!parseOwner(entry.fileName(), pid, startMs))
            continue;
        // A process that has this instance's id and another start time has ended: the id
        // was free to be given again.
        const bool ownerRuns = pid == m_pid ? startMs == m_startMs : m_running(pid);
        if (!ownerRuns)
            paths << entry.filePath();
    }
    return paths;
}

RecoveredText RecoveryStore::read(const QString &path)
{
    auto unreadable = [&](const QString &reason) {
        return Error(
            QStringLiteral("Файл восстановления \"%1\" не прочитан: %2.").arg(path, reason));
    };
    const QFileInfo info(path);
    if (!info.isFile())
        throw unreadable(QStringLiteral("это не обычный файл"));
    // The largest document in UTF-16, with room for the header.
    if (info.size() > 2 * kMaxTextFileBytes + qint64{64} * 1024)
        throw unreadable(QStringLiteral("файл слишком велик"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw unreadable(file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw unreadable(file.errorString());

    const qsizetype headerEnd = bytes.indexOf("\n\n");
    if (!bytes.startsWith(QByteArray(kFirstLine + '\n')) || headerEnd < 0)
        throw unreadable(QStringLiteral("нет заголовка файла восстановления"));
    QHash<QByteArray, QByteArray> fields;
    const QList<QByteArray> headerLines = bytes.left(headerEnd).split('\n');
    for (qsizetype i = 1; i < headerLines.size(); ++i) {
        const qsizetype equals = headerLines[i].indexOf('=');
        if (equals <= 0)
            throw unreadable(QStringLiteral("повреждён заголовок"));
        fields.insert(headerLines[i].left(equals), headerLines[i].mid(equals + 1));
    }
    auto field = [&](const char *key) {
        const auto found = fields.constFind(QByteArray(key));
        if (found == fields.cend())
            throw unreadable(QStringLiteral("в заголовке нет поля \"%1\"").arg(QLatin1String(key)));
        return *found;
    };
    auto badValue = [&](const char *key) {
        return unreadable(QStringLiteral("неверное значение поля \"%1\"").arg(QLatin1String(key)));
    };
    auto lookUp = [&](const auto &names, const char *key) {
        const QByteArray value = field(key);
        for (const auto &[known, name] : names)
            if (name == value)
                return known;
        throw badValue(key);
    };

    RecoveredText result;
    result.documentName = QUrl::fromPercentEncoding(field("name"));
    result.encoding = lookUp(kEncodingNames, "encoding");
    result.breakStyle = lookUp(kBreakNames, "breaks");
    bool ok = false;
    const qint64 timeMs = field("time").toLongLong(&ok);
    if (!ok)
        throw badValue("time");
    result.writtenAt = QDateTime::fromMSecsSinceEpoch(timeMs);
    const qint64 lineCount = field("lines").toLongLong(&ok);
    if (!ok || lineCount < 0)
        throw badValue("lines");
    const QByteArray bodyName = field("body");
    if (bodyName != kBodyUtf8 && bodyName != kBodyUtf16)
        throw badValue("body");

    const QByteArrayView body = QByteArrayView(bytes).sliced(headerEnd + 2);
    const bool wide = bodyName == kBodyUtf16;
    if (wide && body.size() % 2 != 0)
        throw unreadable(QStringLiteral("текст обрезан"));
    QStringDecoder decoder(wide ? QStringDecoder::Utf16LE : QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(body);
    if (decoder.hasError())
        throw unreadable(QStringLiteral("текст повреждён"));

    // An empty text is no line at all when the count says so, and one empty line otherwise.
    if (lineCount > 0) {
        qsizetype start = 0;
        for (;;) {
            const qsizetype feed = text.indexOf(u'\n', start);
            result.lines.push_back(text.mid(start, feed < 0 ? -1 : feed - start));
            if (feed < 0)
                break;
            start = feed + 1;
        }
    }
    if (qint64(result.lines.size()) != lineCount || (lineCount == 0 && !text.isEmpty()))
        throw unreadable(QStringLiteral("число строк не совпадает с заголовком"));
    return result;
}

void RecoveryStore::adopt(const QString &path) const
{
    const QString own = ownFile();
    if (path == own)
        return;
    QFile::remove(own);
    if (!QDir().rename(path, own))
        throw Error(QStringLiteral("Не удалось переименовать файл восстановления \"%1\" в \"%2\".")
                        .arg(path, own));
}

void RecoveryStore::remove(const QString &path)
{
    if (!QFile::remove(path) && QFileInfo::exists(path))
        throw Error(QStringLiteral("Не удалось удалить файл восстановления \"%1\".").arg(path));
}

QString RecoveryStore::setAside(const QString &path)
{
    QString target = path + QStringLiteral(".bad");
    QFile::remove(target);
    if (!QDir().rename(path, target))
        throw Error(QStringLiteral("Не удалось переименовать файл восстановления \"%1\" в \"%2\".")
                        .arg(path, target));
    return target;
}

} // namespace bp
