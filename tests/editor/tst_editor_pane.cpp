#include "common/error.h"
#include "editor/model/edit_model.h"
#include "editor/view/editor_pane.h"
#include "editor/view/key_map.h"
#include "editor/view/system_clipboard.h"
#include "platform/scroll_hint.h"
#include "test_runner.h"
#include "text_picture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QVBoxLayout>

using namespace bp;
using namespace Qt::StringLiterals;

namespace {

// Key presses as combined key codes; typed characters as negative codes.
QList<int> keys(std::initializer_list<QKeyCombination> combinations)
{
    QList<int> result;
    for (QKeyCombination combination : combinations)
        result << combination.toCombined();
    return result;
}

QList<int> typed(const QString &text)
{
    QList<int> result;
    for (QChar ch : text)
        result << -int(ch.unicode());
    return result;
}

void press(QWidget *widget, const QList<int> &script)
{
    for (int code : script) {
        if (code < 0) {
            QTest::keyClicks(widget, QString(QChar(char16_t(-code))));
            continue;
        }
        const QKeyCombination combination = QKeyCombination::fromCombined(code);
        QTest::keyClick(widget, combination.key(), combination.keyboardModifiers());
    }
}

// Collects the areas a widget repaints.
class PaintSpy : public QObject
{
public:
    explicit PaintSpy(QWidget *widget) { widget->installEventFilter(this); }
    QRegion painted;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

} // namespace

class TestEditorPane : public QObject
{
    Q_OBJECT

    struct Fixture
    {
        QWidget window;
        TEditorPane *pane;
        QLineEdit *other;
        int changes = 0;
        Fixture()
        {
            auto *layout = new QVBoxLayout(&window);
            pane = new TEditorPane;
            other = new QLineEdit;
            layout->addWidget(pane);
            layout->addWidget(other);
            window.resize(900, 400);
            window.show();
            pane->OnChange = [this] { ++changes; };
            pane->SetFocus();
            QApplication::setActiveWindow(&window);
        }
    };

private slots:
    void typingNotifiesOncePerCharacter()
    {
        Fixture f;
        QTest::keyClicks(f.pane, u"abc"_s);
        QCOMPARE(f.changes, 3);
        QCOMPARE(f.pane->Lines()[0], u"abc"_s);
        QCOMPARE(f.pane->model().CaretXY(), (TBufferCoord{4, 1}));
    }

    void pastingThreeLinesNotifiesOnce()
    {
        Fixture f;
        QGuiApplication::clipboard()->setText(u"one\r\ntwo\r\nthree"_s);
        QVERIFY(f.pane->UpdateAction(TEditAction::Paste));
        QVERIFY(f.pane->ExecuteAction(TEditAction::Paste));
        QCOMPARE(f.changes, 1);
        QCOMPARE(f.pane->Lines().Count(), 3);
        QVERIFY(f.pane->ExecuteAction(TEditAction::Undo));
        QVERIFY(f.changes >= 2);
        QCOMPARE(f.pane->Lines().text(), QString());
    }

    void pasteFollowsTheClipboardOfOthers()
    {
        // The answer is kept between keys; every change of the clipboard, by this program
        // or another, is seen at once.
        Fixture f;
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        QVERIFY(!f.pane->UpdateAction(TEditAction::Paste));
        QTest::keyClicks(f.pane, u"ab"_s);
        QVERIFY(!f.pane->UpdateAction(TEditAction::Paste));
        clipboard->setText(u"x"_s);
        QVERIFY(f.pane->UpdateAction(TEditAction::Paste));
        QTest::keyClicks(f.pane, u"c"_s);
        QVERIFY(f.pane->UpdateAction(TEditAction::Paste));
        clipboard->clear();
        QVERIFY(!f.pane->UpdateAction(TEditAction::Paste));
        f.pane->model().executeCommand(ecSelectAll);
        QVERIFY(f.pane->ExecuteAction(TEditAction::Copy));
        QVERIFY(f.pane->UpdateAction(TEditAction::Paste));
        QVERIFY(f.pane->ExecuteAction(TEditAction::Paste));
        QCOMPARE(f.pane->Lines()[0], u"abc"_s);
    }

    void actionsFollowTheFocus()
    {
        Fixture f;
        QTest::keyClicks(f.pane, u"abc"_s);
        f.pane->model().executeCommand(ecSelectAll);
        QVERIFY(f.pane->UpdateAction(TEditAction::Copy));
        QVERIFY(f.pane->UpdateAction(TEditAction::Delete));
        QSignalSpy state(f.pane, &TCustomEditorPane::actionStateChanged);
        f.other->setFocus();
        QVERIFY(state.count() > 0);
        QVERIFY(!f.pane->model().SelText().isEmpty());
        for (TEditAction action : {TEditAction::Copy, TEditAction::Cut, TEditAction::Paste,
                                   TEditAction::Undo, TEditAction::Delete, TEditAction::SelectAll})
            QVERIFY(!f.pane->UpdateAction(action));
        QVERIFY(!f.pane->ExecuteAction(TEditAction::Delete));
        QCOMPARE(f.pane->Lines()[0], u"abc"_s);
    }

    void privateBlockFormatCarriesTheMode()
    {
        Fixture f;
        f.pane->Lines().setText(u"abc\ndef"_s);
        f.pane->model().setSelectionMode(TSelectionMode::smColumn);
        f.pane->model().setBlockBegin({2, 1});
        f.pane->model().setBlockEnd({3, 2});
        QVERIFY(f.pane->ExecuteAction(TEditAction::Copy));
        const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
        QVERIFY(mime->hasFormat(blockClipboardMimeType()));
        QCOMPARE(mime->text(), u"b\r\ne"_s);
        QCOMPARE(mime->data(blockClipboardMimeType()), QByteArray("\x02"
                                                                  "b\r\ne\0",
                                                                  6));
    }

    void bookmarkDigitsFollowTheKeyboardRow()
    {
        // Shift+2 gives '"' on a Russian layout; the key's place still names digit 2.
        const int digit = keyboardDigit(11, 0x32);
#if defined(Q_OS_LINUX) || defined(Q_OS_WIN)
        QCOMPARE(digit, 2);
#endif
        QCOMPARE(commandForKey(Qt::Key_QuoteDbl, Qt::ControlModifier | Qt::ShiftModifier, 2),
                 TEditorCommand(ecSetMarker0 + 2));
        QCOMPARE(commandForKey(Qt::Key_At, Qt::ControlModifier | Qt::ShiftModifier),
                 TEditorCommand(ecSetMarker0 + 2));
        QCOMPARE(commandForKey(Qt::Key_0, Qt::ControlModifier, keyboardDigit(19, 0x30)),
                 TEditorCommand(ecGotoMarker0));
        QCOMPARE(commandForKey(Qt::Key_QuoteDbl, Qt::NoModifier, 2), ecNone);
    }

    void selectingPastTheBottomKeepsScrolling()
    {
        Fixture f;
        QStringList lines;
        for (int i = 1; i <= 300; ++i)
            lines << u"line %1"_s.arg(i);
        f.pane->Lines().setText(lines.join(u'\n'));
        QWidget *view = f.pane->viewport();
        const QPoint inside(f.pane->gutterWidth() + 1, 5);
        QTest::mousePress(view, Qt::LeftButton, {}, inside);
        const QPoint below(inside.x(), view->height() + 10);
        QMouseEvent move(QEvent::MouseMove, below, view->mapToGlobal(below), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &move);
        const int firstTop = f.pane->model().viewWindow().topLine();
        QTRY_VERIFY(f.pane->model().viewWindow().topLine() > firstTop + 2);
        QTest::mouseRelease(view, Qt::LeftButton, {}, below);
        const int stoppedAt = f.pane->model().viewWindow().topLine();
        QTest::qWait(150);
        QCOMPARE(f.pane->model().viewWindow().topLine(), stoppedAt);
        QVERIFY(f.pane->model().SelAvail());
        QCOMPARE(f.pane->model().BlockBegin(), (TBufferCoord{1, 1}));
    }

    void gutterWidensAtLine10000()
    {
        Fixture f;
        for (int i = 0; i < 9999; ++i)
            f.pane->Lines().Add(QString());
        const int fourDigits = f.pane->gutterWidth();
        QCOMPARE(fourDigits, 2 + 4 * QFontMetrics(gutterFont()).horizontalAdvance(u'0') + 2);
        f.pane->Lines().Add(QString());
        QCOMPARE(f.pane->gutterWidth() - fourDigits,
                 QFontMetrics(gutterFont()).horizontalAdvance(u'0'));
    }

    void clickPlacesTheCaretInVirtualSpace()
    {
        Fixture f;
        f.pane->Lines().setText(u"ab\ncd"_s);
        const int x = f.pane->gutterWidth() + 10 * f.pane->charWidth() + 1;
        const int y = f.pane->lineHeight() + 2;
        QTest::mouseClick(f.pane->viewport(), Qt::LeftButton, {}, QPoint(x, y));
        QCOMPARE(f.pane->model().CaretXY(), (TBufferCoord{11, 2}));
        // A click in the gutter goes to column 1; shift+click selects.
        QTest::mouseClick(f.pane->viewport(), Qt::LeftButton, Qt::ShiftModifier, QPoint(2, 2));
        QCOMPARE(f.pane->model().CaretXY(), (TBufferCoord{1, 1}));
        QCOMPARE(f.pane->model().SelText(), u"ab\r\ncd"_s);
        // The right button leaves caret and selection alone.
        QTest::mouseClick(f.pane->viewport(), Qt::RightButton, {}, QPoint(x, 2));
        QCOMPARE(f.pane->model().CaretXY(), (TBufferCoord{1, 1}));
        QVERIFY(f.pane->model().SelAvail());
    }

    void characterUnderAPoint()
    {
        // The cell under the point, not the nearer boundary: the right half of a character
        // is still that character. A tab covers its cells.
        Fixture f;
        f.pane->Lines().setText(u"ab\tc\nd"_s);
        const int w = f.pane->charWidth();
        const int h = f.pane->lineHeight();
        const auto at = [&](int cell, int row) {
            return f.pane->characterAt(
                QPoint(f.pane->gutterWidth() + cell * w + w - 1, row * h + 1));
        };
        QCOMPARE(at(0, 0), std::optional<TBufferCoord>(TBufferCoord{1, 1}));
        QCOMPARE(at(1, 0), std::optional<TBufferCoord>(TBufferCoord{2, 1}));
        QCOMPARE(at(3, 0), std::optional<TBufferCoord>(TBufferCoord{3, 1}));
        QCOMPARE(at(4, 0), std::optional<TBufferCoord>(TBufferCoord{4, 1}));
        QCOMPARE(at(5, 0), std::nullopt);
        QCOMPARE(at(0, 1), std::optional<TBufferCoord>(TBufferCoord{1, 2}));
        QCOMPARE(at(0, 2), std::nullopt);
        QCOMPARE(f.pane->characterAt(QPoint(1, 1)), std::nullopt);
    }

    void longLinesStayReachable()
    {
        Fixture f;
        f.pane->Lines().setText(QString(3000, u'x'));
        QTest::keyClick(f.pane, Qt::Key_End);
        QCOMPARE(f.pane->model().CaretXY(), (TBufferCoord{3001, 1}));
        QTest::keyClicks(f.pane, u"y"_s);
        QCOMPARE(f.pane->Lines()[0].right(2), u"xy"_s);
        QVERIFY(f.pane->horizontalScrollBar()->maximum() >=
                3002 - f.pane->model().viewWindow().columnsInWindow());
    }

    void paintsGutterActiveLineAndRightEdge()
    {
        Fixture f;
        f.pane->Lines().setText(u"first\nsecond"_s);
        f.pane->model().setCaretXY({1, 2});
        QImage image(f.pane->viewport()->size(), QImage::Format_RGB32);
        f.pane->viewport()->render(&image);
        const int lineHeight = f.pane->lineHeight();
        const int textX = f.pane->gutterWidth() + 30 * f.pane->charWidth();
        QCOMPARE(QColor(image.pixel(textX, lineHeight + lineHeight / 2)),
                 f.pane->activeLineColor());
        QCOMPARE(QColor(image.pixel(textX, lineHeight / 2)), QColor(Qt::white));
        const int edgeX = f.pane->gutterWidth() + 80 * f.pane->charWidth();
        QCOMPARE(QColor(image.pixel(edgeX, 3 * lineHeight)), QColor(0xC0, 0xC0, 0xC0));
        // The gutter runs from the window colour at its left edge to the button face.
        QCOMPARE(QColor(image.pixel(0, 5 * lineHeight)), f.pane->palette().color(QPalette::Base));
        QCOMPARE(QColor(image.pixel(f.pane->gutterWidth() - 1, 5 * lineHeight)),
                 f.pane->palette().color(QPalette::Button));
    }

    // A key repaints the lines it changed and the lines the caret left and entered, not the
    // screen.
    void keysRepaintOnlyTheLinesTheyTouch_data()
    {
        QTest::addColumn<QList<int>>("script");
        QTest::addColumn<QList<int>>("lines"); // 1-based lines repainted
        QTest::newRow("typed character") << typed(u"x"_s) << QList<int>{5};
        QTest::newRow("caret right") << keys({Qt::Key_Right}) << QList<int>{5};
        QTest::newRow("caret down") << keys({Qt::Key_Down}) << QList<int>{5, 6};
        QTest::newRow("selecting a line")
            << keys({Qt::ShiftModifier | Qt::Key_Down}) << QList<int>{5, 6};
    }

    void keysRepaintOnlyTheLinesTheyTouch()
    {
        QFETCH(QList<int>, script);
        QFETCH(QList<int>, lines);
        Fixture f;
        QStringList text;
        for (int i = 1; i <= 20; ++i)
            text << u"line %1"_s.arg(i);
        f.pane->Lines().setText(text.join(u'\n'));
        f.pane->model().setCaretXY({3, 5});
        QApplication::processEvents();
        PaintSpy spy(f.pane->viewport());
        press(f.pane, script);
        QApplication::processEvents();
        QRegion expected;
        for (int line : lines)
            expected += QRect(0, (line - 1) * f.pane->lineHeight(), f.pane->viewport()->width(),
                              f.pane->lineHeight());
        // A caret blink in between repaints within the caret's line.
        QCOMPARE(spy.painted.united(expected), expected);
        QVERIFY(!spy.painted.isEmpty());
    }

    void keysReachTheirCommands_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QList<int>>("script");
        QTest::addColumn<QString>("after");
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
        const Qt::KeyboardModifiers alt = Qt::AltModifier;
        QTest::newRow("tab indents a block")
            << u"[ab\ncd|]"_s << keys({Qt::Key_Tab}) << u"[\tab\n\tcd|]"_s;
        QTest::newRow("shift+tab unindents a block")
            << u"[\tab\n\tcd|]"_s << keys({shift | Qt::Key_Backtab}) << u"[ab\ncd|]"_s;
        QTest::newRow("enter copies the indentation")
            << u"\t x|"_s << keys({Qt::Key_Return}) << u"\t x\n\t |"_s;
        QTest::newRow("ctrl+m breaks the line too")
            << u"a|b"_s << keys({ctrl | Qt::Key_M}) << u"a\n|b"_s;
        QTest::newRow("backspace drops one indentation level")
            << u"    x\n        |y"_s << keys({Qt::Key_Backspace}) << u"    x\n    |y"_s;
        QTest::newRow("ctrl+backspace deletes the last word")
            << u"foo bar|"_s << keys({ctrl | Qt::Key_Backspace}) << u"foo |"_s;
        QTest::newRow("ctrl+t deletes the next word")
            << u"|foo bar"_s << keys({ctrl | Qt::Key_T}) << u"|bar"_s;
        QTest::newRow("ctrl+y deletes the line")
            << u"a\n|b\nc"_s << keys({ctrl | Qt::Key_Y}) << u"a\n|c"_s;
        QTest::newRow("ctrl+shift+y deletes to the end of the line")
            << u"a|bc"_s << keys({ctrl | shift | Qt::Key_Y}) << u"a|"_s;
        QTest::newRow("ctrl+shift+i and ctrl+shift+u indent and unindent")
            << u"a|b"_s
            << keys({ctrl | shift | Qt::Key_I, ctrl | shift | Qt::Key_I, ctrl | shift | Qt::Key_U})
            << u"\tab|"_s.replace(u"ab|"_s, u"a|b"_s);
        QTest::newRow("ctrl+right and shift+end")
            << u"|foo bar  "_s << keys({ctrl | Qt::Key_Right, shift | Qt::Key_End})
            << u"foo [|bar]  "_s.replace(u"[|bar]"_s, u"[bar|]"_s);
        QTest::newRow("ctrl+shift+b jumps to the partner")
            << u"|(a\nb)"_s << keys({ctrl | shift | Qt::Key_B}) << u"(a\nb|)"_s;
        QTest::newRow("insert switches to overwrite")
            << u"|abc"_s << keys({Qt::Key_Insert}) + typed(u"xy"_s) << u"xy|c"_s;
        QTest::newRow("alt+backspace undoes, shift+alt+backspace redoes")
            << u"a|"_s
            << typed(u"bc"_s) + keys({alt | Qt::Key_Backspace, alt | Qt::Key_Backspace,
                                      shift | alt | Qt::Key_Backspace})
            << u"abc|"_s;
        QTest::newRow("ctrl+z and ctrl+shift+z")
            << u"a|"_s
            << typed(u"bc"_s) + keys({ctrl | Qt::Key_Z, ctrl | shift | Qt::Key_Z, ctrl | Qt::Key_Z})
            << u"a|"_s;
        const QList<int> overQty =
            typed(u"qty"_s) +
            keys({shift | Qt::Key_Left, shift | Qt::Key_Left, shift | Qt::Key_Left}) +
            typed(u"lots"_s);
        QTest::newRow("one ctrl+z takes back a word typed over a selection")
            << u"total = price * |"_s << overQty + keys({ctrl | Qt::Key_Z})
            << u"total = price * [|qty]"_s;
        QTest::newRow("the next ctrl+z takes back the typing before it")
            << u"total = price * |"_s << overQty + keys({ctrl | Qt::Key_Z, ctrl | Qt::Key_Z})
            << u"total = price * |"_s;
        QTest::newRow("enter after a word typed over a selection is a step of its own")
            << u"total = price * |"_s << overQty + keys({Qt::Key_Return, ctrl | Qt::Key_Z})
            << u"total = price * lots|"_s;
        QTest::newRow("bookmarks with ctrl+shift+digit and ctrl+digit")
            << u"ab|\ncd"_s
            << keys({ctrl | shift | Qt::Key_2, Qt::Key_Down, Qt::Key_End, ctrl | Qt::Key_2})
            << u"ab|\ncd"_s;
        QTest::newRow("ctrl+shift+c selects a column that delete removes")
            << u"|ab\ncd"_s
            << keys({ctrl | shift | Qt::Key_C, shift | Qt::Key_Down, shift | Qt::Key_Right,
                     Qt::Key_Delete})
            << u"|b\nd"_s;
        QTest::newRow("ctrl+up scrolls without moving a visible caret")
            << u"a|\nb"_s << keys({ctrl | Qt::Key_Up, ctrl | Qt::Key_Down}) << u"a|\nb"_s;
    }
    void keysReachTheirCommands()
    {
        QFETCH(QString, before);
        QFETCH(QList<int>, script);
        QFETCH(QString, after);
        Fixture f;
        picture::load(f.pane->model(), before);
        press(f.pane, script);
        QCOMPARE(picture::save(f.pane->model()), after);
    }

    void windowShortcutsComeFirst()
    {
        // The main window binds these; its commands run and the pane never sees the keys.
        Fixture f;
        int newDocuments = 0;
        auto *fileNew = new QAction(&f.window);
        fileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
        f.window.addAction(fileNew);
        QObject::connect(fileNew, &QAction::triggered, [&] { ++newDocuments; });
        int undos = 0;
        auto *undo = new QAction(&f.window);
        undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
        f.window.addAction(undo);
        QObject::connect(undo, &QAction::triggered, [&] { ++undos; });
        picture::load(f.pane->model(), u"ab|cd"_s);
        QTest::keyClick(f.pane, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(newDocuments, 1);
        QTest::keyClicks(f.pane, u"x"_s);
        QTest::keyClick(f.pane, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(undos, 1);
        QCOMPARE(picture::save(f.pane->model()), u"abx|cd"_s);
    }

    void dragAndDrop_data()
    {
        QTest::addColumn<int>("pressColumn");
        QTest::addColumn<int>("dropColumn");
        QTest::addColumn<bool>("copy");
        QTest::addColumn<QString>("after");
        // Text "abc def" with "abc" selected.
        QTest::newRow("drag moves the selection") << 2 << 8 << false << u" def[abc|]"_s;
        QTest::newRow("ctrl at the drop copies") << 2 << 8 << true << u"abc def[abc|]"_s;
        QTest::newRow("a drop inside the selection does nothing")
            << 1 << 3 << false << u"[abc|] def"_s;
        QTest::newRow("a click inside the selection places the caret")
            << 2 << 2 << false << u"a|bc def"_s;
    }
    void dragAndDrop()
    {
        QFETCH(int, pressColumn);
        QFETCH(int, dropColumn);
        QFETCH(bool, copy);
        QFETCH(QString, after);
        Fixture f;
        picture::load(f.pane->model(), u"[abc|] def"_s);
        const int changesBefore = f.changes;
        QWidget *viewport = f.pane->viewport();
        auto at = [&](int column) {
            return QPoint(f.pane->gutterWidth() + (column - 1) * f.pane->charWidth(),
                          f.pane->lineHeight() / 2);
        };
        QTest::mousePress(viewport, Qt::LeftButton, {}, at(pressColumn));
        if (dropColumn != pressColumn) {
            // Far enough to start dragging, then over the drop point.
            QTest::mouseMove(viewport, at(pressColumn) + QPoint(0, 3 * f.pane->lineHeight()));
            QTest::mouseMove(viewport, at(dropColumn));
        }
        QTest::mouseRelease(viewport, Qt::LeftButton,
                            copy ? Qt::ControlModifier : Qt::KeyboardModifiers(), at(dropColumn));
        QCOMPARE(picture::save(f.pane->model()), after);
        if (f.changes > changesBefore) {
            QCOMPARE(f.changes, changesBefore + 1);
            f.pane->model().executeCommand(ecUndo); // the whole drop is one step
            QCOMPARE(picture::save(f.pane->model()), u"[abc|] def"_s);
        }
    }

    // Key, input-method and mouse work whose command fails ends at the boundary the window
    // sets, with the edit kept and the pane still working.
    void inputFailuresEndAtTheCommandBoundary()
    {
        Fixture f;
        QStringList reported;
        f.pane->setCommandBoundary([&](const std::function<void()> &work) {
            try {
                work();
                return true;
            } catch (const Error &error) {
                reported << error.message();
                return false;
            }
        });
        picture::load(f.pane->model(), u"[abc|] def"_s);
        f.pane->OnChange = [] { throw Error(u"Сбой"_s); };
        QTest::keyClicks(f.pane, u"x"_s);
        QInputMethodEvent commit;
        commit.setCommitString(u"y"_s);
        QApplication::sendEvent(f.pane, &commit);
        QCOMPARE(f.pane->Lines().text(), u"xy def"_s);
        // Drag "xy" behind "def".
        f.pane->model().setCaretXY({1, 1});
        f.pane->model().setCaretXY({3, 1}, true);
        QWidget *viewport = f.pane->viewport();
        auto at = [&](int column) {
            return QPoint(f.pane->gutterWidth() + (column - 1) * f.pane->charWidth(),
                          f.pane->lineHeight() / 2);
        };
        QTest::mousePress(viewport, Qt::LeftButton, {}, at(2));
        QTest::mouseMove(viewport, at(2) + QPoint(0, 3 * f.pane->lineHeight()));
        QTest::mouseMove(viewport, at(7));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at(7));
        QCOMPARE(f.pane->Lines().text(), u" defxy"_s);
        QCOMPARE(reported, QStringList(3, u"Сбой"_s));
        f.pane->OnChange = nullptr;
        QTest::keyClicks(f.pane, u"z"_s);
        QCOMPARE(reported.size(), 3);
        QVERIFY(f.pane->Lines().text().contains(u'z'));
    }

    void doubleClickSelectsTheWord()
    {
        Fixture f;
        f.pane->Lines().setText(u"x = foo_bar1(y)"_s);
        const QPoint point(f.pane->gutterWidth() + 6 * f.pane->charWidth() + 2,
                           f.pane->lineHeight() / 2);
        QTest::mouseDClick(f.pane->viewport(), Qt::LeftButton, {}, point);
        QCOMPARE(f.pane->model().SelText(), u"foo_bar1"_s);
    }

    void wideCharactersTakeTwoCellsOnScreen()
    {
        Fixture f;
        const int cell = f.pane->charWidth();
        const int left = f.pane->gutterWidth();
        const int h = f.pane->lineHeight();
        auto firstLine = [&](const QString &text) {
            f.pane->Lines().setText(text + u"\nsecond"_s);
            f.pane->model().setCaretXY({1, 2});
            QImage image(f.pane->viewport()->size(), QImage::Format_RGB32);
            f.pane->viewport()->render(&image);
            return image.copy(left, 0, image.width() - left, h);
        };
        // Two ideographs fill the four cells that four letters fill: what follows the
        // string, blank included, stands where it does after the letters.
        const QImage letters = firstLine(u"x = \"ABCD\" + 1"_s);
        const QImage wide = firstLine(u"x = \"\u65E5\u672C\" + 1"_s);
        QCOMPARE(wide.copy(0, 0, 5 * cell, h), letters.copy(0, 0, 5 * cell, h));
        QCOMPARE(wide.copy(9 * cell, 0, 6 * cell, h), letters.copy(9 * cell, 0, 6 * cell, h));

        // The caret before "+" stands at cell 11; an overwrite caret covers both cells of
        // an ideograph.
        f.pane->model().setCaretXY({10, 1});
        QCOMPARE(f.pane->caretRect().left(), left + 11 * cell);
        f.pane->model().setInsertMode(false);
        f.pane->model().setCaretXY({6, 1});
        QCOMPARE(f.pane->caretRect(), QRect(left + 5 * cell, 0, 2 * cell, h));
        f.pane->model().setInsertMode(true);

        // Clicks go to the nearer side of the character under the mouse.
        const QList<std::pair<int, int>> clicks{
            {left + 11 * cell + 1, 10},           // on "+"
            {left + 5 * cell + cell / 2 + 1, 6},  // left half of the first ideograph
            {left + 6 * cell + 2, 7},             // its right half
            {left + 8 * cell + cell / 2 + 1, 8}}; // right half of the second one
        for (const auto &[x, column] : clicks) {
            QTest::mouseClick(f.pane->viewport(), Qt::LeftButton, {}, QPoint(x, h / 2));
            QCOMPARE(f.pane->model().CaretXY(), (TBufferCoord{column, 1}));
        }
    }

    void contextMenuKeyOpensTheMenuAtTheCaret()
    {
        Fixture f;
        f.window.resize(600, 400);
        f.window.move(60, 40);
        QMenu menu;
        menu.addAction(u"item"_s);
        f.pane->setContextMenu(&menu);
        f.pane->Lines().setText(u"first\nsecond line\nthird"_s);
        f.pane->model().setCaretXY({4, 2});
        // The window layer sends the menu key to the focused pane as a keyboard context
        // menu event at the point the pane gives as its cursor rectangle, which input
        // methods use too; the pane must open the menu at the caret in either case.
        const QRect caret = f.pane->caretRect();
        const QPoint expected = f.pane->viewport()->mapToGlobal(caret.bottomLeft());
        QCOMPARE(f.pane->inputMethodQuery(Qt::ImCursorRectangle).toRect(),
                 QRect(f.pane->viewport()->mapTo(f.pane, caret.topLeft()), caret.size()));
        const QPoint centre = f.pane->rect().center();
        QContextMenuEvent key(QContextMenuEvent::Keyboard, centre, f.pane->mapToGlobal(centre));
        QCoreApplication::sendEvent(f.pane, &key);
        QVERIFY(menu.isVisible());
        QVERIFY2((menu.pos() - expected).manhattanLength() <= 2,
                 qPrintable(u"menu at %1,%2, caret at %3,%4"_s.arg(menu.pos().x())
                                .arg(menu.pos().y())
                                .arg(expected.x())
                                .arg(expected.y())));
        menu.hide();
        // A right click still opens it where the mouse is.
        const QPoint click(f.pane->gutterWidth() + 40, 3 * f.pane->lineHeight() + 3);
        QContextMenuEvent event(QContextMenuEvent::Mouse, click,
                                f.pane->viewport()->mapToGlobal(click));
        QCoreApplication::sendEvent(f.pane->viewport(), &event);
        QVERIFY(menu.isVisible());
        QCOMPARE(menu.pos(), f.pane->viewport()->mapToGlobal(click));
        menu.hide();
    }

    void scrollHintStandsBesideTheThumb()
    {
        Fixture f;
        f.window.resize(600, 400);
        f.window.move(60, 40);
        f.pane->Lines().setText(QStringList(300, u"line"_s).join(u'\n'));
        QScrollBar *bar = f.pane->verticalScrollBar();
        const QLabel *hint = f.pane->scrollHint();
        QVERIFY(!hint->isVisible());
        // Drag the thumb with the mouse, a third of the way down.
        const QPoint grip = scrollBarThumb(bar).center();
        QTest::mousePress(bar, Qt::LeftButton, {}, grip);
        const QPoint to = grip + QPoint(0, bar->height() / 3);
        QMouseEvent move(QEvent::MouseMove, to, bar->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &move);
        QVERIFY(hint->isVisible());
        const int top = f.pane->model().viewWindow().topLine();
        QVERIFY(top > 1);
        QCOMPARE(hint->text(), u"Top Line: %1"_s.arg(top));
        QCOMPARE(hint->palette().color(QPalette::Window),
                 f.pane->palette().color(QPalette::ToolTipBase));
        // On screen, just left of the thumb and level with it, in global coordinates.
        const QRect shown(hint->mapToGlobal(QPoint(0, 0)), hint->size());
        const QRect thumb(bar->mapToGlobal(scrollBarThumb(bar).topLeft()),
                          scrollBarThumb(bar).size());
        QVERIFY2(bar->screen()->geometry().contains(shown),
                 qPrintable(u"hint at %1,%2"_s.arg(shown.x()).arg(shown.y())));
        QVERIFY(shown.right() < thumb.left());
        QVERIFY(thumb.left() - shown.right() <= 8);
        QVERIFY(shown.top() <= thumb.bottom() && shown.bottom() >= thumb.top());
        QTest::mouseRelease(bar, Qt::LeftButton, {}, to);
        QVERIFY(!hint->isVisible());
    }

    void bookmarksAreDrawnInTheGutter()
    {
        Fixture f;
        f.pane->Lines().setText(u"one\ntwo\nthree"_s);
        auto gutter = [&] {
            QImage image(f.pane->viewport()->size(), QImage::Format_RGB32);
            f.pane->viewport()->render(&image);
            return image.copy(0, 0, f.pane->gutterWidth(), 3 * f.pane->lineHeight());
        };
        const QImage plain = gutter();
        f.pane->model().setCaretXY({1, 2});
        QTest::keyClick(f.pane, Qt::Key_7, Qt::ControlModifier | Qt::ShiftModifier);
        const QImage marked = gutter();
        const int h = f.pane->lineHeight();
        QCOMPARE(marked.copy(0, 0, marked.width(), h), plain.copy(0, 0, plain.width(), h));
        QVERIFY(marked.copy(0, h, marked.width(), h) != plain.copy(0, h, plain.width(), h));
        QTest::keyClick(f.pane, Qt::Key_7, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(gutter(), plain);
    }

private:
    static QFont gutterFont()
    {
        QFont font(u"Courier New"_s);
        font.setStyleHint(QFont::TypeWriter);
        font.setPixelSize(11);
        return font;
    }
};

BP_TEST(TestEditorPane)
#include "tst_editor_pane.moc"
