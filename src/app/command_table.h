#pragma once

#include "platform/window_parts.h"

#include <QList>
#include <array>

class QAction;
class QMenu;
class QMenuBar;
class QObject;

namespace bp {

// The menus of the window, in the menu bar's order; "Кодировка" sits in "Файл".
enum class CommandMenu
{
    None,
    File,
    Encoding,
    Edit,
    Search,
    View,
    Help,
};

// Every command of the main window. Menus, tool bars and the editor's context menu all show
// these same objects, so caption, icon, enabled state and shortcut agree everywhere.
// Each action carries its category in the property "category"; its status tip is the long
// hint and its tool tip the short hint. One row of the table in command_table.cpp makes a
// command: its caption, menu and place there, tool-bar and context-menu place, icon, shortcut
// and hint; the window or the subsystem that binds it gives the handler.
struct ActionManager
{
    explicit ActionManager(QObject *owner);

    QAction *FileNew;
    QAction *FileOpen1;
    QAction *FileSave;
    QAction *FileSaveAs1;
    // The "Кодировка" submenu: the encoding the next save writes.
    QAction *FileEncodingAnsi;
    QAction *FileEncodingUtf8;
    QAction *FileEncodingUtf16;
    QAction *FilePrintSetup1;
    QAction *FilePrintPreview;
    QAction *FilePrint;
    QAction *FileExit1;
    QAction *EditUndo1;
    QAction *EditCopy1;
    QAction *EditCut1;
    QAction *EditPaste1;
    QAction *EditSelectAll1;
    QAction *EditDelete1;
    QAction *ActionSearch;
    QAction *ActionSearchNext;
    QAction *ActionReplace;
    QAction *ActionGoToLine;
    QAction *ViewZoomIn;
    QAction *ViewZoomOut;
    QAction *ViewZoomReset;
    QAction *Help;
    QAction *Action2;
    QAction *Action1;
    // The comment toggle of the editor's context menu.
    QAction *N9;

    // The window's own commands, those above.
    QList<QAction *> all() const;
    // Every command of the table: the window's own and those subsystems bind.
    QList<QAction *> every() const;
    // A command that a subsystem binds.
    QAction *bound(WindowCommand command) const { return m_bound[int(command)]; }

    // Adds the table's menus to `bar`, each with its commands in their places, separators
    // between their groups.
    void fillMenuBar(QMenuBar &bar);
    // The menu made by fillMenuBar; null before.
    QMenu *menu(CommandMenu menu) const { return m_menus[int(menu)]; }
    // Tool bar 1 or 2, and the editor's context menu, in order; null stands for a separator.
    QList<QAction *> toolBar(int bar) const;
    QList<QAction *> contextMenu() const;

private:
    std::array<QAction *, 5> m_bound{};
    std::array<QMenu *, 7> m_menus{};
};

} // namespace bp
