#include "disk_change_questions.h"

#include "common/error.h"
#include "document.h"
#include "platform/user_prompts.h"

#include <QApplication>
#include <utility>

namespace bp {

DiskChangeQuestions::DiskChangeQuestions(UserPrompts &prompts, QWidget *parent, Document document)
    : m_prompts(prompts), m_parent(parent), m_document(std::move(document))
{
    m_watch.setHandler([this](DiskChange change) { return changedOutside(change); });
}

QString DiskChangeQuestions::fileName() const
{
    return fileNamePart(m_watch.path());
}

void DiskChangeQuestions::read(const QString &path, const std::function<void()> &load)
{
    const FileIdentity before = FileIdentity::of(path);
    load();
    m_watch.watch(path, before);
}

void DiskChangeQuestions::saved(const QString &path, const WrittenFile &written)
{
    m_beforeSave.reset();
    FileIdentity known;
    known.exists = written.size >= 0;
    known.size = written.size;
    known.modifiedNs = written.modifiedNs;
    known.fileNumber = written.fileNumber;
    known.device = written.device;
    // The path may already hold another program's file (a rewrite right after the rename):
    // the watch is armed on what is there now, and the check that follows finds the
    // difference from what was written.
    m_watch.watch(path, known.exists ? known : FileIdentity::of(path));
    m_watch.checkSoon();
}

void DiskChangeQuestions::saveFailed(const QString &path)
{
    const std::optional<FileIdentity> before = std::exchange(m_beforeSave, std::nullopt);
    if (!before || !m_watch.isWatching(path))
        return;
    // The same file with the same size and only a new time: the old bytes written back.
    const FileIdentity now = FileIdentity::of(m_watch.path());
    if (now.exists && now.fileNumber == before->fileNumber && now.device == before->device &&
        now.size == before->size && now.modifiedNs != before->modifiedNs)
        m_watch.acceptCurrent();
}

void DiskChangeQuestions::restored(const QString &path, const FileIdentity &basedOn)
{
    m_beforeSave.reset();
    m_watch.watch(path, basedOn);
    m_watch.checkSoon();
}

FileIdentity DiskChangeQuestions::basedOn() const
{
    return m_watch.path().isEmpty() ? FileIdentity() : m_watch.known();
}

void DiskChangeQuestions::beforeSave(const QString &path)
{
    m_beforeSave.reset();
    if (!m_watch.isWatching(path))
        return;
    switch (m_watch.changeSinceKnown()) {
    case DiskChange::Unchanged:
        m_beforeSave = m_watch.known();
        return;
    case DiskChange::Modified: {
        bool overwrite = false;
        m_watch.holdChecksWhile([&] {
            overwrite = m_prompts.askYesNo(
                m_parent,
                QStringLiteral("Файл %1 изменен другой программой после того, как был прочитан.\n\n"
                               "Да \u2014 записать поверх него текст документа.\n"
                               "Нет \u2014 не сохранять.")
                    .arg(fileName()),
                PromptIcon::Warning);
        });
        // Either way the user now knows of the change; the watch need not ask about it.
        m_watch.markReported();
        if (!overwrite)
            throw SilentAbort();
        return;
    }
    case DiskChange::Missing:
        m_watch.holdChecksWhile([&] {
            m_prompts.showMessage(m_parent, QStringLiteral("Файл %1 удален или переименован другой "
                                                           "программой. Он будет создан заново.")
                                                .arg(fileName()));
        });
        return;
    }
}

bool DiskChangeQuestions::changedOutside(DiskChange change)
{
    // A box already showing (the save question, an error) is answered first; the window's
    // activation afterwards brings the change up again.
    if (QApplication::activeModalWidget())
        return false;
    m_document.runCommand([&] {
        if (change == DiskChange::Missing) {
            m_document.markModified();
            return;
        }
        if (m_document.saved()) {
            const bool reload = m_prompts.askYesNo(
                m_parent,
                QStringLiteral("Файл %1 изменен другой программой.\n\n"
                               "Да \u2014 загрузить его заново.\n"
                               "Нет \u2014 оставить текст документа, он будет отмечен как "
                               "измененный.")
                    .arg(fileName()),
                PromptIcon::Question);
            if (!reload)
                m_watch.acceptCurrent();
            // Marked first: a file that cannot be read again leaves a text that differs from
            // it, which closing must not drop without asking.
            m_document.markModified();
            if (reload)
                m_document.reload();
            return;
        }
        switch (m_prompts.askYesNoCancel(
            m_parent,
            QStringLiteral("Файл %1 изменен другой программой, а в документе есть несохраненные "
                           "изменения.\n\n"
                           "Да \u2014 загрузить файл заново, изменения документа будут потеряны.\n"
                           "Нет \u2014 оставить изменения документа; следующее сохранение "
                           "заменит файл на диске.\n"
                           "Отмена \u2014 решить позже: сохранение спросит, записывать ли поверх "
                           "файла.")
                .arg(fileName()),
            PromptIcon::Warning)) {
        case PromptAnswer::Yes:
            m_document.reload();
            break;
        case PromptAnswer::No:
            m_watch.acceptCurrent();
            break;
        case PromptAnswer::Cancel:
            break;
        }
    });
    return true;
}

} // namespace bp
