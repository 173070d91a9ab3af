#include "../editor/text_picture.h"
#include "editor/model/edit_model.h"
#include "search/model/editor_search.h"
#include "search/model/replace_all.h"
#include "search/model/replace_commands.h"
#include "test_runner.h"

#include <QSignalSpy>
#include <QTest>
#include <deque>

using namespace Qt::StringLiterals;

using namespace bp;

namespace {

constexpr int kCase = int(TSearchOption::ssoMatchCase);
constexpr int kWhole = int(TSearchOption::ssoWholeWord);
constexpr int kBack = int(TSearchOption::ssoBackwards);
constexpr int kAll = int(TSearchOption::ssoEntireScope);
constexpr int kSel = int(TSearchOption::ssoSelectedOnly);

// The replace commands over a real model and engine, with the question, the "not found"
// signal and the report recorded.
struct Fixture
{
    EditModel editor;
    TEditorSearch engine;
    std::deque<bool> questionAnswers;
    QStringList questions;
    QStringList notFound;
    QStringList reports;
    ReplaceCommands commands{editor, engine,
                             [this](const QString &text) {
                                 questions.append(text);
                                 Q_ASSERT(!questionAnswers.empty());
                                 const bool yes = questionAnswers.front();
                                 questionAnswers.pop_front();
                                 return yes;
                             },
                             [this](const QString &text) { notFound.append(text); },
                             [this](const QString &text) { reports.append(text); }};

    explicit Fixture(const QString &picture) { picture::load(editor, picture); }
    QString picture() const { return picture::save(editor); }
};

TSearchSettings settingsFor(const QString &text, int options = 0)
{
    TSearchSettings settings;
    settings.SearchText = text;
    settings.CaseSensitive = options & kCase;
    settings.WholeWords = options & kWhole;
    settings.Backwards = options & kBack;
    settings.SelectedOnly = options & kSel;
    return settings;
}

} // namespace

class TestReplace : public QObject
{
    Q_OBJECT

private slots:
    void replaceAll_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<int>("options");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("count");

        QTest::newRow("case ignored") << u"|Set a; SET b; set c"_s << u"set"_s << u"put"_s << kAll
                                      << u"|put a; put b; put c"_s << 3;
        QTest::newRow("case kept") << u"|Set a; SET b; set c"_s << u"SET"_s << u"put"_s
                                   << (kAll | kCase) << u"|Set a; put b; set c"_s << 1;
        QTest::newRow("whole words") << u"|GET_PARAM(GET_PARAM_EX)"_s << u"get_param"_s << u"X"_s
                                     << (kAll | kWhole) << u"|X(GET_PARAM_EX)"_s << 1;
        QTest::newRow("from the caret forward")
            << u"a a |a a"_s << u"a"_s << u"b"_s << 0 << u"a a |b b"_s << 2;
        QTest::newRow("from the caret backwards")
            << u"a a |a a"_s << u"a"_s << u"b"_s << kBack << u"b b |a a"_s << 2;
        QTest::newRow("in the selection")
            << u"a [a\na|] a"_s << u"a"_s << u"bb"_s << (kAll | kSel) << u"a [bb\nbb|] a"_s << 2;
        QTest::newRow("in the selection, caret at its start")
            << u"a [|aaa] a"_s << u"aa"_s << u""_s << (kAll | kSel) << u"a [|a] a"_s << 1;
        QTest::newRow("longer replacement over several lines")
            << u"|ab\nx ab ab"_s << u"ab"_s << u"abcd"_s << kAll << u"|abcd\nx abcd abcd"_s << 3;
        QTest::newRow("shorter replacement")
            << u"abc abc|"_s << u"abc"_s << u"x"_s << kAll << u"x x|"_s << 2;
        QTest::newRow("replacement recreates the match")
            << u"|aab aab"_s << u"ab"_s << u"b"_s << kAll << u"|ab ab"_s << 2;
        QTest::newRow("replacement holds the match")
            << u"|a a"_s << u"a"_s << u"aa"_s << kAll << u"|aa aa"_s << 2;
        QTest::newRow("empty replacement")
            << u"|a-b-c"_s << u"-"_s << u""_s << kAll << u"|abc"_s << 2;
        QTest::newRow("replacement with a line break")
            << u"|a;b;c"_s << u";"_s << u"\n"_s << kAll << u"|a\nb\nc"_s << 2;
        QTest::newRow("caret between occurrences keeps its place")
            << u"ab |ab ab"_s << u"ab"_s << u"xyz"_s << kAll << u"xyz |xyz xyz"_s << 3;
        QTest::newRow("caret inside an occurrence goes past its replacement")
            << u"ab a|b ab"_s << u"ab"_s << u"xyz"_s << kAll << u"xyz xyz| xyz"_s << 3;
        QTest::newRow("caret after the occurrences keeps its place")
            << u"ab ab c|d"_s << u"ab"_s << u"x"_s << kAll << u"x x c|d"_s << 2;
        QTest::newRow("caret below added lines moves down")
            << u"a;b\nc|d;"_s << u";"_s << u"\n"_s << (kAll | kCase) << u"a\nb\nc|d\n"_s << 2;
        QTest::newRow("nothing found") << u"|abc"_s << u"x"_s << u"y"_s << kAll << u"|abc"_s << 0;
    }

    void replaceAll()
    {
        QFETCH(QString, before);
        QFETCH(QString, search);
        QFETCH(QString, replacement);
        QFETCH(int, options);
        QFETCH(QString, after);
        QFETCH(int, count);
        EditModel editor;
        picture::load(editor, before);
        TEditorSearch engine;
        QCOMPARE(ReplaceAll(editor, &engine, search, replacement, TSearchOptions(options)), count);
        QCOMPARE(picture::save(editor), after);
    }

    void replaceAllIsOneUndoStep()
    {
        EditModel editor;
        picture::load(editor, u"|x = SET_VALUE(1)\n\ny = set_value(x)\nSET_VALUE"_s);
        const QString original = editor.Lines().text();
        QSignalSpy changes(&editor, &EditModel::changed);
        TEditorSearch engine;
        QCOMPARE(
            ReplaceAll(editor, &engine, u"set_value"_s, u"SET"_s, TSearchOption::ssoEntireScope),
            3);
        // One change notification, so the document is marked modified once.
        QCOMPARE(changes.count(), 1);
        QCOMPARE(editor.Lines().text(), u"x = SET(1)\n\ny = SET(x)\nSET"_s);
        editor.executeCommand(TEditorCommand::ecUndo);
        QCOMPARE(editor.Lines().text(), original);
        QVERIFY(!editor.undoHistory().canUndo());
        editor.executeCommand(TEditorCommand::ecRedo);
        QCOMPARE(editor.Lines().text(), u"x = SET(1)\n\ny = SET(x)\nSET"_s);
    }

    void replaceAllUndoAndRedo_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<int>("options");
        QTest::addColumn<QString>("redone");

        QTest::newRow("several lines")
            << u"|x = SET_VALUE(1)\n\ny = set_value(x)\nSET_VALUE"_s << u"set_value"_s << u"SET"_s
            << kAll << u"x = SET|(1)\n\ny = SET(x)\nSET"_s;
        QTest::newRow("in the selection")
            << u"a [a\na|] a"_s << u"a"_s << u"bb"_s << (kAll | kSel) << u"a bb|\nbb a"_s;
        QTest::newRow("caret inside an occurrence")
            << u"ab a|b ab\nab"_s << u"ab"_s << u"xyz"_s << kAll << u"xyz xyz xyz|\nxyz"_s;
        QTest::newRow("empty replacement, two on the first line")
            << u"|a-b-c\nd-e"_s << u"-"_s << u""_s << kAll << u"ab|c\nde"_s;
        QTest::newRow("a replacement equal to the match")
            << u"|ab AB\nab"_s << u"ab"_s << u"ab"_s << kAll << u"ab ab|\nab"_s;
        QTest::newRow("in a column block")
            << u"a[b ab\nab|] ab"_s << u"b"_s << u"c"_s << (kAll | kSel) << u"ac| ab\nac ab"_s;
        QTest::newRow("from the caret backwards")
            << u"ab\nab ab |ab"_s << u"ab"_s << u"c"_s << kBack << u"c|\nc c ab"_s;
    }

    // Undo gives back the text, the caret and the selection as they were before; redo puts
    // the text back with the caret at the end of the first line's replaced part.
    void replaceAllUndoAndRedo()
    {
        QFETCH(QString, before);
        QFETCH(QString, search);
        QFETCH(QString, replacement);
        QFETCH(int, options);
        QFETCH(QString, redone);
        EditModel editor;
        picture::load(editor, before);
        if (QTest::currentDataTag() == QByteArray("in a column block"))
            editor.setSelectionMode(TSelectionMode::smColumn);
        TEditorSearch engine;
        QVERIFY(ReplaceAll(editor, &engine, search, replacement, TSearchOptions(options)) > 0);
        const QString replaced = editor.Lines().text();
        QVERIFY(editor.undoHistory().canUndo());
        editor.executeCommand(TEditorCommand::ecUndo);
        QCOMPARE(picture::save(editor), before);
        QVERIFY(!editor.undoHistory().canUndo());
        editor.executeCommand(TEditorCommand::ecRedo);
        QCOMPARE(editor.Lines().text(), replaced);
        QCOMPARE(picture::save(editor), redone);
    }

    void replaceAllKeepsOnlyTheChangedLinesAndTheLimitTakesItWhole()
    {
        // Typed characters fill the undo list; replacing all pushes the oldest out and keeps
        // only the two lines it changed, so undo gives back the text and the caret exactly.
        EditModel editor;
        picture::load(editor, u"ab\nx|\ny\nab ab"_s);
        for (int i = 0; i < TUndoList::kMaxRecords; ++i)
            editor.executeCommand(TEditorCommand::ecChar, u'z');
        const QString typed = picture::save(editor);
        TEditorSearch engine;
        QCOMPARE(ReplaceAll(editor, &engine, u"ab"_s, u"c"_s, TSearchOptions(kAll)), 3);
        const QString replaced = editor.Lines().text();
        QCOMPARE(editor.undoHistory().undoList().size(), TUndoList::kMaxRecords);
        QCOMPARE(editor.undoHistory().undoList().top().text.pieces(),
                 (std::vector<QString>{u"ab"_s, u"ab ab"_s}));
        editor.executeCommand(TEditorCommand::ecUndo);
        QCOMPARE(picture::save(editor), typed);
        editor.executeCommand(TEditorCommand::ecRedo);
        QCOMPARE(editor.Lines().text(), replaced);

        // As many commands again push the replacement out whole: undoing everything left
        // stops at the replaced text, with the lines between untouched.
        editor.setCaretXY({1, 3});
        for (int i = 0; i < TUndoList::kMaxRecords; ++i)
            editor.executeCommand(TEditorCommand::ecChar, u'w');
        while (editor.undoHistory().canUndo())
            editor.executeCommand(TEditorCommand::ecUndo);
        QCOMPARE(editor.Lines().text(), replaced);
    }

    void replaceAllReportsTheCountOrNotFound()
    {
        Fixture f(u"|a b a"_s);
        f.commands.setSettings(settingsFor(u"a"_s), u"c"_s);
        QCOMPARE(f.commands.ReplaceAllExecute(), 2);
        QCOMPARE(f.reports, QStringList{u"Заменено: 2"_s});
        QCOMPARE(f.commands.ReplaceAllExecute(), 0);
        QCOMPARE(f.notFound, QStringList{u"a"_s});
        QCOMPARE(f.picture(), u"|c b c"_s);
    }

    void replaceNext_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("options");
        QTest::addColumn<QString>("search");
        QTest::addColumn<QString>("replacement");
        // The picture after each press; the last press finds nothing more.
        QTest::addColumn<QStringList>("presses");

        QTest::newRow("forward from the document start")
            << u"a b |a b"_s << 0 << u"a"_s << u"x"_s
            << QStringList{u"[a|] b a b"_s, u"x b [a|] b"_s, u"x b x| b"_s};
        QTest::newRow("backwards from the document end")
            << u"a |b a b"_s << kBack << u"a"_s << u"x"_s
            << QStringList{u"a b [|a] b"_s, u"[|a] b x b"_s, u"|x b x b"_s};
        QTest::newRow("replacement holds the match")
            << u"|a a"_s << 0 << u"a"_s << u"aa"_s
            << QStringList{u"[a|] a"_s, u"aa [a|]"_s, u"aa aa|"_s};
        QTest::newRow("whole words and case")
            << u"|Ab ab AbC Ab"_s << (kCase | kWhole) << u"Ab"_s << u"Z"_s
            << QStringList{u"[Ab|] ab AbC Ab"_s, u"Z ab AbC [Ab|]"_s, u"Z ab AbC Z|"_s};
        QTest::newRow("stays inside the selection")
            << u"a [a a a|] a"_s << kSel << u"a"_s << u"bb"_s
            << QStringList{u"a [a|] a a a"_s, u"a bb [a|] a a"_s, u"a bb bb [a|] a"_s,
                           u"a bb bb bb| a"_s};
    }

    void replaceNext()
    {
        QFETCH(QString, before);
        QFETCH(int, options);
        QFETCH(QString, search);
        QFETCH(QString, replacement);
        QFETCH(QStringList, presses);
        Fixture f(before);
        f.commands.setSettings(settingsFor(search, options), replacement);
        for (qsizetype i = 0; i < presses.size(); ++i) {
            const bool found = f.commands.ReplaceNext();
            QCOMPARE(f.picture(), presses[i]);
            QCOMPARE(found, i + 1 < presses.size());
        }
        QCOMPARE(f.notFound, QStringList{search});
        // Each replacement is one undo step.
        while (f.editor.undoHistory().canUndo())
            f.editor.executeCommand(TEditorCommand::ecUndo);
        QCOMPARE(f.editor.Lines().text(), before.remove(u'[').remove(u']').remove(u'|'));
    }

    void replaceAllAfterReplaceNextStaysInTheSelection()
    {
        Fixture f(u"a [a a a|] a"_s);
        f.commands.setSettings(settingsFor(u"a"_s, kSel), u"b"_s);
        QVERIFY(f.commands.ReplaceNext());
        QVERIFY(f.commands.ReplaceNext());
        QCOMPARE(f.picture(), u"a b [a|] a a"_s);
        QCOMPARE(f.commands.ReplaceAllExecute(), 2);
        QCOMPARE(f.picture(), u"a [b b b|] a"_s);
        QVERIFY(f.questions.isEmpty());
    }

    void inSelectionWithoutSelectionAsks()
    {
        Fixture f(u"a |a"_s);
        f.questionAnswers = {false, true};
        f.commands.setSettings(settingsFor(u"a"_s, kSel), u"b"_s);
        QCOMPARE(f.commands.ReplaceAllExecute(), 0);
        QCOMPARE(f.picture(), u"a |a"_s);
        QVERIFY(f.notFound.isEmpty());
        QCOMPARE(f.commands.ReplaceAllExecute(), 2);
        QCOMPARE(f.picture(), u"b |b"_s);
        QCOMPARE(f.questions.size(), 2);
        QVERIFY(!f.commands.settings().SelectedOnly);
    }
};

BP_TEST(TestReplace)

#include "tst_replace.moc"
