#pragma once

#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QFrame;
class QTabWidget;
class QTreeView;
class QWidget;

namespace bp {

class FunctionLibraryTree;
class TEditorPane;

// The side panel beside the editor: its tabs, the function library first, and the keyboard
// paths between them and the editor. Each tab's command (Alt+1, Alt+2, ...) shows it and
// moves the keyboard into it; Escape in a tab gives the keyboard back to the editor.
class SidePanel : public QObject
{
    Q_OBJECT
public:
    explicit SidePanel(QWidget *parent);

    // Where Escape in a tab sends the keyboard.
    void setEditor(TEditorPane *editor) { m_editor = editor; }

    QFrame *panel() const { return m_panel; }
    QTabWidget *tabs() const { return m_tabs; }
    QTreeView *treeView() const { return m_tree; }
    FunctionLibraryTree *library() const { return m_library; }

    // `page` after the tabs there.
    void addTab(QWidget *page, const QString &title);
    // `focus` shows `page` and moves the keyboard into it; Escape there goes back to the
    // editor.
    void bindFocus(QWidget *page, QAction *focus);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void focusTab(QWidget *page);

    TEditorPane *m_editor = nullptr;
    QFrame *m_panel;
    QTabWidget *m_tabs;
    QTreeView *m_tree;
    FunctionLibraryTree *m_library;
    QList<QObject *> m_focusPages;
};

} // namespace bp
