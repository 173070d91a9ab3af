#pragma once

#include "platform/window_parts.h"

#include <QAction>
#include <QKeySequence>
#include <QTabWidget>
#include <QWidget>
#include <map>

namespace bp::testing {

// The window's side of what a subsystem adds: its commands as plain actions of `host` with the
// window's shortcuts, its tabs in `tabs`.
class FakeWindowParts : public WindowParts
{
public:
    FakeWindowParts(QWidget &host, QTabWidget *tabs = nullptr) : m_host(host), m_tabs(tabs) {}

    QAction *command(WindowCommand command) override
    {
        QAction *&action = m_actions[command];
        if (!action) {
            action = new QAction(&m_host);
            action->setShortcut(shortcut(command));
            m_host.addAction(action);
        }
        return action;
    }
    void addSideTab(QWidget *page, const QString &title, WindowCommand focus) override
    {
        if (m_tabs)
            m_tabs->addTab(page, title);
        command(focus);
    }

private:
    static QKeySequence shortcut(WindowCommand command)
    {
        switch (command) {
        case WindowCommand::FunctionHelp:
            return QKeySequence(Qt::Key_F1);
        case WindowCommand::SignatureTip:
            return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Space);
        default:
            return {};
        }
    }

    QWidget &m_host;
    QTabWidget *m_tabs;
    std::map<WindowCommand, QAction *> m_actions;
};

} // namespace bp::testing
