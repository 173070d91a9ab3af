#include "command_table.h"

#include "icons/image_list_actions.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

namespace bp {
namespace {

constexpr int kNoIcon = -1;
constexpr int kOwn = -1;

struct MenuRow
{
    CommandMenu menu;
    const char16_t *caption;
    // A submenu shows in this menu, where its first command's row is.
    CommandMenu parent;
    const char *name;
};

// clang-format off
const MenuRow kMenuRows[] = {
    {CommandMenu::File, u"Файл", CommandMenu::None, nullptr},
    // The encoding the next save writes, right after the save commands.
    {CommandMenu::Encoding, u"Кодировка", CommandMenu::File, "FileEncodingMenu"},
    {CommandMenu::Edit, u"Правка", CommandMenu::None, nullptr},
    {CommandMenu::Search, u"Поиск", CommandMenu::None, nullptr},
    {CommandMenu::View, u"Вид", CommandMenu::None, nullptr},
    {CommandMenu::Help, u"Помощь", CommandMenu::None, nullptr},
};
// clang-format on

const MenuRow &menuRow(CommandMenu menu)
{
    return *std::find_if(std::begin(kMenuRows), std::end(kMenuRows),
                         [menu](const MenuRow &row) { return row.menu == menu; });
}

struct ActionRow
{
    // The window's own command; null for one a subsystem binds.
    QAction *ActionManager::*member;
    // The WindowCommand a subsystem binds, or kOwn.
    int bound;
    const char *name;
    // The menu and the group in it: a separator stands between two groups. The table's order
    // is the menu's.
    CommandMenu menu;
    int group;
    const char16_t *caption;
    int icon;
    // Several are separated by "; ".
    const char *shortcut;
    // Short and long hint joined by "|"; a hint without "|" serves whole as both.
    const char16_t *hint;
    // The place on a tool bar, bar × 100 + group × 10 + order; 0 for none.
    int tool;
    // The place in the editor's context menu, group × 10 + order; 0 for none.
    int popup;
};

#define OWN(member) &ActionManager::member, kOwn, #member
#define BOUND(command, name) nullptr, int(WindowCommand::command), name

// clang-format off
const ActionRow kActionRows[] = {
    {OWN(FileNew), CommandMenu::File, 1, u"Создать...", 0, "Ctrl+N",
     u"Создать|Создать новый QPILE файл", 111, 0},
    {OWN(FileOpen1), CommandMenu::File, 1, u"&Открыть...", 1, "Ctrl+O",
     u"Открыть|Открыть QPILE файл для редактирования", 112, 0},
    {OWN(FileSave), CommandMenu::File, 1, u"Сохранить", 2, "Ctrl+S",
     u"Сохранить|Сохранение измененного ранее файла", 113, 0},
    {OWN(FileSaveAs1), CommandMenu::File, 1, u"Сохранить как...", 30, "Ctrl+Shift+F12",
     u"Сохранить как|Сохранение текущего файла с новым именем", 0, 0},
    {OWN(FileEncodingAnsi), CommandMenu::Encoding, 1, u"Windows-1251", kNoIcon, nullptr,
     u"Windows-1251|Сохранять документ в кодировке Windows-1251", 0, 0},
    {OWN(FileEncodingUtf8), CommandMenu::Encoding, 1, u"UTF-8 с BOM", kNoIcon, nullptr,
     u"UTF-8 с BOM|Сохранять документ в кодировке UTF-8 с меткой порядка байтов", 0, 0},
    {OWN(FileEncodingUtf16), CommandMenu::Encoding, 1, u"UTF-16", kNoIcon, nullptr,
     u"UTF-16|Сохранять документ в кодировке UTF-16", 0, 0},
    {OWN(FilePrintSetup1), CommandMenu::File, 2, u"Настройки принтера...", kNoIcon, nullptr,
     u"Print Setup", 0, 0},
    {OWN(FilePrintPreview), CommandMenu::File, 2, u"Просмотр печати...", 14, nullptr,
     u"Просмотр печати|Предварительный просмотр области печати документа", 0, 0},
    {OWN(FilePrint), CommandMenu::File, 2, u"Печать", 3, "Ctrl+P",
     nullptr, 121, 0},
    {OWN(FileExit1), CommandMenu::File, 3, u"Выход", 43, nullptr,
     u"Выход|Завершение работы приложения", 0, 0},
    {OWN(EditUndo1), CommandMenu::Edit, 1, u"Отмена", 8, "Ctrl+Z",
     u"Отмена|Отменяет последнее действие", 221, 11},
    {OWN(EditCopy1), CommandMenu::Edit, 2, u"Копировать", 4, "Ctrl+C",
     u"Копировать|Копирует выделенный текст в буфер обмена", 211, 21},
    {OWN(EditCut1), CommandMenu::Edit, 2, u"Вырезать", 5, "Ctrl+X",
     u"Вырезать|Вырезает выделенный текст и вставляет его в буфер обмена", 212, 22},
    {OWN(EditPaste1), CommandMenu::Edit, 2, u"Вставить", 6, "Ctrl+V",
     u"Вставить/Вставляет содержимое буфера обмена", 213, 23},
    {OWN(EditSelectAll1), CommandMenu::Edit, 3, u"Выделить все", kNoIcon, "Ctrl+A",
     u"Выделить все|Выделяет весь документ", 0, 31},
    {OWN(EditDelete1), CommandMenu::Edit, 4, u"Удалить", 7, "Del",
     u"Удалить|Удаление выделенного текста", 0, 0},
    {OWN(N9), CommandMenu::None, 0, u"Поставить/снять комментарий", kNoIcon, nullptr,
     nullptr, 0, 41},
    {OWN(ActionSearch), CommandMenu::Search, 1, u"Поиск", 16, "Ctrl+F",
     nullptr, 231, 0},
    {OWN(ActionSearchNext), CommandMenu::Search, 1, u"Искать далее", kNoIcon, "F3",
     nullptr, 0, 0},
    {OWN(ActionReplace), CommandMenu::Search, 1, u"Заменить...", kNoIcon, "Ctrl+H",
     u"Заменить|Замена найденного текста другим", 0, 0},
    {OWN(ActionGoToLine), CommandMenu::Search, 2, u"Перейти к строке...", kNoIcon, "Ctrl+G",
     u"Перейти к строке|Переход к строке с заданным номером", 0, 0},
    // Keyboards without a separate "+" key reach it as "=" and the keypad's keys as well.
    {OWN(ViewZoomIn), CommandMenu::View, 1, u"Увеличить шрифт", kNoIcon, "Ctrl++; Ctrl+=",
     u"Увеличить шрифт|Увеличивает размер шрифта редактора", 0, 0},
    {OWN(ViewZoomOut), CommandMenu::View, 1, u"Уменьшить шрифт", kNoIcon, "Ctrl+-",
     u"Уменьшить шрифт|Уменьшает размер шрифта редактора", 0, 0},
    {OWN(ViewZoomReset), CommandMenu::View, 2, u"Обычный размер шрифта", kNoIcon, nullptr,
     u"Обычный размер шрифта|Возвращает шрифту редактора обычный размер", 0, 0},
    {BOUND(FunctionHelp, "ActionFunctionHelp"), CommandMenu::View, 3, u"Справка по функции", kNoIcon, "F1",
     u"Справка по функции|Описание функции QPILE под кареткой или выбранной в библиотеке", 0, 0},
    {BOUND(SignatureTip, "ActionSignatureTip"), CommandMenu::View, 3, u"Подсказка параметров", kNoIcon, "Ctrl+Shift+Space",
     u"Подсказка параметров|Параметры функции QPILE, в вызове которой стоит каретка", 0, 0},
    {BOUND(FocusLibrary, "ViewFocusLibrary"), CommandMenu::View, 4, u"Библиотека функций", kNoIcon, "Alt+1",
     nullptr, 0, 0},
    {BOUND(FocusProblems, "ViewFocusProblems"), CommandMenu::View, 4, u"Проверка", kNoIcon, "Alt+2",
     nullptr, 0, 0},
    {BOUND(FocusOutline, "ViewFocusOutline"), CommandMenu::View, 4, u"Структура", kNoIcon, "Alt+3",
     nullptr, 0, 0},
    {OWN(Help), CommandMenu::Help, 1, u"Справка", 10, nullptr,
     nullptr, 0, 0},
    // The menu entry underlines the first letter of "Brindlepad в интернете".
    {OWN(Action2), CommandMenu::Help, 2, u"&Brindlepad в интернете", kNoIcon, nullptr,
     nullptr, 0, 0},
    {OWN(Action1), CommandMenu::Help, 3, u"О программе...", kNoIcon, nullptr,
     nullptr, 0, 0},
};
// clang-format on

#undef OWN
#undef BOUND

// The actions of `rows` ordered by `place`, a separator (null) where the tens change.
template <typename Place> QList<QAction *> placed(const QList<QAction *> &actions, Place place)
{
    QList<std::pair<int, QAction *>> chosen;
    for (qsizetype i = 0; i < actions.size(); ++i)
        if (const int at = place(kActionRows[i]))
            chosen.append({at, actions[i]});
    std::sort(chosen.begin(), chosen.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    QList<QAction *> result;
    for (qsizetype i = 0; i < chosen.size(); ++i) {
        if (i > 0 && chosen[i].first / 10 != chosen[i - 1].first / 10)
            result.append(nullptr);
        result.append(chosen[i].second);
    }
    return result;
}

} // namespace

ActionManager::ActionManager(QObject *owner)
{
    for (const ActionRow &row : kActionRows) {
        auto *action = new QAction(QString::fromUtf16(row.caption), owner);
        action->setObjectName(QLatin1StringView(row.name));
        if (row.menu != CommandMenu::None) {
            const MenuRow &menu = menuRow(row.menu);
            const MenuRow &top = menu.parent == CommandMenu::None ? menu : menuRow(menu.parent);
            action->setProperty("category", QString::fromUtf16(top.caption));
        }
        if (row.icon != kNoIcon)
            action->setIcon(ImageListActions::icon(row.icon));
        if (row.shortcut)
            action->setShortcuts(QKeySequence::listFromString(QLatin1StringView(row.shortcut),
                                                              QKeySequence::PortableText));
        // Shortcuts act anywhere in the main window, ahead of the editor pane's own keys.
        action->setShortcutContext(Qt::WindowShortcut);
        if (row.hint) {
            const QString hint = QString::fromUtf16(row.hint);
            const qsizetype bar = hint.indexOf(u'|');
            action->setToolTip(bar < 0 ? hint : hint.left(bar));
            action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
        }
        if (row.member)
            this->*row.member = action;
        else
            m_bound[std::size_t(row.bound)] = action;
    }
}

QList<QAction *> ActionManager::all() const
{
    QList<QAction *> actions;
    for (const ActionRow &row : kActionRows)
        if (row.member)
            actions << this->*row.member;
    return actions;
}

QList<QAction *> ActionManager::every() const
{
    QList<QAction *> actions;
    for (const ActionRow &row : kActionRows)
        actions << (row.member ? this->*row.member : m_bound[std::size_t(row.bound)]);
    return actions;
}

void ActionManager::fillMenuBar(QMenuBar &bar)
{
    std::array<int, 7> lastGroup{};
    for (const MenuRow &row : kMenuRows)
        if (row.parent == CommandMenu::None)
            m_menus[std::size_t(row.menu)] = bar.addMenu(QString::fromUtf16(row.caption));
    // A separator before an entry whose group differs from the one above it.
    const auto add = [&](CommandMenu menu, int group, QAction *entry) {
        QMenu *into = m_menus[std::size_t(menu)];
        if (!into->actions().isEmpty() && lastGroup[std::size_t(menu)] != group)
            into->addSeparator();
        into->addAction(entry);
        lastGroup[std::size_t(menu)] = group;
    };
    const QList<QAction *> actions = every();
    for (qsizetype i = 0; i < actions.size(); ++i) {
        const ActionRow &row = kActionRows[i];
        if (row.menu == CommandMenu::None)
            continue;
        const MenuRow &menu = menuRow(row.menu);
        if (!m_menus[std::size_t(row.menu)]) {
            auto *submenu =
                new QMenu(QString::fromUtf16(menu.caption), m_menus[std::size_t(menu.parent)]);
            submenu->setObjectName(QLatin1StringView(menu.name));
            m_menus[std::size_t(row.menu)] = submenu;
            add(menu.parent, row.group, submenu->menuAction());
        }
        add(row.menu, row.group, actions[i]);
    }
}

QList<QAction *> ActionManager::toolBar(int bar) const
{
    return placed(every(), [bar](const ActionRow &row) {
        return row.tool / 100 == bar ? row.tool % 100 : 0;
    });
}

QList<QAction *> ActionManager::contextMenu() const
{
    return placed(every(), [](const ActionRow &row) { return row.popup; });
}

} // namespace bp
