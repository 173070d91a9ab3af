#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

class QWidget;

namespace bp {

enum class PromptAnswer
{
    Yes,
    No,
    Cancel
};
enum class PromptIcon
{
    Question,
    Warning
};

// One file type entry of a file dialog: the caption the user reads and its name pattern.
struct FileFilter
{
    QString caption;
    QString pattern;
};

struct FileDialogRequest
{
    QString title;
    std::vector<FileFilter> filters;
    int selectedFilter = 0;
    // Added to a typed name that has no extension.
    QString defaultSuffix;
    // The file name (or path) the dialog starts with; may be empty.
    QString fileName;
};

// Every modal question and message box of the program, so that a test answers them with a
// scripted fake instead of a nested event loop. All boxes are captioned with the
// application title and parented to `parent`.
class UserPrompts
{
public:
    virtual ~UserPrompts() = default;

    // The application's error box: stop icon, one OK button.
    virtual void showError(QWidget *parent, const QString &text) = 0;
    // A plain message: no icon, one OK button.
    virtual void showMessage(QWidget *parent, const QString &text) = 0;
    // Yes, No and Cancel, Yes being the default button.
    virtual PromptAnswer askYesNoCancel(QWidget *parent, const QString &text, PromptIcon icon) = 0;
    // Yes and No, Yes being the default button; true for Yes.
    virtual bool askYesNo(QWidget *parent, const QString &text, PromptIcon icon) = 0;
    // Boxes that carry a caption of their own (the update check's), information icon, sized
    // so the caption is not cut and centred over `parent`'s window. Yes and No, Yes being the
    // default button; true for Yes.
    virtual bool askInformation(QWidget *parent, const QString &caption, const QString &text) = 0;
    // One OK button.
    virtual void showInformation(QWidget *parent, const QString &caption, const QString &text) = 0;

    // The system's file dialogs; nullopt when the user cancels. The save dialog asks before
    // it returns the name of an existing file.
    virtual std::optional<QString> chooseFileToOpen(QWidget *parent,
                                                    const FileDialogRequest &request) = 0;
    virtual std::optional<QString> chooseFileToSave(QWidget *parent,
                                                    const FileDialogRequest &request) = 0;
};

class QtUserPrompts : public UserPrompts
{
public:
    explicit QtUserPrompts(QString title) : m_title(std::move(title)) {}

    void showError(QWidget *parent, const QString &text) override;
    void showMessage(QWidget *parent, const QString &text) override;
    PromptAnswer askYesNoCancel(QWidget *parent, const QString &text, PromptIcon icon) override;
    bool askYesNo(QWidget *parent, const QString &text, PromptIcon icon) override;
    bool askInformation(QWidget *parent, const QString &caption, const QString &text) override;
    void showInformation(QWidget *parent, const QString &caption, const QString &text) override;
    std::optional<QString> chooseFileToOpen(QWidget *parent,
                                            const FileDialogRequest &request) override;
    std::optional<QString> chooseFileToSave(QWidget *parent,
                                            const FileDialogRequest &request) override;

private:
    QString m_title;
};

} // namespace bp
