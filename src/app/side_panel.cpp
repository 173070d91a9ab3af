#include "side_panel.h"

#include "aids/built_in_library.h"
#include "aids/view/function_library_tree.h"
#include "aids/view/library_tree_view.h"
#include "editor/view/editor_pane.h"
#include "platform/pixel_font.h"

#include <QAction>
#include <QFrame>
#include <QKeyEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace bp {
SidePanel::SidePanel(QWidget *parent) : QObject(parent), m_panel(new QFrame(parent))
{
    m_panel->setObjectName(QStringLiteral("Panel"));
    m_panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto *layout = new QVBoxLayout(m_panel);
    layout->setContentsMargins(1, 1, 1, 1);

    m_tabs = new QTabWidget(m_panel);
    m_tabs->setObjectName(QStringLiteral("PageControl1"));
    m_tabs->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));
    layout->addWidget(m_tabs);

    m_tree = new LibraryTreeView;
    m_tree->setObjectName(QStringLiteral("TreeView"));
    m_tree->setFont(pixelFont(QStringLiteral("Tahoma"), 11));
    m_library = new FunctionLibraryTree(m_tree);
    m_library->setLibrary(builtInLibrary());
    m_tree->installEventFilter(this);
    m_tabs->addTab(m_tree, QStringLiteral("Библиотека функций"));
    m_tabs->widget(0)->setObjectName(QStringLiteral("TabSheet1"));
}

void SidePanel::addTab(QWidget *page, const QString &title)
{
    m_tabs->addTab(page, title);
    // Every tab stays in reach at the panel's width: their titles narrow, no arrows, and
    // each tells its whole title under the mouse.
    m_tabs->setUsesScrollButtons(false);
    m_tabs->setElideMode(Qt::ElideRight);
    // No tab takes the room of the others: a long title is the one shortened.
    m_tabs->tabBar()->setStyleSheet(
        QStringLiteral("QTabBar::tab { max-width: 8em; padding: 3px 4px; }"));
    for (int i = 0; i < m_tabs->count(); ++i)
        m_tabs->setTabToolTip(i, m_tabs->tabText(i));
}

void SidePanel::bindFocus(QWidget *page, QAction *focus)
{
    m_focusPages.append(page);
    page->installEventFilter(this);
    connect(focus, &QAction::triggered, this, [this, page] { focusTab(page); });
}

void SidePanel::focusTab(QWidget *page)
{
    // A side panel dragged shut has no room to show the tab; the editor keeps the focus.
    if (m_panel->width() == 0)
        return;
    const int index = m_tabs->indexOf(page);
    if (index >= 0)
        m_tabs->setCurrentIndex(index);
    page->setFocus(Qt::ShortcutFocusReason);
}

bool SidePanel::eventFilter(QObject *watched, QEvent *event)
{
    // No control of the window shows tool tips.
    if (watched == m_tree && event->type() == QEvent::ToolTip)
        return true;
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    // The tree's own Copy key would put the current node's text on the clipboard; here the
    // editing commands belong to the editor pane alone.
    if (watched == m_tree && key->matches(QKeySequence::Copy))
        return true;
    if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier && m_editor &&
        m_focusPages.contains(watched)) {
        m_editor->SetFocus();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace bp
