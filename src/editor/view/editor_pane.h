#pragma once

#include <QAbstractScrollArea>
#include <functional>

class QMenu;

namespace bp {

class TEditorLines;
class EditModel;

// The six standard editing commands of the main window that the pane carries out
// while it has the keyboard focus.
enum class TEditAction { Undo, Copy, Cut, Paste, SelectAll, Delete };

// The custom-drawn text area: paints the model and maps keys and the mouse onto it.
class TEditorPane : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit TEditorPane(QWidget *parent = nullptr);
    ~TEditorPane() override;

    EditModel &model();
    TEditorLines &Lines();

    // Whether the pane enables `action` now; false whenever the pane lacks the focus.
    bool UpdateAction(TEditAction action) const;
    // Runs `action` when the pane has the focus; returns whether it ran.
    bool ExecuteAction(TEditAction action);

    void SetFocus();
    void setContextMenu(QMenu *menu);

    // The change notification: called after each editing step that enters the undo history.
    std::function<void()> OnChange;

signals:
    // Something the enabled state of the editing actions depends on may have changed
    // (focus, selection, undo history, clipboard).
    void actionStateChanged();
};

} // namespace bp
