#include "../editor/text_picture.h"
#include "editor/model/edit_model.h"
#include "search/model/search_commands.h"
#include "test_runner.h"

#include <QTest>
#include <deque>

using namespace Qt::StringLiterals;

using namespace bp;

Q_DECLARE_METATYPE(bp::TSelectionMode)

namespace {

// The commands over a real model, with the dialog, the question and the alert sound
// answered from scripts and recorded.
struct Fixture
{
    EditModel editor;
    std::deque<std::optional<TSearchSettings>> dialogAnswers;
    std::vector<TSearchSettings> dialogShown;
    std::deque<bool> questionAnswers;
    QStringList questions;
    int beeps = 0;
    SearchCommands commands{editor,
                            [this](const TSearchSettings &shown) {
                                dialogShown.push_back(shown);
                                Q_ASSERT(!dialogAnswers.empty());
                                const auto answer = dialogAnswers.front();
                                dialogAnswers.pop_front();
                                return answer;
                            },
                            [this](const QString &text) {
                                questions.append(text);
                                Q_ASSERT(!questionAnswers.empty());
                                const bool yes = questionAnswers.front();
                                questionAnswers.pop_front();
                                return yes;
                            },
                            [this] { ++beeps; }};

    explicit Fixture(const QString &picture) { picture::load(editor, picture); }
    QString picture() const { return picture::save(editor); }
    void confirm(const TSearchSettings &settings)
    {
        dialogAnswers.push_back(settings);
        commands.ActionSearchExecute();
    }
};

TSearchSettings searchFor(const QString &text)
{
    TSearchSettings settings;
    settings.SearchText = text;
    return settings;
}

} // namespace

class TestSearchCommands : public QObject
{
    Q_OBJECT

private slots:
    void searchNextAtStartUpOnlyBeeps()
    {
        Fixture f(u"a[bc|]d\nSET"_s);
        f.commands.ActionSearchNextExecute();
        QCOMPARE(f.beeps, 1);
        QCOMPARE(f.picture(), u"abc|d\nSET"_s);
        QVERIFY(f.dialogShown.empty());
        QCOMPARE(f.commands.settings(), TSearchSettings());
    }

    void backwardMissCollapsesToTheSelectionBegin()
    {
        Fixture f(u"a[bc|]d"_s);
        f.commands.DoSearchReplaceText(true);
        QCOMPARE(f.beeps, 1);
        QCOMPARE(f.picture(), u"a|bcd"_s);
    }

    void firstSearchCoversTheWholeDocumentThenContinues()
    {
        Fixture f(u"x SET\ny\nSET |z"_s);
        f.confirm(searchFor(u"SET"_s));
        QCOMPARE(f.picture(), u"x [SET|]\ny\nSET z"_s);
        QVERIFY(f.commands.ContinueFromCaret());
        f.commands.ActionSearchNextExecute();
        QCOMPARE(f.picture(), u"x SET\ny\n[SET|] z"_s);
        f.commands.ActionSearchNextExecute();
        QCOMPARE(f.beeps, 1);
        QCOMPARE(f.picture(), u"x SET\ny\nSET| z"_s);
        // The dialog opens with what was confirmed last.
        f.dialogAnswers.push_back(std::nullopt);
        f.commands.ActionSearchExecute();
        QCOMPARE(f.dialogShown.back(), searchFor(u"SET"_s));
    }

    void fromCursorStartsAtTheCaret()
    {
        Fixture f(u"SET x |SET"_s);
        TSearchSettings settings = searchFor(u"SET"_s);
        settings.FromCursor = true;
        f.confirm(settings);
        QCOMPARE(f.picture(), u"SET x [SET|]"_s);
    }

    void backwardRepeatFindsThePreviousOccurrence()
    {
        Fixture f(u"|SET a SET b SET"_s);
        TSearchSettings settings = searchFor(u"set"_s);
        settings.Backwards = true;
        f.confirm(settings);
        QCOMPARE(f.picture(), u"SET a SET b [|SET]"_s);
        f.commands.ActionSearchNextExecute();
        QCOMPARE(f.picture(), u"SET a [|SET] b SET"_s);
        // F3 keeps the direction; the dialog is not needed to go on backwards.
        f.commands.ActionSearchNextExecute();
        QCOMPARE(f.picture(), u"[|SET] a SET b SET"_s);
        QCOMPARE(f.beeps, 0);
    }

    void caseSensitiveAndWholeWordsReachTheEngine()
    {
        Fixture f(u"|set GET_PARAM_EX SET (GET_PARAM)"_s);
        TSearchSettings settings = searchFor(u"SET"_s);
        settings.CaseSensitive = true;
        f.confirm(settings);
        QCOMPARE(f.picture(), u"set GET_PARAM_EX [SET|] (GET_PARAM)"_s);
        settings = searchFor(u"GET_PARAM"_s);
        settings.WholeWords = true;
        f.confirm(settings);
        QCOMPARE(f.picture(), u"set GET_PARAM_EX SET ([GET_PARAM|])"_s);
    }

    void selectedOnlyAsksOnceTheMatchIsTheSelection()
    {
        Fixture f(u"SET [a SET b SET c|] SET"_s);
        TSearchSettings settings = searchFor(u"SET"_s);
        settings.SelectedOnly = true;
        f.confirm(settings);
        QCOMPARE(f.picture(), u"SET a [SET|] b SET c SET"_s);
        QVERIFY(f.questions.isEmpty());

        f.questionAnswers.push_back(true);
        f.commands.ActionSearchNextExecute();
        QCOMPARE(f.questions, QStringList{u"Нет выделения, искать во всем документе?"_s});
        QCOMPARE(f.picture(), u"SET a SET b [SET|] c SET"_s);
        QVERIFY(!f.commands.settings().SelectedOnly);
        // Cleared for good: no more questions, and the dialog shows the box cleared.
        f.commands.ActionSearchNextExecute();
        QCOMPARE(f.picture(), u"SET a SET b SET c [SET|]"_s);
        QCOMPARE(f.questions.size(), 1);
        f.dialogAnswers.push_back(std::nullopt);
        f.commands.ActionSearchExecute();
        QVERIFY(!f.dialogShown.back().SelectedOnly);
    }

    // Only the mode commands change the selection mode: a match, a repeat and a miss keep it.
    void searchesKeepTheSelectionMode_data()
    {
        QTest::addColumn<TSelectionMode>("mode");
        QTest::newRow("column") << TSelectionMode::smColumn;
        QTest::newRow("line") << TSelectionMode::smLine;
        QTest::newRow("normal") << TSelectionMode::smNormal;
    }

    void searchesKeepTheSelectionMode()
    {
        QFETCH(TSelectionMode, mode);
        Fixture f(u"x|\nSET a SET"_s);
        f.editor.setSelectionMode(mode);
        f.confirm(searchFor(u"SET"_s));
        QCOMPARE(f.editor.BlockBegin(), (TBufferCoord{1, 2}));
        QCOMPARE(f.editor.selection().mode, mode);
        f.commands.ActionSearchNextExecute();
        QCOMPARE(f.editor.BlockBegin(), (TBufferCoord{7, 2}));
        QCOMPARE(f.editor.selection().mode, mode);
        f.commands.ActionSearchNextExecute();
        QCOMPARE(f.beeps, 1);
        QCOMPARE(f.editor.selection().mode, mode);
    }

    void selectedOnlyInLineModeAsksOnceTheMatchIsSelected()
    {
        // Line mode shows the match's whole line selected; searching that line again would
        // find the same match for ever.
        Fixture f(u"x\n[SET a SET|]\nSET"_s);
        f.editor.setSelectionMode(TSelectionMode::smLine);
        TSearchSettings settings = searchFor(u"SET"_s);
        settings.SelectedOnly = true;
        f.confirm(settings);
        QCOMPARE(f.picture(), u"x\n[SET|] a SET\nSET"_s);
        f.questionAnswers.push_back(true);
        f.commands.ActionSearchNextExecute();
        QCOMPARE(f.questions.size(), 1);
        QCOMPARE(f.picture(), u"x\nSET a [SET|]\nSET"_s);
        QCOMPARE(f.editor.selection().mode, TSelectionMode::smLine);
    }

    void selectedOnlyWithoutSelectionAnsweredNoChangesNothing()
    {
        Fixture f(u"SET x| SET"_s);
        TSearchSettings settings = searchFor(u"SET"_s);
        settings.SelectedOnly = true;
        f.questionAnswers.push_back(false);
        f.confirm(settings);
        QCOMPARE(f.questions.size(), 1);
        QCOMPARE(f.picture(), u"SET x| SET"_s);
        QCOMPARE(f.beeps, 0);
        QCOMPARE(f.commands.settings(), settings);
    }

    // Only A-Z fold when the selection is compared with the search text; a selection over
    // several lines compares as its text, lines joined by CR LF.
    void selectionEqualToTheTextCountsAsNoSelection_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<TSelectionMode>("mode");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("asks");
        const auto normal = TSelectionMode::smNormal;
        QTest::newRow("same text") << u"[SET|] SET"_s << normal << u"SET"_s << true;
        QTest::newRow("ASCII case differs") << u"[set|] SET"_s << normal << u"SET"_s << true;
        QTest::newRow("Cyrillic case differs")
            << u"[бумага|] БУМАГА"_s << normal << u"БУМАГА"_s << false;
        QTest::newRow("longer selection") << u"[SET |]SET"_s << normal << u"SET"_s << false;
        QTest::newRow("two lines, same text")
            << u"x [SET\nVA|]LUE"_s << normal << u"set\r\nva"_s << true;
        QTest::newRow("two lines, the text's break is LF")
            << u"x [SET\nVA|]LUE"_s << normal << u"SET\nVA"_s << false;
        QTest::newRow("three lines, the text stops short")
            << u"[a\nb\nc|]"_s << normal << u"a\r\nb\r\n"_s << false;
        QTest::newRow("three lines, the text goes on")
            << u"[a\nb\nc|]"_s << normal << u"a\r\nb\r\ncd"_s << false;
        QTest::newRow("two lines to the line's start")
            << u"[ab\n|]cd"_s << normal << u"ab\r\n"_s << true;
        QTest::newRow("line mode takes whole lines and the break after them")
            << u"a[b\nc|]d\ne"_s << TSelectionMode::smLine << u"ab\r\ncd\r\n"_s << true;
        QTest::newRow("line mode down to the last line has no break after it")
            << u"a[b\nc|]d"_s << TSelectionMode::smLine << u"ab\r\ncd"_s << true;
        QTest::newRow("column mode takes the columns of each line")
            << u"a[bc\nde|]f"_s << TSelectionMode::smColumn << u"B\r\nE"_s << true;
        QTest::newRow("column mode, a short line gives nothing")
            << u"a[bcd\nx\nefg|]h"_s << TSelectionMode::smColumn << u"bc\r\n\r\nfg"_s << true;
        QTest::newRow("column mode, not the short line's text")
            << u"a[bcd\nx\nefg|]h"_s << TSelectionMode::smColumn << u"bc\r\nx\r\nfg"_s << false;
    }

    void selectionEqualToTheTextCountsAsNoSelection()
    {
        QFETCH(QString, before);
        QFETCH(TSelectionMode, mode);
        QFETCH(QString, text);
        QFETCH(bool, asks);
        Fixture f(before);
        f.editor.setSelectionMode(mode);
        // Over several lines (ASCII rows): what comparing the selected text would say.
        if (before.contains(u'\n'))
            QCOMPARE(f.editor.SelText().compare(text, Qt::CaseInsensitive) == 0, asks);
        TSearchSettings settings = searchFor(text);
        settings.SelectedOnly = true;
        settings.FromCursor = true;
        f.questionAnswers.push_back(false);
        f.confirm(settings);
        QCOMPARE(f.questions.size(), asks ? 1 : 0);
    }

    void cancelKeepsTheOldOptions()
    {
        Fixture f(u"SET SET |SET"_s);
        TSearchSettings settings = searchFor(u"SET"_s);
        settings.Backwards = true;
        settings.FromCursor = true;
        f.confirm(settings);
        QCOMPARE(f.picture(), u"SET [|SET] SET"_s);
        f.dialogAnswers.push_back(std::nullopt);
        f.commands.ActionSearchExecute();
        QCOMPARE(f.commands.settings(), settings);
        QCOMPARE(f.picture(), u"SET [|SET] SET"_s);
        f.commands.ActionSearchNextExecute();
        QCOMPARE(f.picture(), u"[|SET] SET SET"_s);
    }

    void okWithAnEmptyTextStoresTheOptionsOnly()
    {
        Fixture f(u"a[bc|]d"_s);
        TSearchSettings settings;
        settings.CaseSensitive = true;
        settings.FromCursor = true;
        f.confirm(settings);
        QCOMPARE(f.commands.settings(), settings);
        QVERIFY(f.commands.ContinueFromCaret());
        QCOMPARE(f.beeps, 0);
        QCOMPARE(f.picture(), u"a[bc|]d"_s);
    }
};

BP_TEST(TestSearchCommands)

#include "tst_search_commands.moc"
