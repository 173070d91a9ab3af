#pragma once

#include "version_number.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <memory>

namespace bp {

class ManifestFile;

// Replaces the manifest's address, for a mirror or a test server.
inline constexpr char kUpdateUrlVariable[] = "BRINDLEPAD_UPDATE_URL";

// The manifest's address: the maker's, or the one in kUpdateUrlVariable. Throws bp::Error
// when the variable holds no http address.
QUrl manifestUrl();
// The page that offers the new version.
QUrl downloadPageUrl();

// The caption of every box the check shows.
QString updateCheckCaption();

struct UpdateCheckResult
{
    enum class Kind
    {
        NewerVersion,
        LatestVersion,
        Failed
    };
    Kind kind = Kind::Failed;
    // Why the check failed, in plain words; empty otherwise.
    QString reason;

    // The text of the box that reports this result.
    QString text() const;
};

// One check at a time against the manifest: GET with the redirects, cookies and headers the
// maker's site expects, the body into the manifest file, the version read and compared.
// Runs without blocking: start() returns at once and finished() reports the outcome.
// The cookies live as long as the object, which the about window keeps for the program's run.
class UpdateCheck : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kDefaultDeadline{30000};
    // The largest body accepted, counted after any decompression.
    static constexpr qint64 kBodyLimit = qint64{1024} * 1024;
    static constexpr int kMaxRedirects = 15;

    explicit UpdateCheck(QObject *parent = nullptr);
    ~UpdateCheck() override;

    // The time the whole check may take, from the request to the last byte; the check fails
    // when it is exceeded, as it does for a body above kBodyLimit.
    void setDeadline(std::chrono::milliseconds deadline) { m_deadline = deadline; }

    // Creates the manifest file and sends the request. Throws bp::Error, before anything is
    // sent, when the address is wrong or the file cannot be created. Ignored while a check
    // runs.
    void start(const VersionNumber &local);
    // Ends a running check without reporting it; the file is not touched.
    void abandon();
    bool isRunning() const { return m_reply != nullptr; }

signals:
    // Once per started check that is not abandoned; the check no longer runs by then.
    void finished(const bp::UpdateCheckResult &result);

private:
    void receive();
    void complete();
    void expire();
    // The outcome of a download that arrived whole, or a bp::Error with the reason. Only a
    // readable manifest replaces the one kept from the check before.
    UpdateCheckResult readManifest();
    void end(const UpdateCheckResult &result);
    void fail(const QString &reason) { end({UpdateCheckResult::Kind::Failed, reason}); }
    void stop();

    QNetworkAccessManager m_network;
    QPointer<QNetworkReply> m_reply;
    std::unique_ptr<ManifestFile> m_file;
    QTimer m_deadlineTimer;
    std::chrono::milliseconds m_deadline = kDefaultDeadline;
    qint64 m_received = 0;
    VersionNumber m_local;
    QString m_host;
};

} // namespace bp
