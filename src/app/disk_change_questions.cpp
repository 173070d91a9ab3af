#include "disk_change_questions.h"

#include "common/error.h"
#include "document.h"
#include "platform/user_prompts.h"

#include <QApplication>

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

void DiskChangeQuestions::saved(const QString &path)
{
    m_watch.watch(path, FileIdentity::of(path));
}

void DiskChangeQuestions::beforeSave(const QString &path)
{
    if (!m_watch.isWatching(path))
        return;
    switch (m_watch.changeSinceKnown()) {
    case DiskChange::Unchanged:
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
                           "Нет \u2014 оставить изменения документа.\n"
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
