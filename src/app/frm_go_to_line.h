#pragma once

#include "editor/model/buffer_coord.h"

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace bp {

class EditModel;

// The small modal "go to line" dialog: one field for "line" or "line:column", checked
// against the document as it is typed; OK stays disabled and the reason shows under the
// field while the text names no place in it.
class Tfrm_GoToLine : public QDialog
{
    Q_OBJECT
public:
    Tfrm_GoToLine(const EditModel &editor, QWidget *owner = nullptr);

    // Shows the dialog over `owner`, starting with the caret's line; the chosen position,
    // or nothing when it was cancelled.
    static std::optional<TBufferCoord> Execute(QWidget *owner, const EditModel &editor);

    // The position the field names now, if it names one.
    std::optional<TBufferCoord> target() const { return m_target; }

    QLabel *lblLine;
    QLineEdit *edLine;
    QLabel *lblProblem;
    QPushButton *btnOK;
    QPushButton *btnCancel;

private:
    void check();

    const EditModel &m_editor;
    std::optional<TBufferCoord> m_target;
};

} // namespace bp
