#include "document_recovery.h"

#include "common/error.h"
#include "document.h"
#include "platform/process_signals.h"
#include "platform/user_prompts.h"
#include "recovery_store.h"

#include <QGuiApplication>

namespace bp {
namespace {

constexpr std::chrono::seconds kIdleBeforeWrite{30};

// Names an untitled document, as the save question does.
QString shownName(const QString &documentName)
{
    return documentName.isEmpty() ? QStringLiteral("untitled.qpl") : fileNamePart(documentName);
}

} // namespace

DocumentRecovery::DocumentRecovery(RecoveryStore &store, const TextDocument &document,
                                   std::function<void(const QString &)> reportFailure,
                                   QObject *parent)
    : QObject(parent), m_store(store), m_document(document),
      m_reportFailure(std::move(reportFailure))
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(kIdleBeforeWrite);
    connect(&m_idle, &QTimer::timeout, this, &DocumentRecovery::writeOnIdle);
    // The process ends right after these: a failure has nobody left to tell.
    auto writeQuietly = [this] {
        try {
            writeNow();
        } catch (...) {
        }
    };
    onTerminationRequest(this, writeQuietly);
    if (auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(application, &QGuiApplication::commitDataRequest, this, writeQuietly);
}

void DocumentRecovery::documentChanged()
{
    m_idle.start();
}

void DocumentRecovery::documentSaved()
{
    m_idle.stop();
    m_store.removeOwn();
}

void DocumentRecovery::writeNow()
{
    m_idle.stop();
    if (m_document.DocSaved()) {
        m_store.removeOwn();
        return;
    }
    m_store.write(m_document.DocFileName(), m_document.lines());
    emit written();
}

void DocumentRecovery::writeOnIdle()
{
    try {
        writeNow();
        m_failureShown = false;
    } catch (const Error &error) {
        // One box per run of failures: a full disk must not bring a box every pause.
        if (!m_failureShown && m_reportFailure) {
            m_failureShown = true;
            m_reportFailure(error.message());
        }
    }
}

namespace {

RecoveredText readOrSetAside(const QString &path)
{
    try {
        return RecoveryStore::read(path);
    } catch (const Error &error) {
        // Out of the way, so later starts do not stumble on it again; the report says where
        // it went.
        throw Error(
            error.message() +
            QStringLiteral(" Он переименован в \"%1\".").arg(RecoveryStore::setAside(path)));
    }
}

} // namespace

bool offerLeftOverTexts(RecoveryStore &store, UserPrompts &prompts, QWidget *parent,
                        const std::function<bool(const std::function<void()> &)> &runStep,
                        const std::function<void(RecoveredText &&)> &restore)
{
    bool restored = false;
    for (const QString &path : store.leftOver()) {
        runStep([&] {
            RecoveredText text = readOrSetAside(path);
            const QString name = shownName(text.documentName);
            const QString question =
                QStringLiteral("Восстановить несохранённый текст документа %1 от %2?\n\n"
                               "Да \u2014 открыть этот текст.\n"
                               "Нет \u2014 удалить его.\n"
                               "Отмена \u2014 спросить при следующем запуске.")
                    .arg(name,
                         text.writtenAt.toLocalTime().toString(QStringLiteral("dd.MM.yyyy hh:mm")));
            switch (prompts.askYesNoCancel(parent, question, PromptIcon::Question)) {
            case PromptAnswer::Yes:
                restore(std::move(text));
                restored = true;
                store.adopt(path);
                break;
            case PromptAnswer::No:
                if (prompts.askYesNo(parent,
                                     QStringLiteral("Несохранённый текст документа %1 будет "
                                                    "удалён безвозвратно. Удалить?")
                                         .arg(name),
                                     PromptIcon::Warning))
                    RecoveryStore::remove(path);
                break;
            case PromptAnswer::Cancel:
                break;
            }
        });
        if (restored)
            break;
    }
    return restored;
}

} // namespace bp
