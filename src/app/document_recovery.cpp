#include "document_recovery.h"

#include "common/error.h"
#include "document.h"
#include "platform/process_signals.h"
#include "platform/user_prompts.h"
#include "recovery_store.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <thread>

namespace bp {
namespace {

constexpr std::chrono::seconds kPauseBeforeWrite{2};
constexpr std::chrono::seconds kLongestWait{5};

// Names a document in the questions: its full path, or the untitled placeholder.
QString shownPath(const QString &documentName)
{
    return documentName.isEmpty() ? QStringLiteral("untitled.qpl") : documentName;
}

} // namespace

struct DocumentRecovery::Worker
{
    std::thread thread;
    // Another write was asked for while this one ran: it follows at once.
    bool again = false;
};

DocumentRecovery::DocumentRecovery(const RecoveryStore &store, const TextDocument &document,
                                   std::function<void(const QString &)> reportFailure,
                                   QObject *parent)
    : QObject(parent), m_store(store), m_document(document),
      m_reportFailure(std::move(reportFailure)), m_worker(std::make_unique<Worker>())
{
    for (QTimer *timer : {&m_pause, &m_deadline}) {
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, &DocumentRecovery::writeInBackground);
    }
    setIntervals(kPauseBeforeWrite, kLongestWait);
    onTerminationRequest(this, [this] { writeBeforeExit(); });
    onDisplayConnectionLost(this, [this] { writeBeforeExit(); });
    if (auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(application, &QGuiApplication::commitDataRequest, this,
                [this] { writeBeforeExit(); });
}

DocumentRecovery::~DocumentRecovery()
{
    waitForWorker();
}

void DocumentRecovery::setIntervals(std::chrono::milliseconds pause,
                                    std::chrono::milliseconds deadline)
{
    m_pause.setInterval(pause);
    m_deadline.setInterval(deadline);
}

bool DocumentRecovery::writePending() const
{
    return m_pause.isActive() || m_deadline.isActive() || m_worker->thread.joinable();
}

void DocumentRecovery::documentChanged()
{
    m_pause.start();
    // The deadline counts from the first change that no write has taken yet.
    if (!m_deadline.isActive())
        m_deadline.start();
}

void DocumentRecovery::documentSaved()
{
    m_pause.stop();
    m_deadline.stop();
    waitForWorker();
    m_store.removeOwn();
}

void DocumentRecovery::waitForWorker()
{
    if (m_worker->thread.joinable())
        m_worker->thread.join();
    m_worker->again = false;
    // The result still on its way belongs to a state that has passed.
    ++m_generation;
}

void DocumentRecovery::writeNow()
{
    m_pause.stop();
    m_deadline.stop();
    waitForWorker();
    if (m_document.DocSaved()) {
        m_store.removeOwn();
        return;
    }
    m_store.write(takeSnapshot(m_document.DocFileName(), m_document.lines(),
                               m_basedOn ? m_basedOn() : FileIdentity()));
    emit written();
}

void DocumentRecovery::writeBeforeExit()
{
    // The process ends right after this: a failure has nobody left to tell.
    try {
        writeNow();
    } catch (...) {
    }
}

void DocumentRecovery::writeInBackground()
{
    m_pause.stop();
    m_deadline.stop();
    if (m_worker->thread.joinable()) {
        m_worker->again = true;
        return;
    }
    if (m_document.DocSaved()) {
        m_store.removeOwn();
        return;
    }
    // The only work on this thread: the lines share their characters with the document.
    RecoveredText snapshot = takeSnapshot(m_document.DocFileName(), m_document.lines(),
                                          m_basedOn ? m_basedOn() : FileIdentity());
    const quint64 generation = m_generation;
    m_worker->thread = std::thread([this, generation, text = std::move(snapshot)] {
        bool ok = true;
        QString failure;
        try {
            m_store.write(text);
        } catch (const Error &error) {
            ok = false;
            failure = error.message();
        } catch (const std::bad_alloc &) {
            ok = false;
            failure = outOfMemoryMessage();
        }
        QMetaObject::invokeMethod(
            this, [this, generation, ok, failure] { backgroundDone(generation, ok, failure); },
            Qt::QueuedConnection);
    });
}

void DocumentRecovery::backgroundDone(quint64 generation, bool ok, const QString &failure)
{
    if (generation != m_generation)
        return;
    m_worker->thread.join();
    if (ok) {
        m_failureShown = false;
        emit written();
    } else {
        reportFailure(failure);
    }
    if (m_worker->again) {
        m_worker->again = false;
        writeInBackground();
    }
}

void DocumentRecovery::reportFailure(const QString &message)
{
    // One box per run of failures: a full disk must not bring a box every few seconds.
    if (!m_failureShown && m_reportFailure) {
        m_failureShown = true;
        m_reportFailure(message);
    }
}

namespace {

struct Offered
{
    QString path;
    RecoveredText text;
};

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

QString whenWritten(const RecoveredText &text)
{
    return text.writtenAt.toLocalTime().toString(QStringLiteral("dd.MM.yyyy hh:mm"));
}

// One entry of the offer: what it is, where it goes, and whether that file is still there.
QString describe(const RecoveredText &text)
{
    QString line = text.previousContent
                       ? QStringLiteral("прежнее содержимое файла %1 (сохранение было прервано)")
                             .arg(shownPath(text.documentName))
                       : QStringLiteral("несохранённый текст документа %1 от %2")
                             .arg(shownPath(text.documentName), whenWritten(text));
    // Restoring attaches the text to that path; a file gone from it is written anew there.
    if (!text.documentName.isEmpty() && !QFileInfo::exists(text.documentName))
        line += QStringLiteral(" (файла по этому пути сейчас нет, сохранение создаст его)");
    return line;
}

QString offerQuestion(const std::vector<Offered> &offered)
{
    if (offered.size() == 1) {
        const RecoveredText &text = offered.front().text;
        QString question;
        if (text.previousContent)
            question = QStringLiteral("Восстановить прежнее содержимое файла %1 (сохранение было "
                                      "прервано)?\n\n"
                                      "Да \u2014 открыть прежнее содержимое, сохранение запишет "
                                      "его в файл.\n"
                                      "Нет \u2014 удалить копию прежнего содержимого.\n"
                                      "Отмена \u2014 спросить при следующем запуске.")
                           .arg(shownPath(text.documentName));
        else
            question = QStringLiteral("Восстановить несохранённый текст документа %1 от %2?\n\n"
                                      "Да \u2014 открыть этот текст.\n"
                                      "Нет \u2014 удалить его.\n"
                                      "Отмена \u2014 спросить при следующем запуске.")
                           .arg(shownPath(text.documentName), whenWritten(text));
        if (!text.documentName.isEmpty() && !QFileInfo::exists(text.documentName))
            question.replace(QStringLiteral("?\n\n"),
                             QStringLiteral("?\nФайла по этому пути сейчас нет, сохранение "
                                            "создаст его.\n\n"));
        return question;
    }
    QString list;
    for (std::size_t i = 0; i < offered.size(); ++i)
        list += QStringLiteral("%1. %2\n").arg(i + 1).arg(describe(offered[i].text));
    return QStringLiteral("После прошлых запусков остались несохранённые тексты:\n%1\n"
                          "Да \u2014 открыть первый из них, остальные будут предложены при "
                          "следующем запуске.\n"
                          "Нет \u2014 удалить все.\n"
                          "Отмена \u2014 спросить обо всех при следующем запуске.")
        .arg(list);
}

} // namespace

bool offerLeftOverTexts(RecoveryStore &store, UserPrompts &prompts, QWidget *parent,
                        const std::function<bool(const std::function<void()> &)> &runStep,
                        const std::function<void(RecoveredText &&)> &restore)
{
    std::vector<Offered> offered;
    for (const QString &path : store.leftOver())
        runStep([&] { offered.push_back({path, readOrSetAside(path)}); });
    if (offered.empty())
        return false;

    bool restored = false;
    runStep([&] {
        switch (prompts.askYesNoCancel(parent, offerQuestion(offered), PromptIcon::Question)) {
        case PromptAnswer::Yes: {
            Offered &first = offered.front();
            const bool previous = first.text.previousContent;
            restore(std::move(first.text));
            restored = true;
            // A copy of old bytes goes once the restored text is kept as this instance's
            // own (the restore wrote it); a recovery file simply becomes this instance's.
            if (previous)
                RecoveryStore::remove(first.path);
            else
                store.adopt(first.path);
            break;
        }
        case PromptAnswer::No: {
            const QString warning =
                offered.size() == 1
                    ? QStringLiteral("Текст (%1) будет удалён безвозвратно. Удалить?")
                          .arg(describe(offered.front().text))
                    : QStringLiteral("Все перечисленные тексты (%1) будут удалены безвозвратно. "
                                     "Удалить?")
                          .arg(offered.size());
            if (prompts.askYesNo(parent, warning, PromptIcon::Warning))
                for (const Offered &entry : offered)
                    runStep([&] { RecoveryStore::remove(entry.path); });
            break;
        }
        case PromptAnswer::Cancel:
            break;
        }
    });
    return restored;
}

} // namespace bp
