#pragma once

class QAction;
class QString;
class QWidget;

namespace bp {

// The main window's commands that a subsystem binds: the window's command table gives each
// its caption, menu and place, shortcut and hint; the subsystem connects its handler and
// keeps its enabled state.
enum class WindowCommand
{
    FunctionHelp,
    SignatureTip,
    FocusLibrary,
    FocusProblems,
    FocusOutline,
};

// What a subsystem may add to the main window. The window calls the subsystem with it when
// the subsystem starts; the subsystem never looks the window's menus or widgets up itself.
class WindowParts
{
public:
    virtual ~WindowParts() = default;

    // The action of `command`, already in its menu; its shortcut works wherever the focus is
    // in the window.
    virtual QAction *command(WindowCommand command) = 0;
    // Adds `page` as a tab of the side panel, after the tabs there. `focus` moves the keyboard
    // to it; Escape in it goes back to the editor.
    virtual void addSideTab(QWidget *page, const QString &title, WindowCommand focus) = 0;
};

} // namespace bp
