// Loading, memory, keystroke and painting costs of the editor, each beside a baseline
// measured in the same run:
//   load       BM_LoadFile1M           vs BM_DecodeWithQStringDecoder1M
//   memory     counter heap_per_utf16  (heap growth of the loaded list / UTF-16 text size)
//   keystroke  BM_Keystroke/1000000    vs BM_Keystroke/10
//   painting   BM_PaintScreen/1000000  vs BM_PaintScreen/10
//   long line  BM_OpenAndPaintLongLine vs BM_DecodeLongLine; BM_KeystrokeLongLine vs
//   BM_PassOverLongLine
// and what a user feels on screen (below), 1200x900, against QPlainTextEdit
// with a QSyntaxHighlighter colouring the same text with the same scanner:
//   full screen      BM_PaneFullScreen/N       vs BM_PlainEditFullScreen/N
//   key to pixels    BM_PaneKeyToPixels/N      vs BM_PlainEditKeyToPixels/N
//   long line paint  BM_PaneLongLinePaint/MB/% (the caret at % of the line; blink = caret only)
//   first Enter      BM_PaneEnterAfterOpening/0 vs BM_PaneEnterAfterOpening/1 (a later Enter)
#include "bench_fixture.h"
#include "common/windows1251.h"
#include "editor/model/edit_model.h"
#include "editor/view/editor_pane.h"
#include "highlight/qpile_highlighter.h"
#include "highlight/tcolor.h"
#include "paint_counter.h"
#include "qpile_corpus.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStringDecoder>
#include <QSyntaxHighlighter>
#include <QTemporaryDir>
#include <QTextBlock>
#include <benchmark/benchmark.h>
#include <functional>
#include <malloc.h>
#include <map>

using namespace Qt::StringLiterals;

using namespace bp;

namespace {

// The 1,000,000-line Windows-1251 CR LF document, about 40 MB.
const QByteArray &millionLineBytes()
{
    static const QByteArray bytes = windows1251::encode(bench::qpileLines(1000000).join(u"\r\n"_s));
    return bytes;
}

const QString &millionLinePath()
{
    static const QString path = writeFixture(u"million.qpl"_s, millionLineBytes());
    return path;
}

// The editor always colours QPILE, so the pane benchmarks measure with it attached.
TQPILEHighlighter &highlighter()
{
    static TQPILEHighlighter instance;
    return instance;
}

QByteArray longLineBytes(int megabytes)
{
    QByteArray bytes;
    bytes.reserve(megabytes * 1024 * 1024);
    int i = 0;
    while (bytes.size() < megabytes * 1024 * 1024)
        bytes += windows1251::encode(bench::qpileLine(i++).trimmed()) + ' ';
    return bytes;
}

std::size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// The baseline of the loading figures: Qt's own decoder turning the bytes into one string.
void decodeWithQStringDecoder(benchmark::State &state, const QByteArray &bytes)
{
    QStringDecoder decoder("windows-1251");
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Latin1);
    for (auto _ : state) {
        QString text = decoder.decode(bytes);
        benchmark::DoNotOptimize(text.constData());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

void BM_DecodeWithQStringDecoder1M(benchmark::State &state)
{
    const QByteArray &bytes = millionLineBytes();
    decodeWithQStringDecoder(state, bytes);
}
BENCHMARK(BM_DecodeWithQStringDecoder1M)->Unit(benchmark::kMillisecond);

void BM_LoadFile1M(benchmark::State &state)
{
    const QString &path = millionLinePath();
    std::size_t heapGrowth = 0;
    qsizetype utf16Bytes = 0;
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        auto lines = std::make_unique<TEditorLines>();
        lines->LoadFromFile(path);
        state.PauseTiming();
        heapGrowth = heapInUse() - before;
        utf16Bytes = 0;
        for (int i = 0; i < lines->Count(); ++i)
            utf16Bytes += 2 * lines->length(i);
        lines.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * millionLineBytes().size());
    state.counters["heap_per_utf16"] = double(heapGrowth) / double(utf16Bytes);
}
BENCHMARK(BM_LoadFile1M)->Unit(benchmark::kMillisecond);

std::unique_ptr<TEditorPane> paneWithLines(int count)
{
    auto pane = std::make_unique<TEditorPane>();
    pane->resize(1000, 700);
    pane->show();
    pane->SetHighlighter(&highlighter());
    if (count == 1000000)
        pane->Lines().LoadFromFile(millionLinePath());
    else
        pane->Lines().setText(bench::qpileLines(count).join(u"\r\n"_s));
    return pane;
}

// One typed character and its Backspace, through the pane, in the middle of the document.
void BM_Keystroke(benchmark::State &state)
{
    auto pane = paneWithLines(int(state.range(0)));
    pane->model().setCaretXY({5, pane->Lines().Count() / 2 + 1});
    QApplication::processEvents();
    for (auto _ : state) {
        pane->executeCommand(ecChar, u'x');
        pane->executeCommand(ecDeleteLastChar);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_Keystroke)->Arg(10)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// The pane is sized to show ten lines, so both documents fill the same screen.
void BM_PaintScreen(benchmark::State &state)
{
    auto pane = paneWithLines(int(state.range(0)));
    pane->resize(1000, pane->lineHeight() * 10 + pane->horizontalScrollBar()->sizeHint().height() +
                           2 * pane->frameWidth());
    pane->model().setCaretXY({1, std::max(1, pane->Lines().Count() / 2)});
    QImage image(pane->viewport()->size(), QImage::Format_RGB32);
    for (auto _ : state)
        pane->viewport()->render(&image);
}
BENCHMARK(BM_PaintScreen)->Arg(10)->Arg(1000000)->Unit(benchmark::kMicrosecond);

void BM_DecodeLongLine(benchmark::State &state)
{
    const QByteArray bytes = longLineBytes(int(state.range(0)));
    decodeWithQStringDecoder(state, bytes);
}
BENCHMARK(BM_DecodeLongLine)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_OpenAndPaintLongLine(benchmark::State &state)
{
    const QString path =
        writeFixture(u"long%1.qpl"_s.arg(state.range(0)), longLineBytes(int(state.range(0))));
    TEditorPane pane;
    pane.resize(1000, 700);
    pane.show();
    pane.SetHighlighter(&highlighter());
    QImage image(pane.viewport()->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        pane.Lines().LoadFromFile(path);
        pane.viewport()->render(&image);
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}
BENCHMARK(BM_OpenAndPaintLongLine)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_PassOverLongLine(benchmark::State &state)
{
    const QString line = windows1251::decode(longLineBytes(int(state.range(0))));
    for (auto _ : state) {
        qsizetype visible = 0;
        for (QChar ch : line)
            visible += ch.unicode() > 0x20;
        benchmark::DoNotOptimize(visible);
    }
    state.SetBytesProcessed(state.iterations() * line.size() * 2);
}
BENCHMARK(BM_PassOverLongLine)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

// A typed character in the middle of the long line, and its Backspace.
void BM_KeystrokeLongLine(benchmark::State &state)
{
    TEditorPane pane;
    pane.resize(1000, 700);
    pane.show();
    pane.SetHighlighter(&highlighter());
    pane.Lines().setText(windows1251::decode(longLineBytes(int(state.range(0)))));
    pane.model().setCaretXY({pane.Lines().length(0) / 2, 1});
    QApplication::processEvents();
    for (auto _ : state) {
        pane.executeCommand(ecChar, u'x');
        pane.executeCommand(ecDeleteLastChar);
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_KeystrokeLongLine)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

// --- what a user sees: 1200x900 screens, real key events, against QPlainTextEdit ---------

// QPlainTextEdit's colouring: the same QPILE scanner and attribute colours through a
// QSyntaxHighlighter, so both editors show the same screen.
class QpileSyntaxHighlighter : public QSyntaxHighlighter
{
public:
    explicit QpileSyntaxHighlighter(QTextDocument *document) : QSyntaxHighlighter(document) {}

protected:
    void highlightBlock(const QString &text) override
    {
        TCustomHighlighter &scanner = highlighter();
        if (previousBlockState() < 0)
            scanner.ResetRange();
        else
            scanner.SetRange(TRange(previousBlockState()));
        scanner.SetLine(text, currentBlock().blockNumber());
        while (!scanner.GetEol()) {
            setFormat(scanner.GetTokenPos(), int(scanner.GetTokenView().size()),
                      formatOf(scanner.GetTokenAttribute()));
            scanner.Next();
        }
        setCurrentBlockState(int(scanner.GetRange()));
    }

private:
    QTextCharFormat formatOf(THighlighterAttributes *attribute)
    {
        if (!attribute)
            return {};
        auto found = m_formats.find(attribute);
        if (found != m_formats.end())
            return found->second;
        QTextCharFormat format;
        const QColor foreground = toQColor(attribute->Foreground(), QApplication::palette());
        const QColor background = toQColor(attribute->Background(), QApplication::palette());
        if (foreground.isValid())
            format.setForeground(foreground);
        if (background.isValid())
            format.setBackground(background);
        const TFontStyles style = attribute->Style();
        format.setFontWeight(style.testFlag(TFontStyle::fsBold) ? QFont::Bold : QFont::Normal);
        format.setFontItalic(style.testFlag(TFontStyle::fsItalic));
        format.setFontUnderline(style.testFlag(TFontStyle::fsUnderline));
        format.setFontStrikeOut(style.testFlag(TFontStyle::fsStrikeOut));
        return m_formats.emplace(attribute, format).first->second;
    }
    std::map<THighlighterAttributes *, QTextCharFormat> m_formats;
};

QString documentText(int lines)
{
    return bench::qpileLines(lines).join(u'\n');
}

// Widgets the benchmarks keep between repetitions, let go of before the application ends.
std::vector<std::function<void()>> &releases()
{
    static std::vector<std::function<void()>> list;
    return list;
}

// Repetitions of a benchmark reuse the last editor built, so a 1M-line QPlainTextEdit is
// loaded once per run.
template <typename Editor> Editor &cachedEditor(int lines, Editor *(*make)(int))
{
    static std::unique_ptr<Editor> editor;
    static int editorLines = -1;
    if (!editor)
        releases().push_back([] { editor.reset(); });
    if (editorLines != lines) {
        editor.reset();
        editor.reset(make(lines));
        editorLines = lines;
    }
    return *editor;
}

TEditorPane *makePane(int lines)
{
    auto *pane = new TEditorPane;
    pane->resize(1200, 900);
    pane->show();
    pane->SetHighlighter(&highlighter());
    if (lines == 1000000)
        pane->Lines().LoadFromFile(millionLinePath());
    else
        pane->Lines().setText(documentText(lines));
    pane->model().setCaretXY({5, std::max(1, lines / 2)});
    QApplication::setActiveWindow(pane);
    pane->setFocus();
    QApplication::processEvents();
    return pane;
}

QPlainTextEdit *makePlainEdit(int lines)
{
    auto *edit = new QPlainTextEdit;
    QFont font(u"Courier New"_s);
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(13);
    edit->setFont(font);
    edit->setTabStopDistance(4 * QFontMetricsF(font).horizontalAdvance(u' '));
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->resize(1200, 900);
    edit->show();
    new QpileSyntaxHighlighter(edit->document());
    edit->setPlainText(documentText(lines));
    QTextCursor cursor(edit->document()->findBlockByNumber(std::max(0, lines / 2 - 1)));
    cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 4);
    edit->setTextCursor(cursor);
    edit->centerCursor();
    QApplication::setActiveWindow(edit);
    edit->setFocus();
    QApplication::processEvents();
    return edit;
}

void fullScreen(benchmark::State &state, QWidget *viewport)
{
    QImage image(viewport->size(), QImage::Format_RGB32);
    for (auto _ : state)
        viewport->render(&image);
}

void BM_PaneFullScreen(benchmark::State &state)
{
    fullScreen(state, cachedEditor<TEditorPane>(int(state.range(0)), makePane).viewport());
}

void BM_PlainEditFullScreen(benchmark::State &state)
{
    fullScreen(state, cachedEditor<QPlainTextEdit>(int(state.range(0)), makePlainEdit).viewport());
}

// A typed character and its Backspace as real key events, each followed by the repaint it
// asked for, delivered the way the event loop delivers it.
void keyToPixels(benchmark::State &state, QAbstractScrollArea &editor)
{
    PaintCounter counter(editor.viewport());
    auto key = [&](int code, const QString &text) {
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
        QApplication::sendEvent(&editor, &press);
        QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, text);
        QApplication::sendEvent(&editor, &release);
        QApplication::processEvents();
    };
    QApplication::processEvents();
    for (auto _ : state) {
        key(Qt::Key_X, u"x"_s);
        key(Qt::Key_Backspace, QString());
    }
    state.SetItemsProcessed(state.iterations() * 2);
    state.counters["paints_per_key"] = double(counter.paints) / double(state.iterations() * 2);
}

void BM_PaneKeyToPixels(benchmark::State &state)
{
    keyToPixels(state, cachedEditor<TEditorPane>(int(state.range(0)), makePane));
}

void BM_PlainEditKeyToPixels(benchmark::State &state)
{
    keyToPixels(state, cachedEditor<QPlainTextEdit>(int(state.range(0)), makePlainEdit));
}

// Enter pressed in a freshly opened 1M-line document, as a real key event to the end of the
// repaint it asks for: the first Enter after opening (/0) beside a later one (/1), the
// baseline, each on a pane that just loaded the file.
void BM_PaneEnterAfterOpening(benchmark::State &state)
{
    const bool later = state.range(0) != 0;
    int paints = 0;
    for (auto _ : state) {
        auto pane = std::make_unique<TEditorPane>();
        pane->resize(1200, 900);
        pane->show();
        pane->SetHighlighter(&highlighter());
        pane->Lines().LoadFromFile(millionLinePath());
        pane->model().setCaretXY({5, 500000});
        QApplication::setActiveWindow(pane.get());
        pane->setFocus();
        QApplication::processEvents();
        auto enter = [&] {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, u"\r"_s);
            QApplication::sendEvent(pane.get(), &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, u"\r"_s);
            QApplication::sendEvent(pane.get(), &release);
            QApplication::processEvents();
        };
        if (later)
            enter();
        PaintCounter counter(pane->viewport());
        QElapsedTimer timer;
        timer.start();
        enter();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        paints += counter.paints;
        if (pane->Lines().Count() != 1000001 + (later ? 1 : 0))
            state.SkipWithError("Enter did not break the line");
    }
    state.counters["paints"] = double(paints) / double(state.iterations());
}

// Paints of the long line with the caret at a given percentage of it: the whole screen, and
// the caret rectangle alone as a blink repaints it.
void BM_PaneLongLinePaint(benchmark::State &state)
{
    static std::unique_ptr<TEditorPane> pane;
    static int megabytes = 0;
    if (!pane)
        releases().push_back([] { pane.reset(); });
    if (megabytes != state.range(0)) {
        pane.reset(new TEditorPane);
        pane->resize(1200, 900);
        pane->show();
        pane->SetHighlighter(&highlighter());
        pane->Lines().setText(windows1251::decode(longLineBytes(int(state.range(0)))));
        QApplication::setActiveWindow(pane.get());
        pane->setFocus();
        megabytes = int(state.range(0));
    }
    pane->model().setCaretXY(
        {int(std::max<qint64>(1, qint64(pane->Lines().length(0)) * state.range(1) / 100)), 1});
    QApplication::processEvents();
    const bool blink = state.range(2) != 0;
    QImage image(pane->viewport()->size(), QImage::Format_RGB32);
    const QRegion caret(pane->caretRect().adjusted(-1, 0, 1, 0));
    for (auto _ : state) {
        if (blink)
            pane->viewport()->render(&image, {}, caret);
        else
            pane->viewport()->render(&image);
    }
}

const std::vector<int64_t> kScreenLines = {10, 10000, 100000, 1000000};

BENCHMARK(BM_PaneFullScreen)->ArgsProduct({kScreenLines})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainEditFullScreen)->ArgsProduct({kScreenLines})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaneKeyToPixels)->ArgsProduct({kScreenLines})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainEditKeyToPixels)->ArgsProduct({kScreenLines})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaneEnterAfterOpening)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaneLongLinePaint)
    ->ArgsProduct({{10}, {1, 50, 99}, {0, 1}})
    ->ArgNames({"MB", "caret%", "blink"})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const auto &release : releases())
        release();
    return 0;
}
