#include "../editor/text_picture.h"
#include "common/error.h"
#include "editor/model/edit_model.h"
#include "search/model/editor_search.h"
#include "search/model/search_replace.h"
#include "test_runner.h"

#include <QTest>

using namespace Qt::StringLiterals;

using namespace bp;
using enum bp::TSearchOption;

Q_DECLARE_METATYPE(bp::TSearchOptions)
Q_DECLARE_METATYPE(bp::TSelectionMode)

class TestSearchReplace : public QObject
{
    Q_OBJECT

private slots:
    // Pictures: "|" is the caret, "[...]" the selection (see text_picture.h).
    void search_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<TSearchOptions>("options");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("count");
        const TSearchOptions none;

        QTest::newRow("forward from the caret selects the next one")
            << u"SET |x SET y"_s << u"SET"_s << none << u"SET x [SET|] y"_s << 1;
        QTest::newRow("forward finds an occurrence starting at the caret")
            << u"x |SET"_s << u"SET"_s << none << u"x [SET|]"_s << 1;
        QTest::newRow("forward with the caret inside an occurrence skips it")
            << u"SE|T x SET"_s << u"SET"_s << none << u"SET x [SET|]"_s << 1;
        QTest::newRow("forward continues on later lines")
            << u"a SET|\nb\nc SET"_s << u"SET"_s << none << u"a SET\nb\nc [SET|]"_s << 1;
        QTest::newRow("backward finds an occurrence ending at the caret")
            << u"SET| x"_s << u"SET"_s << TSearchOptions(ssoBackwards) << u"[|SET] x"_s << 1;
        QTest::newRow("backward with the caret inside an occurrence skips it")
            << u"SET x SE|T"_s << u"SET"_s << TSearchOptions(ssoBackwards) << u"[|SET] x SET"_s
            << 1;
        QTest::newRow("backward takes the last occurrence of an earlier line")
            << u"SET SET\n|x"_s << u"SET"_s << TSearchOptions(ssoBackwards) << u"SET [|SET]\nx"_s
            << 1;
        QTest::newRow("backward: aaa in aaaa is columns 1 to 3")
            << u"aaaa|"_s << u"aaa"_s << TSearchOptions(ssoBackwards) << u"[|aaa]a"_s << 1;
        QTest::newRow("entire scope starts at the document start")
            << u"SET x |SET"_s << u"SET"_s << TSearchOptions(ssoEntireScope) << u"[SET|] x SET"_s
            << 1;
        QTest::newRow("entire scope backwards starts at the document end")
            << u"|SET x SET"_s << u"SET"_s << (ssoEntireScope | ssoBackwards) << u"SET x [|SET]"_s
            << 1;
        QTest::newRow("whole words pass over a longer name")
            << u"|GET_PARAM_EX(1)\nx = (GET_PARAM)"_s << u"GET_PARAM"_s
            << TSearchOptions(ssoWholeWord) << u"GET_PARAM_EX(1)\nx = ([GET_PARAM|])"_s << 1;
        QTest::newRow("case is ignored unless asked for")
            << u"|SET_VALUE"_s << u"set_value"_s << none << u"[SET_VALUE|]"_s << 1;
        QTest::newRow("nothing found leaves the selection alone")
            << u"a[bc|]d"_s << u"zz"_s << none << u"a[bc|]d"_s << 0;
        QTest::newRow("empty search text leaves the selection alone")
            << u"a[bc|]d"_s << QString() << TSearchOptions(ssoEntireScope) << u"a[bc|]d"_s << 0;
        QTest::newRow("empty document")
            << QString() << u"x"_s << TSearchOptions(ssoEntireScope) << u"|"_s << 0;
        QTest::newRow("forward from the end of the last line")
            << u"SET|"_s << u"SET"_s << none << u"SET|"_s << 0;
        QTest::newRow("selected only searches inside the selection")
            << u"SET [x SET y|] SET"_s << u"SET"_s << TSearchOptions(ssoSelectedOnly)
            << u"SET x [SET|] y SET"_s << 1;
        QTest::newRow("selected only ignores the caret and the entire scope")
            << u"SET [x SET SET|]"_s << u"SET"_s << (ssoSelectedOnly | ssoEntireScope)
            << u"SET x [SET|] SET"_s << 1;
        QTest::newRow("selected only, backwards")
            << u"SET [|x SET SET y] SET"_s << u"SET"_s << (ssoSelectedOnly | ssoBackwards)
            << u"SET x SET [|SET] y SET"_s << 1;
        QTest::newRow("an occurrence crossing the selection end is outside")
            << u"[x SE|]T"_s << u"SET"_s << TSearchOptions(ssoSelectedOnly) << u"[x SE|]T"_s << 0;
        QTest::newRow("selected only without a selection searches from the caret")
            << u"SET |SET"_s << u"SET"_s << TSearchOptions(ssoSelectedOnly) << u"SET [SET|]"_s << 1;
    }

    void search()
    {
        QFETCH(QString, before);
        QFETCH(QString, pattern);
        QFETCH(TSearchOptions, options);
        QFETCH(QString, after);
        QFETCH(int, count);
        EditModel editor;
        picture::load(editor, before);
        TEditorSearch engine;
        QCOMPARE(SearchReplace(editor, &engine, pattern, QString(), options), count);
        QCOMPARE(picture::save(editor), after);
    }

    // Lines: "x SET y", "SET ab SET". The selection runs from (4, 1) to (5, 2).
    void selectionModes_data()
    {
        QTest::addColumn<TSelectionMode>("mode");
        QTest::addColumn<TSearchOptions>("options");
        QTest::addColumn<TBufferCoord>("found");

        const TBufferCoord none{0, 0};
        QTest::newRow("normal: from the begin column on the first line only")
            << TSelectionMode::smNormal << TSearchOptions(ssoSelectedOnly) << TBufferCoord{1, 2};
        QTest::newRow("line: whole lines, forwards")
            << TSelectionMode::smLine << TSearchOptions(ssoSelectedOnly) << TBufferCoord{3, 1};
        QTest::newRow("line: whole lines, backwards")
            << TSelectionMode::smLine << (ssoSelectedOnly | ssoBackwards) << TBufferCoord{8, 2};
        QTest::newRow("column: the columns on every line")
            << TSelectionMode::smColumn << TSearchOptions(ssoSelectedOnly) << none;
        QTest::newRow("column: backwards too")
            << TSelectionMode::smColumn << (ssoSelectedOnly | ssoBackwards) << none;
    }

    void selectionModes()
    {
        QFETCH(TSelectionMode, mode);
        QFETCH(TSearchOptions, options);
        QFETCH(TBufferCoord, found);
        EditModel editor;
        editor.Lines().Add(u"x SET y"_s);
        editor.Lines().Add(u"SET ab SET"_s);
        editor.setSelectionMode(mode);
        editor.setBlockBegin({4, 1});
        editor.setBlockEnd({5, 2});
        TEditorSearch engine;
        const int count = SearchReplace(editor, &engine, u"SET"_s, QString(), options);
        if (found == TBufferCoord{0, 0}) {
            QCOMPARE(count, 0);
            QCOMPARE(editor.BlockBegin(), (TBufferCoord{4, 1}));
            QCOMPARE(editor.selection().mode, mode);
            return;
        }
        QCOMPARE(count, 1);
        QCOMPARE(editor.selection().mode, mode);
        QCOMPARE(editor.BlockBegin(), found);
        QCOMPARE(editor.BlockEnd(), (TBufferCoord{found.Char + 3, found.Line}));
    }

    void columnSelectionKeepsToItsColumns()
    {
        // Normal mode would take SET at (1, 2); the column block starts at column 3.
        EditModel editor;
        editor.Lines().Add(u"abcd"_s);
        editor.Lines().Add(u"SET SET"_s);
        editor.setSelectionMode(TSelectionMode::smColumn);
        editor.setBlockBegin({8, 2});
        editor.setBlockEnd({3, 1});
        TEditorSearch engine;
        QCOMPARE(SearchReplace(editor, &engine, u"SET"_s, QString(), ssoSelectedOnly), 1);
        QCOMPARE(editor.BlockBegin(), (TBufferCoord{5, 2}));
        QCOMPARE(editor.CaretXY(), (TBufferCoord{8, 2}));
    }

    // 100 lines of "x"; the window shows 10 lines and 20 columns.
    void revealsTheMatch_data()
    {
        QTest::addColumn<int>("topLine");
        QTest::addColumn<int>("leftChar");
        QTest::addColumn<TBufferCoord>("caret");
        QTest::addColumn<TBufferCoord>("match");
        QTest::addColumn<bool>("backwards");
        QTest::addColumn<int>("newTopLine");
        QTest::addColumn<int>("newLeftChar");

        QTest::newRow("below the view: a line past the middle")
            << 1 << 1 << TBufferCoord{1, 1} << TBufferCoord{1, 50} << false << 46 << 1;
        QTest::newRow("above the view: a line before the middle")
            << 91 << 1 << TBufferCoord{1, 100} << TBufferCoord{1, 50} << true << 46 << 1;
        QTest::newRow("near the top of the document")
            << 91 << 1 << TBufferCoord{1, 100} << TBufferCoord{1, 2} << true << 1 << 1;
        QTest::newRow("inside the view: no scrolling")
            << 20 << 1 << TBufferCoord{1, 20} << TBufferCoord{1, 25} << false << 20 << 1;
        QTest::newRow("just above the view: the least scroll")
            << 20 << 1 << TBufferCoord{1, 25} << TBufferCoord{1, 19} << true << 19 << 1;
        // The last visible line may show only in part, so it counts as below the view.
        QTest::newRow("on the last visible line: a line past the middle")
            << 20 << 1 << TBufferCoord{1, 20} << TBufferCoord{1, 29} << false << 25 << 1;
        QTest::newRow("one below the view: a line past the middle")
            << 20 << 1 << TBufferCoord{1, 20} << TBufferCoord{1, 30} << false << 26 << 1;
        QTest::newRow("scrolled right: back to column 1")
            << 1 << 30 << TBufferCoord{1, 1} << TBufferCoord{5, 3} << false << 1 << 1;
        QTest::newRow("far right, forwards: the match end at the right edge")
            << 1 << 1 << TBufferCoord{1, 1} << TBufferCoord{40, 3} << false << 1 << 24;
        QTest::newRow("far right, backwards: the match start at the right edge")
            << 1 << 1 << TBufferCoord{1, 100} << TBufferCoord{40, 3} << true << 1 << 21;
    }

    void revealsTheMatch()
    {
        QFETCH(int, topLine);
        QFETCH(int, leftChar);
        QFETCH(TBufferCoord, caret);
        QFETCH(TBufferCoord, match);
        QFETCH(bool, backwards);
        QFETCH(int, newTopLine);
        QFETCH(int, newLeftChar);
        EditModel editor;
        for (int line = 1; line <= 100; ++line)
            editor.Lines().Add(line == match.Line ? QString(match.Char - 1, u' ') + u"SET"_s
                                                  : u"x"_s);
        editor.viewWindow().setSize(10, 20);
        editor.setCaretXY(caret);
        editor.viewWindow().setTopLine(topLine);
        editor.viewWindow().setLeftColumn(leftChar);
        TEditorSearch engine;
        TSearchOptions options;
        options.setFlag(ssoBackwards, backwards);
        QCOMPARE(SearchReplace(editor, &engine, u"SET"_s, QString(), options), 1);
        const TBufferCoord matchEnd{match.Char + 3, match.Line};
        QCOMPARE(editor.CaretXY(), backwards ? match : matchEnd);
        QCOMPARE(editor.viewWindow().topLine(), newTopLine);
        QCOMPARE(editor.viewWindow().leftColumn(), newLeftChar);
    }

    void errors()
    {
        EditModel editor;
        editor.Lines().Add(u"SET"_s);
        QVERIFY_THROWS_EXCEPTION(Error, SearchReplace(editor, nullptr, u"SET"_s, QString(), {}));
        // Replacing is not offered; asking for it must not look like a success.
        TEditorSearch engine;
        QVERIFY_THROWS_EXCEPTION(Error,
                                 SearchReplace(editor, &engine, u"SET"_s, u"x"_s, ssoReplaceAll));
        QCOMPARE(editor.Lines()[0], u"SET"_s);
    }
};

BP_TEST(TestSearchReplace)

#include "tst_search_replace.moc"
