#pragma once

#include <QList>

class QAction;
class QObject;

namespace bp {

// Every command of the main window. Menus, tool bars and the editor's context menu all show
// these same objects, so caption, icon, enabled state and shortcut agree everywhere.
// Each action carries its category in the property "category"; its status tip is the long
// hint and its tool tip the short hint.
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
    QAction *Help;
    QAction *Action2;
    QAction *Action1;
    QAction *ActionReplace;
    QAction *ActionGoToLine;
    QAction *ViewZoomIn;
    QAction *ViewZoomOut;
    QAction *ViewZoomReset;

    QList<QAction *> all() const;
};

} // namespace bp
