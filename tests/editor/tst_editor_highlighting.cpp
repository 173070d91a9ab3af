#include "editor/model/edit_commands.h"
#include "editor/model/edit_model.h"
#include "editor/model/editor_highlighting.h"
#include "editor/view/editor_pane.h"
#include "highlight/qpile_highlighter.h"
#include "test_runner.h"

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

using namespace bp;

class TestEditorHighlighting : public QObject
{
    Q_OBJECT

    static QStringList lines(int count)
    {
        QStringList result;
        for (int i = 0; i < count; ++i)
            result << u"a = b + %1"_s.arg(i);
        return result;
    }

    // The kind of each code unit of line `index` from `startChar` on, as scanLine reports it.
    static QList<TTokenKind> kindsFrom(const EditorHighlighting &highlighting, int index,
                                       int length, int startChar)
    {
        QList<TTokenKind> kinds(length, TTokenKind(-1));
        highlighting.scanLine(
            index, length,
            [&](int start, int size, THighlighterAttributes *, TTokenKind kind) {
                for (int i = std::max(start, startChar); i < std::min(start + size, length); ++i)
                    kinds[i] = kind;
            },
            startChar);
        return kinds.sliced(startChar);
    }

private slots:
    // Shown from the middle, a long line gets the colours a scan from its start gives, again
    // after an edit, and on a line after an open string.
    void longLineScansFromWhereItIsShown()
    {
        EditModel model;
        EditorHighlighting highlighting(model);
        TQPILEHighlighter highlighter;
        QString line;
        for (int i = 0; line.size() < 20000; ++i)
            line += i % 7 == 3 ? u"x = \"s %1\" + y; "_s.arg(i) : u"CALL f(%1, a_b) "_s.arg(i);
        const QString withComment = line + u"' note "_s + line;
        model.Lines().setText(u"\"open\n"_s + line + u"\n"_s + withComment);
        highlighting.setHighlighter(&highlighter);
        for (int index : {1, 2}) {
            const int length = model.Lines().length(index);
            const QList<TTokenKind> whole = kindsFrom(highlighting, index, length, 0);
            for (int startChar : {5000, 5001, 12345, 5003, 19999, 25000, 39000}) {
                if (startChar >= length)
                    continue;
                QCOMPARE(kindsFrom(highlighting, index, length, startChar),
                         whole.sliced(startChar));
            }
        }
        model.setCaretXY({6000, 3});
        model.executeCommand(ecChar, u'"');
        const int length = model.Lines().length(2);
        const QList<TTokenKind> whole = kindsFrom(highlighting, 2, length, 0);
        for (int startChar : {5000, 7000, 30000})
            QCOMPARE(kindsFrom(highlighting, 2, length, startChar), whole.sliced(startChar));
    }

    void rescansStopWhereStatesAgree()
    {
        EditModel model;
        EditorHighlighting highlighting(model);
        TQPILEHighlighter highlighter;
        model.Lines().setText(lines(20).join(u'\n'));
        highlighting.setHighlighter(&highlighter);
        QCOMPARE(highlighting.lastScan(), (ScannedLines{0, 19}));
        QSignalSpy recoloured(&highlighting, &EditorHighlighting::linesRecoloured);

        // A line whose end state does not change rescans only itself.
        model.setCaretXY({3, 5});
        model.executeCommand(ecChar, u'x');
        QCOMPARE(highlighting.lastScan(), (ScannedLines{4, 4}));
        QCOMPARE(recoloured.count(), 1);

        // An unterminated string carries its state on until a line's end state agrees again.
        model.setCaretXY({1, 8});
        model.executeCommand(ecChar, u'"');
        QCOMPARE(highlighting.lastScan().first, 7);
        QVERIFY(highlighting.lastScan().last > 7);

        // Three lines inserted before line 15 are all scanned, whatever their states.
        model.setCaretXY({1, 15});
        setSelText(model, u"x\ny\nz\n"_s);
        QCOMPARE(model.Lines()[14], u"x"_s);
        QVERIFY(highlighting.lastScan().first <= 14);
        QVERIFY(highlighting.lastScan().last >= 16);
    }

    void bulkChangesColourAsAFullScan_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("mode");
        QTest::newRow("comment toggle (lines replaced at once)")
            << -1 << int(TSelectionMode::smNormal);
        QTest::newRow("block indent") << int(ecBlockIndent) << int(TSelectionMode::smNormal);
        QTest::newRow("block unindent") << int(ecBlockUnindent) << int(TSelectionMode::smNormal);
        QTest::newRow("column delete") << int(ecDeleteChar) << int(TSelectionMode::smColumn);
    }

    // After a command over many lines, and after its undo and redo, every line's stored state
    // and colours are those a fresh scan of the new text gives, and the lines whose colours
    // changed were reported for repainting. The text opens and closes strings inside and just
    // after the changed lines, so states carried out of them matter.
    void bulkChangesColourAsAFullScan()
    {
        QFETCH(int, command);
        QFETCH(int, mode);
        const QStringList text{u"x = 1"_s,       u"\t\"a"_s,     u"    y = \"b\" ' c"_s,
                               u"\t' z = \"d"_s, u"\tw = \"e"_s, u"v = 5"_s,
                               u"' note \"f"_s,  u"u = \"g\""_s, u"END"_s};
        EditModel model;
        EditorHighlighting highlighting(model);
        TQPILEHighlighter highlighter;
        model.Lines().setText(text.join(u'\n'));
        highlighting.setHighlighter(&highlighter);
        QSignalSpy recoloured(&highlighting, &EditorHighlighting::linesRecoloured);

        auto colours = [](const EditModel &source, const EditorHighlighting &colouring) {
            QList<QList<TTokenKind>> all;
            for (int i = 0; i < source.Lines().Count(); ++i)
                all << kindsFrom(colouring, i, source.Lines().length(i), 0);
            return all;
        };
        auto check = [&](const char *step, const QString &before) {
            EditModel fresh;
            EditorHighlighting freshColouring(fresh);
            TQPILEHighlighter freshHighlighter;
            fresh.Lines().setText(model.Lines().text());
            freshColouring.setHighlighter(&freshHighlighter);
            const int count = model.Lines().Count();
            for (int i = 0; i < count; ++i)
                QVERIFY2(model.Lines().range(i) == fresh.Lines().range(i),
                         qPrintable(u"%1: line %2"_s.arg(QLatin1StringView(step)).arg(i)));
            QCOMPARE(colours(model, highlighting), colours(fresh, freshColouring));
            // Every line whose text changed is repainted.
            const QStringList old = before.split(u'\n');
            int first = 0;
            while (model.Lines()[first] == old[first])
                ++first;
            int last = count - 1;
            while (model.Lines()[last] == old[last])
                --last;
            QVERIFY(!recoloured.isEmpty());
            QVERIFY(recoloured.last().at(0).toInt() <= first);
            QVERIFY(recoloured.last().at(1).toInt() >= last);
            recoloured.clear();
        };

        model.setSelectionMode(TSelectionMode(mode));
        model.setCaretXY({1, 2});
        model.setCaretXY({3, 5}, true);
        if (command < 0) {
            std::vector<QString> toggled;
            for (int line = 2; line <= 5; ++line) {
                const QString old = model.Lines()[line - 1];
                toggled.push_back(old.startsWith(u'\'') ? old.mid(1) : u"'"_s + old);
            }
            replaceLines(model, 2, toggled);
        } else {
            model.executeCommand(TEditorCommand(command));
        }
        const QString original = text.join(u'\n');
        const QString changed = model.Lines().text();
        QVERIFY(changed != original);
        check("command", original);
        model.executeCommand(ecUndo);
        QCOMPARE(model.Lines().text(), original);
        check("undo", changed);
        model.executeCommand(ecRedo);
        QCOMPARE(model.Lines().text(), changed);
        check("redo", original);
    }

    void attributeChangesRepaintWithoutRescan()
    {
        EditModel model;
        EditorHighlighting highlighting(model);
        TQPILEHighlighter highlighter;
        model.Lines().setText(lines(5).join(u'\n'));
        highlighting.setHighlighter(&highlighter);
        model.Lines().setRange(3, 12345); // a rescan would overwrite this
        QSignalSpy changed(&highlighting, &EditorHighlighting::highlighterChanged);
        highlighter.BeginUpdate();
        highlighter.CommentAttribute()->SetForeground(0x0000FF);
        highlighter.StringAttribute()->SetForeground(0x00FF00);
        QCOMPARE(changed.count(), 0);
        highlighter.EndUpdate();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(model.Lines().range(3), TRange(12345));
    }

    void bracketsInStringsAndCommentsDoNotPair()
    {
        EditModel model;
        EditorHighlighting highlighting(model);
        TQPILEHighlighter highlighter;
        highlighting.setHighlighter(&highlighter);
        model.Lines().setText(u"f(a, \")\", ' )\n  b)"_s);
        model.setCaretXY({2, 1});
        model.executeCommand(ecMatchBracket);
        QCOMPARE(model.CaretXY(), (TBufferCoord{4, 2}));
        model.executeCommand(ecMatchBracket);
        QCOMPARE(model.CaretXY(), (TBufferCoord{2, 1}));
        // The token query gives the whole token covering a column.
        const auto token = highlighting.tokenAt(1, 8);
        QVERIFY(token.has_value());
        QCOMPARE(token->text, u"\")\""_s);
        QCOMPARE(token->start, 6);
    }

    void destroyedHighlighterDetaches()
    {
        EditModel model;
        EditorHighlighting highlighting(model);
        {
            TQPILEHighlighter highlighter;
            highlighting.setHighlighter(&highlighter);
        }
        QCOMPARE(highlighting.highlighter(), nullptr);
        model.executeCommand(ecChar, u'a'); // must not touch the freed highlighter
        QCOMPARE(model.Lines()[0], u"a"_s);
    }

    void paintsTokensInTheirAttributes()
    {
        TEditorPane pane;
        pane.resize(900, 200);
        pane.show();
        TQPILEHighlighter highlighter;
        pane.SetHighlighter(&highlighter);
        const QString line = u"PROGRAM \"MMMM\" 'MMMM"_s;
        pane.Lines().setText(line + u"\nx"_s);
        pane.model().setCaretXY({1, 2});
        QImage image(pane.viewport()->size(), QImage::Format_RGB32);
        pane.viewport()->render(&image);

        // Colour of the darkest pixel in the cells of columns [from, to) on line 1.
        auto inkOf = [&](int from, int to) {
            QColor darkest(Qt::white);
            for (int x = pane.gutterWidth() + (from - 1) * pane.charWidth();
                 x < pane.gutterWidth() + (to - 1) * pane.charWidth(); ++x)
                for (int y = 0; y < pane.lineHeight(); ++y) {
                    const QColor c = image.pixelColor(x, y);
                    if (c.lightness() < darkest.lightness())
                        darkest = c;
                }
            return darkest;
        };
        auto inkCount = [&](int from, int to) {
            int count = 0;
            for (int x = pane.gutterWidth() + (from - 1) * pane.charWidth();
                 x < pane.gutterWidth() + (to - 1) * pane.charWidth(); ++x)
                for (int y = 0; y < pane.lineHeight(); ++y)
                    count += image.pixelColor(x, y).lightness() < 160;
            return count;
        };
        auto hueNear = [](QColor actual, QColor expected) {
            return std::abs(actual.red() - expected.red()) < 60 &&
                   std::abs(actual.green() - expected.green()) < 60 &&
                   std::abs(actual.blue() - expected.blue()) < 60;
        };
        const QColor keyword = inkOf(1, 8);
        const QColor string = inkOf(10, 14);
        const QColor comment = inkOf(17, 21);
        QVERIFY2(hueNear(keyword, QColor(0, 0, 255)), qPrintable(keyword.name()));
        QVERIFY2(hueNear(string, QColor(255, 0, 0)), qPrintable(string.name()));
        QVERIFY2(hueNear(comment, QColor(0, 0, 128)), qPrintable(comment.name()));

        // Bold: PROGRAM inks more pixels than the same word in a comment; italic: the
        // comment's MMMM leans, so its ink differs from the string's upright MMMM.
        pane.Lines().setLine(0, u"PROGRAM 'PROGRAM"_s);
        pane.viewport()->render(&image);
        QVERIFY(inkCount(1, 8) > inkCount(10, 17));
        pane.Lines().setLine(0, u"\"MMMM\" 'MMMM"_s);
        pane.viewport()->render(&image);
        QImage upright = image.copy(pane.gutterWidth() + 1 * pane.charWidth(), 0,
                                    4 * pane.charWidth(), pane.lineHeight());
        QImage leaning = image.copy(pane.gutterWidth() + 8 * pane.charWidth(), 0,
                                    4 * pane.charWidth(), pane.lineHeight());
        auto shape = [](const QImage &cells) {
            QImage mask(cells.size(), QImage::Format_Mono);
            for (int y = 0; y < cells.height(); ++y)
                for (int x = 0; x < cells.width(); ++x)
                    mask.setPixel(x, y, cells.pixelColor(x, y).lightness() < 200);
            return mask;
        };
        QVERIFY(shape(upright) != shape(leaning));
    }
};

BP_TEST(TestEditorHighlighting)
#include "tst_editor_highlighting.moc"
