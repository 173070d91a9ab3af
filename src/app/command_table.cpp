#include "command_table.h"

#include "icons/image_list_actions.h"

#include <QAction>
#include <QKeySequence>

namespace bp {
namespace {

constexpr int kNoIcon = -1;

struct ActionRow
{
    QAction *ActionManager::*member;
    const char *name;
    const char16_t *category;
    const char16_t *caption;
    int icon;
    const char *shortcut;
    // Short and long hint joined by "|"; a hint without "|" serves whole as both.
    const char16_t *hint;
};

// clang-format off
const ActionRow kActionRows[] = {
    {&ActionManager::FileNew, "FileNew", u"Файл", u"Создать...", 0, "Ctrl+N",
     u"Создать|Создать новый QPILE файл"},
    {&ActionManager::FileOpen1, "FileOpen1", u"Файл", u"&Открыть...", 1, "Ctrl+O",
     u"Открыть|Открыть QPILE файл для редактирования"},
    {&ActionManager::FileSave, "FileSave", u"Файл", u"Сохранить", 2, "Ctrl+S",
     u"Сохранить|Сохранение измененного ранее файла"},
    {&ActionManager::FileSaveAs1, "FileSaveAs1", u"Файл", u"Сохранить как...", 30, "Ctrl+Shift+F12",
     u"Сохранить как|Сохранение текущего файла с новым именем"},
    {&ActionManager::FileEncodingAnsi, "FileEncodingAnsi", u"Файл", u"Windows-1251", kNoIcon, nullptr,
     u"Windows-1251|Сохранять документ в кодировке Windows-1251"},
    {&ActionManager::FileEncodingUtf8, "FileEncodingUtf8", u"Файл", u"UTF-8 с BOM", kNoIcon, nullptr,
     u"UTF-8 с BOM|Сохранять документ в кодировке UTF-8 с меткой порядка байтов"},
    {&ActionManager::FileEncodingUtf16, "FileEncodingUtf16", u"Файл", u"UTF-16", kNoIcon, nullptr,
     u"UTF-16|Сохранять документ в кодировке UTF-16"},
    {&ActionManager::FilePrintSetup1, "FilePrintSetup1", u"Файл", u"Настройки принтера...", kNoIcon, nullptr,
     u"Print Setup"},
    {&ActionManager::FilePrintPreview, "FilePrintPreview", u"Файл", u"Просмотр печати...", 14, nullptr,
     u"Просмотр печати|Предварительный просмотр области печати документа"},
    {&ActionManager::FilePrint, "FilePrint", u"Файл", u"Печать", 3, "Ctrl+P",
     nullptr},
    {&ActionManager::FileExit1, "FileExit1", u"Файл", u"Выход", 43, nullptr,
     u"Выход|Завершение работы приложения"},
    {&ActionManager::EditUndo1, "EditUndo1", u"Правка", u"Отмена", 8, "Ctrl+Z",
     u"Отмена|Отменяет последнее действие"},
    {&ActionManager::EditCopy1, "EditCopy1", u"Правка", u"Копировать", 4, "Ctrl+C",
     u"Копировать|Копирует выделенный текст в буфер обмена"},
    {&ActionManager::EditCut1, "EditCut1", u"Правка", u"Вырезать", 5, "Ctrl+X",
     u"Вырезать|Вырезает выделенный текст и вставляет его в буфер обмена"},
    {&ActionManager::EditPaste1, "EditPaste1", u"Правка", u"Вставить", 6, "Ctrl+V",
     u"Вставить/Вставляет содержимое буфера обмена"},
    {&ActionManager::EditSelectAll1, "EditSelectAll1", u"Правка", u"Выделить все", kNoIcon, "Ctrl+A",
     u"Выделить все|Выделяет весь документ"},
    {&ActionManager::EditDelete1, "EditDelete1", u"Правка", u"Удалить", 7, "Del",
     u"Удалить|Удаление выделенного текста"},
    {&ActionManager::ActionSearch, "ActionSearch", u"Поиск", u"Поиск", 16, "Ctrl+F",
     nullptr},
    {&ActionManager::ActionSearchNext, "ActionSearchNext", u"Поиск", u"Искать далее", kNoIcon, "F3",
     nullptr},
    {&ActionManager::Help, "Help", u"Помощь", u"Справка", 10, nullptr,
     nullptr},
    // The menu entry underlines the first letter of "Brindlepad в интернете".
    {&ActionManager::Action2, "Action2", u"Помощь", u"&Brindlepad в интернете", kNoIcon, nullptr,
     nullptr},
    {&ActionManager::Action1, "Action1", u"Помощь", u"О программе...", kNoIcon, nullptr,
     nullptr},
    {&ActionManager::ActionReplace, "ActionReplace", u"Поиск", u"Заменить...", kNoIcon, "Ctrl+H",
     u"Заменить|Замена найденного текста другим"},
    {&ActionManager::ActionGoToLine, "ActionGoToLine", u"Поиск", u"Перейти к строке...", kNoIcon, "Ctrl+G",
     u"Перейти к строке|Переход к строке с заданным номером"},
    {&ActionManager::ViewZoomIn, "ViewZoomIn", u"Вид", u"Увеличить шрифт", kNoIcon, "Ctrl++",
     u"Увеличить шрифт|Увеличивает размер шрифта редактора"},
    {&ActionManager::ViewZoomOut, "ViewZoomOut", u"Вид", u"Уменьшить шрифт", kNoIcon, "Ctrl+-",
     u"Уменьшить шрифт|Уменьшает размер шрифта редактора"},
    {&ActionManager::ViewZoomReset, "ViewZoomReset", u"Вид", u"Обычный размер шрифта", kNoIcon, nullptr,
     u"Обычный размер шрифта|Возвращает шрифту редактора обычный размер"},
};
// clang-format on

} // namespace

ActionManager::ActionManager(QObject *owner)
{
    for (const ActionRow &row : kActionRows) {
        auto *action = new QAction(QString::fromUtf16(row.caption), owner);
        action->setObjectName(QLatin1StringView(row.name));
        action->setProperty("category", QString::fromUtf16(row.category));
        if (row.icon != kNoIcon)
            action->setIcon(ImageListActions::icon(row.icon));
        if (row.shortcut)
            action->setShortcut(
                QKeySequence(QLatin1StringView(row.shortcut), QKeySequence::PortableText));
        // Shortcuts act anywhere in the main window, ahead of the editor pane's own keys.
        action->setShortcutContext(Qt::WindowShortcut);
        if (row.hint) {
            const QString hint = QString::fromUtf16(row.hint);
            const qsizetype bar = hint.indexOf(u'|');
            action->setToolTip(bar < 0 ? hint : hint.left(bar));
            action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
        }
        this->*row.member = action;
    }
}

QList<QAction *> ActionManager::all() const
{
    QList<QAction *> actions;
    for (const ActionRow &row : kActionRows)
        actions << this->*row.member;
    return actions;
}

} // namespace bp
