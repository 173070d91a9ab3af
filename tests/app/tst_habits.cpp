#include "../editor/text_picture.h"
#include "app/caret_position.h"
#include "app/go_to_line.h"
#include "app/recent_files.h"
#include "editor/model/edit_model.h"
#include "platform/settings_store.h"
#include "test_runner.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace bp;

Q_DECLARE_METATYPE(bp::TSelectionMode)

class TestHabits : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    // --- go to line -----------------------------------------------------------------

    void parseGoToLine_data()
    {
        QTest::addColumn<QString>("typed");
        // The position reached, or {0, 0} and the start of the message.
        QTest::addColumn<TBufferCoord>("position");
        QTest::addColumn<QString>("problem");

        QTest::newRow("line") << u"3"_s << TBufferCoord{1, 3} << QString();
        QTest::newRow("blanks around") << u"  2 "_s << TBufferCoord{1, 2} << QString();
        QTest::newRow("line and column") << u"2:3"_s << TBufferCoord{3, 2} << QString();
        QTest::newRow("column past a tab is a display column")
            << u"3 : 6"_s << TBufferCoord{3, 3} << QString();
        QTest::newRow("column just past the line's end")
            << u"1:4"_s << TBufferCoord{4, 1} << QString();
        QTest::newRow("first line") << u"1"_s << TBufferCoord{1, 1} << QString();
        QTest::newRow("line 0") << u"0"_s << TBufferCoord{0, 0} << u"Номер строки"_s;
        QTest::newRow("after the last line") << u"5"_s << TBufferCoord{0, 0} << u"Номер строки"_s;
        QTest::newRow("huge number") << u"99999999999"_s << TBufferCoord{0, 0} << u"Номер строки"_s;
        QTest::newRow("column 0") << u"2:0"_s << TBufferCoord{0, 0} << u"Номер столбца"_s;
        QTest::newRow("column beyond the line")
            << u"1:5"_s << TBufferCoord{0, 0}
            << u"Номер столбца в строке 1 должен быть от 1 до 4"_s;
        QTest::newRow("empty") << u""_s << TBufferCoord{0, 0} << u"Введите"_s;
        QTest::newRow("negative") << u"-1"_s << TBufferCoord{0, 0} << u"Введите"_s;
        QTest::newRow("letters") << u"abc"_s << TBufferCoord{0, 0} << u"Введите"_s;
        QTest::newRow("colon without column") << u"2:"_s << TBufferCoord{0, 0} << u"Введите"_s;
        QTest::newRow("two colons") << u"1:2:3"_s << TBufferCoord{0, 0} << u"Введите"_s;
    }

    void parseGoToLine()
    {
        QFETCH(QString, typed);
        QFETCH(TBufferCoord, position);
        QFETCH(QString, problem);
        EditModel editor;
        picture::load(editor, u"abc\nabcdef\n\tx y\nlast"_s);
        const GoToLineTarget target = bp::parseGoToLine(typed, editor);
        if (problem.isEmpty()) {
            QVERIFY2(target.position.has_value(), qPrintable(target.problem));
            QCOMPARE(*target.position, position);
            QVERIFY(target.problem.isEmpty());
        } else {
            QVERIFY(!target.position);
            QVERIFY2(target.problem.startsWith(problem), qPrintable(target.problem));
        }
    }

    void goToLineInAnEmptyDocument()
    {
        EditModel editor;
        QCOMPARE(*bp::parseGoToLine(u"1"_s, editor).position, (TBufferCoord{1, 1}));
        QCOMPARE(bp::parseGoToLine(u"2"_s, editor).problem,
                 u"Номер строки должен быть от 1 до 1"_s);
    }

    void goToLineMovesTheCaretAndShowsTheLine()
    {
        EditModel editor;
        QStringList lines;
        for (int i = 1; i <= 500; ++i)
            lines << QString::number(i);
        editor.Lines().setText(lines.join(u'\n'));
        editor.viewWindow().setSize(20, 80);
        editor.setBlockBegin({1, 1});
        editor.setBlockEnd({2, 3});
        bp::goToLine(editor, {2, 300});
        QCOMPARE(editor.CaretXY(), (TBufferCoord{2, 300}));
        QVERIFY(!editor.SelAvail());
        // A far line comes to the middle of the view.
        QCOMPARE(editor.viewWindow().topLine(), 290);
        // A line already in view does not scroll it.
        bp::goToLine(editor, {1, 295});
        QCOMPARE(editor.viewWindow().topLine(), 290);
        bp::goToLine(editor, {1, 1});
        QCOMPARE(editor.viewWindow().topLine(), 1);
    }

    // --- caret position ---------------------------------------------------------------

    void caretPositionText_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::addColumn<TSelectionMode>("mode");
        QTest::addColumn<QString>("text");

        QTest::newRow("start") << u"|abc"_s << TSelectionMode::smNormal << u"Стр 1, Стб 1"_s;
        QTest::newRow("after a tab the display column")
            << u"x\n\tab|c"_s << TSelectionMode::smNormal << u"Стр 2, Стб 7"_s;
        QTest::newRow("virtual space")
            << u"ab··|"_s << TSelectionMode::smNormal << u"Стр 1, Стб 5"_s;
        QTest::newRow("selection on one line")
            << u"a[bcd|]e"_s << TSelectionMode::smNormal << u"Стр 1, Стб 5, выделено: 3"_s;
        QTest::newRow("selection over lines") << u"a[bc\nde\nf|]g"_s << TSelectionMode::smNormal
                                              << u"Стр 3, Стб 2, выделено: 5 (3 стр.)"_s;
        QTest::newRow("line selection")
            << u"a[bc\nd|]e"_s << TSelectionMode::smLine << u"Стр 2, Стб 2, выделено: 5 (2 стр.)"_s;
        QTest::newRow("column block")
            << u"a[bcd\nefg|]h"_s << TSelectionMode::smColumn << u"Стр 2, Стб 4, выделено: 2 × 2"_s;
    }

    void caretPositionText()
    {
        QFETCH(QString, picture);
        QFETCH(TSelectionMode, mode);
        QFETCH(QString, text);
        EditModel editor;
        picture::load(editor, picture);
        if (mode != TSelectionMode::smNormal) {
            const TBufferCoord begin = editor.BlockBegin();
            const TBufferCoord caret = editor.CaretXY();
            editor.setSelectionMode(mode);
            editor.setCaretXY(begin, false);
            editor.setCaretXY(caret, true);
        }
        QCOMPARE(bp::caretPositionText(editor), text);
    }

    // The panel's running total agrees with counting afresh while a selection grows and
    // shrinks at either end, crosses its anchor, jumps elsewhere, changes mode, and after the
    // text changes under it.
    void caretPositionKeepsItsTotalRight()
    {
        EditModel editor;
        QStringList lines;
        for (int i = 0; i < 200; ++i)
            lines << QString(i % 17, u'x');
        editor.Lines().setText(lines.join(u'\n'));
        bp::CaretPosition position(editor);
        auto check = [&] { QCOMPARE(position.text(), bp::caretPositionText(editor)); };
        editor.setCaretXY({3, 10});
        check();
        for (int line = 11; line <= 60; ++line) {
            editor.setCaretXY({2, line}, true);
            check();
        }
        for (int line = 59; line >= 5; --line) {
            editor.setCaretXY({2, line}, true);
            check();
        }
        editor.setCaretXY({1, 150}, false);
        editor.setCaretXY({4, 190}, true);
        check();
        editor.setCaretXY({4, 140}, true);
        check();
        editor.Lines().setLine(145, u"a longer line than any before it"_s);
        check();
        editor.executeCommand(ecBlockIndent);
        check();
        editor.setSelectionMode(TSelectionMode::smLine);
        check();
        editor.executeCommand(ecUndo);
        check();
        editor.Lines().setText(u"ab\ncd\nef"_s);
        editor.setCaretXY({1, 1});
        editor.setCaretXY({2, 3}, true);
        check();
    }

    // --- recent files -------------------------------------------------------------------

    void recentFilesKeepOrderWithoutDuplicatesUpToTheLimit()
    {
        QtSettingsStore store(m_dir.filePath(u"recent.conf"_s), QSettings::NativeFormat);
        RecentFiles recent(store);
        QVERIFY(recent.files().isEmpty());
        const QString a = m_dir.filePath(u"a.qpl"_s);
        const QString b = m_dir.filePath(u"b.qpl"_s);
        recent.add(a);
        recent.add(b);
        QCOMPARE(recent.files(), (QStringList{b, a}));
        // The same file by another spelling moves to the top instead of appearing twice.
        recent.add(m_dir.path() + u"/./sub/../a.qpl"_s);
        QCOMPARE(recent.files(), (QStringList{a, b}));
        for (int i = 0; i < 10; ++i)
            recent.add(m_dir.filePath(u"f%1.qpl"_s.arg(i)));
        const QStringList files = recent.files();
        QCOMPARE(files.size(), RecentFiles::kLimit);
        QCOMPARE(files.first(), m_dir.filePath(u"f9.qpl"_s));
        QCOMPARE(files.last(), m_dir.filePath(u"f2.qpl"_s));
        recent.remove(m_dir.filePath(u"f5.qpl"_s));
        QCOMPARE(recent.files().size(), RecentFiles::kLimit - 1);
        QVERIFY(!recent.files().contains(m_dir.filePath(u"f5.qpl"_s)));
        // A relative path is kept as the absolute one.
        recent.add(u"rel.qpl"_s);
        QCOMPARE(recent.files().first(), QDir::current().absoluteFilePath(u"rel.qpl"_s));
    }

    void recentFileCaptions_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("caption");
        const QString home = QDir::homePath();
        QTest::newRow("short path") << 0 << u"/tmp/a.qpl"_s << u"&1 /tmp/a.qpl"_s;
        QTest::newRow("home folder") << 7 << home + u"/work/a.qpl"_s << u"&8 ~/work/a.qpl"_s;
        QTest::newRow("ampersand doubled") << 1 << u"/tmp/R&D/a.qpl"_s << u"&2 /tmp/R&&D/a.qpl"_s;
        QTest::newRow("long path loses middle folders")
            << 2 << u"/srv/portfolios/clients/archive/2026/december/long_folder_name/script.qpl"_s
            << u"&3 /…/2026/december/long_folder_name/script.qpl"_s;
        QTest::newRow("long file name stays whole")
            << 3 << u"/srv/a/b/portfolio_with_a_very_long_name_that_fills_the_menu_line_alone.qpl"_s
            << u"&4 /…/portfolio_with_a_very_long_name_that_fills_the_menu_line_alone.qpl"_s;
    }

    void recentFileCaptions()
    {
        QFETCH(int, index);
        QFETCH(QString, path);
        QFETCH(QString, caption);
        QCOMPARE(QDir::fromNativeSeparators(RecentFiles::menuCaption(index, path, 45)), caption);
    }
};

BP_TEST(TestHabits)

#include "tst_habits.moc"
