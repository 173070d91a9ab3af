#pragma once

#include "platform/alert_sound.h"
#include "platform/user_prompts.h"

#include <QList>
#include <functional>

namespace bp {

// Answers every box and dialog from a script and records what the program asked.
// An unscripted question is answered Cancel and an unscripted dialog is cancelled.
class FakePrompts : public UserPrompts
{
public:
    struct Question
    {
        QString text;
        PromptIcon icon;
    };

    QList<PromptAnswer> answers;
    // A null string stands for a cancelled dialog.
    QStringList openChoices;
    QStringList saveChoices;

    QStringList errors;
    QStringList messages;
    QList<Question> questions;
    QList<FileDialogRequest> openRequests;
    QList<FileDialogRequest> saveRequests;
    // Runs while the save dialog is "open", e.g. to show real windows as the dialog would.
    std::function<void(QWidget *parent)> whileSaveDialogOpen;

    void showError(QWidget *, const QString &text) override { errors << text; }
    void showMessage(QWidget *, const QString &text) override { messages << text; }
    PromptAnswer askYesNoCancel(QWidget *, const QString &text, PromptIcon icon) override
    {
        questions.append({text, icon});
        return answers.isEmpty() ? PromptAnswer::Cancel : answers.takeFirst();
    }
    // Takes the next scripted answer too; an unscripted one is No.
    bool askYesNo(QWidget *, const QString &text, PromptIcon icon) override
    {
        questions.append({text, icon});
        return !answers.isEmpty() && answers.takeFirst() == PromptAnswer::Yes;
    }
    // The captioned boxes are recorded as questions and messages too; a question takes the
    // next scripted answer (No when unscripted).
    bool askInformation(QWidget *, const QString &, const QString &text) override
    {
        questions.append({text, PromptIcon::Question});
        return !answers.isEmpty() && answers.takeFirst() == PromptAnswer::Yes;
    }
    void showInformation(QWidget *, const QString &, const QString &text) override
    {
        messages << text;
    }
    std::optional<QString> chooseFileToOpen(QWidget *, const FileDialogRequest &request) override
    {
        openRequests << request;
        return choice(openChoices);
    }
    std::optional<QString> chooseFileToSave(QWidget *parent,
                                            const FileDialogRequest &request) override
    {
        saveRequests << request;
        if (whileSaveDialogOpen)
            whileSaveDialogOpen(parent);
        return choice(saveChoices);
    }

private:
    static std::optional<QString> choice(QStringList &choices)
    {
        if (choices.isEmpty() || choices.constFirst().isNull()) {
            if (!choices.isEmpty())
                choices.removeFirst();
            return std::nullopt;
        }
        return choices.takeFirst();
    }
};

class FakeAlertSound : public AlertSound
{
public:
    int count = 0;
    void alert() override { ++count; }
};

} // namespace bp
