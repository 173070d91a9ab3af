#include "recovery_store.h"

#include "common/error.h"
#include "common/previous_content.h"
#include "common/text_file.h"
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

#include <cerrno>

namespace bp {
namespace {

const QByteArray kFirstLine = QByteArrayLiteral("Brindlepad recovery 1");
const QString kSuffix = QStringLiteral(".recovery");

// The file's own names for the values it stores; a change here makes older files unreadable.
const std::pair<TextEncoding, QByteArray> kEncodingNames[] = {
    {TextEncoding::Ansi, QByteArrayLiteral("windows-1251")},
    {TextEncoding::Utf8, QByteArrayLiteral("utf-8")},
    {TextEncoding::Utf8NoMark, QByteArrayLiteral("utf-8-nomark")},
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
    // Every value is written under a name of its own: one without would make the file
    // unreadable, and its text would never be offered back.
    Q_ASSERT_X(false, "nameOf", "a value without a stored name");
    return {};
}

bool anyLoneSurrogate(const std::vector<QString> &lines)
{
    for (const QString &line : lines)
        if (hasLoneSurrogate(line))
            return true;
    return false;
}

const QString kPreviousSuffix = QLatin1String(kPreviousContentSuffix);

// The owner named by a file name "<pid>-<start>.recovery" or "<pid>-<start>-<n>.previous";
// false for any other name.
bool parseOwner(const QString &fileName, qint64 &pid, qint64 &startMs)
{
    QStringView stem;
    if (fileName.endsWith(kSuffix)) {
        stem = QStringView(fileName).chopped(kSuffix.size());
    } else if (fileName.endsWith(kPreviousSuffix)) {
        stem = QStringView(fileName).chopped(kPreviousSuffix.size());
        const qsizetype lastDash = stem.lastIndexOf(u'-');
        if (lastDash <= 0)
            return false;
        stem = stem.left(lastDash);
    } else {
        return false;
    }
    const qsizetype dash = stem.indexOf(u'-');
    if (dash <= 0)
        return false;
    bool pidOk = false;
    bool startOk = false;
    pid = stem.left(dash).toLongLong(&pidOk);
    startMs = stem.mid(dash + 1).toLongLong(&startOk);
    return pidOk && startOk && pid > 0;
}

// The file identity fields of the header; absent for a file that did not exist.
void putIdentity(QByteArray &header, const FileIdentity &identity)
{
    if (!identity.exists)
        return;
    header += "file-size=" + QByteArray::number(identity.size) + '\n';
    header += "file-time=" + QByteArray::number(identity.modifiedNs) + '\n';
    header += "file-number=" + QByteArray::number(identity.fileNumber) + '\n';
    header += "file-device=" + QByteArray::number(identity.device) + '\n';
}

// A copy of old bytes, decoded and cut into lines as reading the file would.
RecoveredText readPreviousCopy(const QString &path)
{
    const PreviousContent copy = readPreviousContent(path);
    const DecodedText decoded = decodeTextFile(copy.bytes, path);
    CutLines cut = cutIntoLines(decoded.text);
    RecoveredText result;
    result.documentName = copy.path;
    result.encoding = decoded.encoding;
    result.breakStyle = cut.style;
    result.writtenAt = copy.writtenAt;
    result.lines = std::move(cut.lines);
    // Restoring writes these bytes over the cut file on purpose: the save must not ask.
    result.basedOn = FileIdentity::of(copy.path);
    result.previousContent = true;
    return result;
}

} // namespace

RecoveredText takeSnapshot(const QString &documentName, const TEditorLines &lines,
                           const FileIdentity &basedOn)
{
    RecoveredText text;
    // Kept whole: a later start in another folder must restore into this very file.
    text.documentName =
        documentName.isEmpty() ? QString() : QFileInfo(documentName).absoluteFilePath();
    text.encoding = lines.encoding();
    text.breakStyle = lines.breakStyle();
    text.basedOn = basedOn;
    text.lines.reserve(lines.Count());
    for (int i = 0; i < lines.Count(); ++i)
        text.lines.push_back(lines[i]);
    return text;
}

RecoveryStore::RecoveryStore(QString folder)
    : RecoveryStore(std::move(folder), processRunsSince, QCoreApplication::applicationPid(),
                    processStartMs(QCoreApplication::applicationPid())
                        .value_or(QDateTime::currentMSecsSinceEpoch()))
{}

RecoveryStore::RecoveryStore(QString folder, ProcessCheck running, qint64 pid, qint64 startMs)
    : m_folder(std::move(folder)), m_running(std::move(running)), m_pid(pid), m_startMs(startMs)
{}

QString RecoveryStore::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/recovery");
}

QString RecoveryStore::ownerName() const
{
    return QStringLiteral("%1-%2").arg(m_pid).arg(m_startMs);
}

QString RecoveryStore::ownFile() const
{
    return QDir(m_folder).filePath(ownerName() + kSuffix);
}

void RecoveryStore::write(const QString &documentName, const TEditorLines &lines,
                          const FileIdentity &basedOn) const
{
    write(takeSnapshot(documentName, lines, basedOn));
}

void RecoveryStore::write(const RecoveredText &text) const
{
    const QString path = ownFile();
    const QString reasonPrefix =
        QStringLiteral("Не удалось записать файл восстановления \"%1\". ").arg(path);
    // Unsaved texts are nobody else's business: the folder is this user's alone.
    try {
        makePrivateFolder(m_folder);
    } catch (const Error &error) {
        throw Error(reasonPrefix + error.message());
    }

    const bool wide = anyLoneSurrogate(text.lines);
    QByteArray header = kFirstLine + '\n';
    header += "name=" + QUrl::toPercentEncoding(text.documentName) + '\n';
    header += "encoding=" + nameOf(kEncodingNames, text.encoding) + '\n';
    header += "breaks=" + nameOf(kBreakNames, text.breakStyle) + '\n';
    header += "body=" + (wide ? kBodyUtf16 : kBodyUtf8) + '\n';
    header += "time=" + QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + '\n';
    putIdentity(header, text.basedOn);
    header += "lines=" + QByteArray::number(qint64(text.lines.size())) + "\n\n";

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(reasonPrefix + localReason(file.errorString(), EIO));
    auto put = [&](const char *data, qint64 size) {
        errno = 0;
        if (file.write(data, size) != size) {
            // The system's reason, in the program's words: a full disk says so.
            const QString reason = localReason(file.errorString(), errno ? errno : EIO);
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
    for (std::size_t i = 0; i < text.lines.size(); ++i) {
        const QStringView line = text.lines[i];
        const qsizetype needed = encoder.requiredSpace(line.size()) + lineFeed.size();
        if (buffer.size() < needed)
            buffer.resize(needed);
        char *end = buffer.data();
        if (i > 0)
            end = std::copy(lineFeed.cbegin(), lineFeed.cend(), end);
        end = encoder.appendToBuffer(end, line);
        put(buffer.constData(), end - buffer.constData());
    }
    errno = 0;
    if (!file.commit())
        throw Error(reasonPrefix + localReason(file.errorString(), errno ? errno : EIO));
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
        {QStringLiteral("*") + kSuffix, QStringLiteral("*") + kPreviousSuffix},
        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Time);
    QStringList paths;
    for (const QFileInfo &entry : entries) {
        qint64 pid = 0;
        qint64 startMs = 0;
        if (!parseOwner(entry.fileName(), pid, startMs))
            continue;
        // A process that has the owner's id and another start time is not the owner: the id
        // was free to be given again.
        const bool ownerRuns = pid == m_pid ? startMs == m_startMs : m_running(pid, startMs);
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
    if (path.endsWith(kPreviousSuffix))
        return readPreviousCopy(path);
    // The largest document in UTF-16, with room for the header.
    if (info.size() > 2 * kMaxTextFileBytes + qint64{64} * 1024)
        throw unreadable(QStringLiteral("файл слишком велик"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw unreadable(localReason(file.errorString(), EIO));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw unreadable(localReason(file.errorString(), EIO));

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
    if (fields.contains("file-size")) {
        auto number = [&](const char *key) {
            bool valid = false;
            const qint64 value = field(key).toLongLong(&valid);
            if (!valid)
                throw badValue(key);
            return value;
        };
        result.basedOn.exists = true;
        result.basedOn.size = number("file-size");
        result.basedOn.modifiedNs = number("file-time");
        auto unsignedNumber = [&](const char *key) {
            bool valid = false;
            const quint64 value = field(key).toULongLong(&valid);
            if (!valid)
                throw badValue(key);
            return value;
        };
        result.basedOn.fileNumber = unsignedNumber("file-number");
        result.basedOn.device = unsignedNumber("file-device");
    }
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
