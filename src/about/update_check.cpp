#include "update_check.h"

#include "common/error.h"
#include "manifest_file.h"
#include "update_manifest.h"

#include <QFile>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace bp {
namespace {

const QString kManifestAddress =
    QStringLiteral("http://www.brindlepad.ru/download/brindle_pad/brindlepad.xml");
const QString kDownloadPageAddress =
    QStringLiteral("http://www.brindlepad.ru/ru/brindle-pad/download.html");

QString durationText(std::chrono::milliseconds duration)
{
    if (duration.count() % 1000 == 0)
        return QString::number(duration.count() / 1000) + QStringLiteral(" с");
    return QString::number(duration.count()) + QStringLiteral(" мс");
}

QString sizeText(qint64 bytes)
{
    constexpr qint64 mebibyte = qint64{1024} * 1024;
    if (bytes % mebibyte == 0)
        return QString::number(bytes / mebibyte) + QStringLiteral(" МиБ");
    return QString::number(bytes) + QStringLiteral(" байт");
}

QString bodyTooLarge()
{
    return QStringLiteral("ответ сервера больше %1").arg(sizeText(UpdateCheck::kBodyLimit));
}

} // namespace

QUrl manifestUrl()
{
    const QString custom = qEnvironmentVariable(kUpdateUrlVariable);
    if (custom.isEmpty())
        return QUrl(kManifestAddress);
    QUrl url(custom, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != u"http" && url.scheme() != u"https"))
        throw Error(QStringLiteral("Переменная окружения %1 должна содержать адрес http, а не "
                                   "\"%2\"")
                        .arg(QString::fromLatin1(kUpdateUrlVariable), custom));
    return url;
}

QUrl downloadPageUrl()
{
    return QUrl(kDownloadPageAddress);
}

QString updateCheckCaption()
{
    return QStringLiteral("Проверка обновлений Brindlepad");
}

QString UpdateCheckResult::text() const
{
    switch (kind) {
    case Kind::NewerVersion:
        return QStringLiteral("На сайте имеется новая версия!\n"
                              "Открыть веб-сайт программы для загрузки новой версии?");
    case Kind::LatestVersion:
        return QStringLiteral("Вы используете последнюю версию Brindlepad");
    case Kind::Failed:
        break;
    }
    return QStringLiteral("Не удалось проверить обновления:\n") + reason;
}

UpdateCheck::UpdateCheck(QObject *parent) : QObject(parent)
{
    m_network.setProxy(QNetworkProxy::NoProxy);
    m_deadlineTimer.setSingleShot(true);
    connect(&m_deadlineTimer, &QTimer::timeout, this, &UpdateCheck::expire);
}

UpdateCheck::~UpdateCheck()
{
    stop();
}

void UpdateCheck::start(const VersionNumber &local)
{
    if (isRunning())
        return;
    const QUrl url = manifestUrl();
    m_file = std::make_unique<ManifestFile>();
    m_local = local;
    m_received = 0;
    m_host = url.host();

    QNetworkRequest request(url);
    request.setRawHeader("Accept", "text/html, */*");
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QByteArrayLiteral("Mozilla/3.0 (compatible; Indy Library)"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    // A packed answer is unpacked no further than the body could be long.
    request.setDecompressedSafetyCheckThreshold(kBodyLimit);
    m_reply = m_network.get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateCheck::receive);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateCheck::complete);
    m_deadlineTimer.start(m_deadline);
}

void UpdateCheck::abandon()
{
    stop();
}

void UpdateCheck::stop()
{
    m_deadlineTimer.stop();
    if (m_reply) {
        QNetworkReply *reply = m_reply;
        m_reply = nullptr;
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        reply->deleteLater();
    }
    m_file.reset();
}

void UpdateCheck::end(const UpdateCheckResult &result)
{
    stop();
    emit finished(result);
}

void UpdateCheck::receive()
{
    if (!m_reply)
        return;
    const QByteArray bytes = m_reply->readAll();
    m_received += bytes.size();
    if (m_received > kBodyLimit)
        return fail(bodyTooLarge());
    try {
        m_file->write(bytes);
    } catch (const Error &error) {
        fail(error.message());
    }
}

void UpdateCheck::expire()
{
    fail(QStringLiteral("сервер %1 не ответил за %2").arg(m_host, durationText(m_deadline)));
}

void UpdateCheck::complete()
{
    if (!m_reply)
        return;
    QNetworkReply &reply = *m_reply;
    if (reply.error() == QNetworkReply::TooManyRedirectsError)
        return fail(QStringLiteral("слишком много перенаправлений (больше %1)").arg(kMaxRedirects));
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299))
        return fail(QStringLiteral("сервер ответил кодом %1").arg(status.toInt()));
    if (reply.error() != QNetworkReply::NoError) {
        if (!status.isValid())
            return fail(QStringLiteral("нет соединения с сервером %1").arg(m_host));
        // The server answered, but the body did not arrive whole. The network layer refuses
        // a packed answer that does not unpack and one that swells far beyond its packed size
        // (a compression bomb) with the same error.
        const QByteArray packing = reply.rawHeader("Content-Encoding").trimmed().toLower();
        if (!packing.isEmpty() && packing != "identity" &&
            (reply.error() == QNetworkReply::UnknownContentError ||
             reply.error() == QNetworkReply::ProtocolFailure))
            return fail(QStringLiteral("сжатый ответ сервера не распаковывается: он поврежден "
                                       "или после распаковки больше %1")
                            .arg(sizeText(kBodyLimit)));
        return fail(
            QStringLiteral("соединение с сервером %1 прервалось до конца ответа").arg(m_host));
    }
    receive();
    if (!m_reply)
        return;
    try {
        end(readManifest());
    } catch (const Error &error) {
        fail(error.message());
    }
}

UpdateCheckResult UpdateCheck::readManifest()
{
    const VersionNumber remote = parseVersionText(readManifestVersionText(m_file->written()));
    m_file->commit();
    if (m_local < remote)
        return {UpdateCheckResult::Kind::NewerVersion, {}};
    return {UpdateCheckResult::Kind::LatestVersion, {}};
}

} // namespace bp
