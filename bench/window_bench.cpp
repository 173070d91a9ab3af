// What a user feels in the whole main window: a real key event sent to the focused editor
// pane, to the end of the repaint it asked for, with everything the window does per key (the
// edit actions' state, the caret panel, the status, the check's scheduling, the recovery
// timer, the tips). Beside a stock QPlainTextEdit with a QSyntaxHighlighter typing into the
// same text in the same run, the baseline:
//   BM_WindowKey/10, /10000, /1000000     vs BM_PlainEditKey/10, /10000, /1000000
//   BM_WindowKeyLongLine/1, /10 (MB; the caret at the end of one line, the signature tip
//   open) vs BM_PlainEditKey/10
//   BM_WindowKeyBracketLine/1 (the end of a 1 MB line of "(")
//   BM_WindowMatchUnmatchedBracket (Ctrl+Shift+B from an unmatched "(" at the top of the
//   1M-line document)
// Each iteration is two keys: a typed character and its Backspace.
#include "app/recovery_store.h"
#include "app/unit_main.h"
#include "bench_fixture.h"
#include "common/windows1251.h"
#include "editor/model/edit_model.h"
#include "editor/model/editor_lines.h"
#include "editor/view/editor_pane.h"
#include "highlight/qpile_highlighter.h"
#include "paint_counter.h"
#include "platform/alert_sound.h"
#include "platform/settings_store.h"
#include "platform/shell_open.h"
#include "platform/user_prompts.h"
#include "qpile/view/language_tips.h"
#include "qpile/view/signature_tip.h"
#include "qpile/view/tip_window.h"
#include "qpile_corpus.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QSyntaxHighlighter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <benchmark/benchmark.h>
#include <functional>
#include <memory>

using namespace bp;
using namespace Qt::StringLiterals;

namespace {

RecoveryStore &recoveryStore()
{
    static RecoveryStore store(tempDir().filePath(u"recovery"_s));
    return store;
}

// Answers nothing: no box may show while the benchmark types.
class SilentPrompts : public UserPrompts
{
public:
    void showError(QWidget *, const QString &text) override
    {
        qFatal("error box: %s", qPrintable(text));
    }
    void showMessage(QWidget *, const QString &) override {}
    PromptAnswer askYesNoCancel(QWidget *, const QString &, PromptIcon) override
    {
        return PromptAnswer::No;
    }
    bool askYesNo(QWidget *, const QString &, PromptIcon) override { return false; }
    bool askInformation(QWidget *, const QString &, const QString &) override { return false; }
    void showInformation(QWidget *, const QString &, const QString &) override {}
    std::optional<QString> chooseFileToOpen(QWidget *, const FileDialogRequest &) override
    {
        return std::nullopt;
    }
    std::optional<QString> chooseFileToSave(QWidget *, const FileDialogRequest &) override
    {
        return std::nullopt;
    }
};

class NoShell : public ShellOpen
{
public:
    void open(const QUrl &) override {}
};

class NoSound : public AlertSound
{
public:
    void alert() override {}
};

QString documentText(int lines)
{
    return bench::qpileLines(lines).join(u"\r\n"_s);
}

// One line of ordinary code of about `megabytes` MB, its last call left open so the tip shows.
QByteArray longLine(int megabytes)
{
    QByteArray bytes;
    const qsizetype size = qsizetype(megabytes) * 1024 * 1024;
    bytes.reserve(size + 64);
    int i = 0;
    while (bytes.size() < size) {
        const QString line = bench::qpileLine(i++).trimmed();
        // A comment would run to the line's end and hide the call.
        if (!line.contains(u'\''))
            bytes += windows1251::encode(line) + ' ';
    }
    bytes += "x = GET_VALUE(row, ";
    return bytes;
}

// The window with its document open at the caret, focused, painted once and settled (the
// first check and colouring done).
struct OpenWindow
{
    std::unique_ptr<QtSettingsStore> settings;
    SilentPrompts prompts;
    NoShell shell;
    NoSound sound;
    std::unique_ptr<Tfrm_Main> window;

    explicit OpenWindow(const QString &path)
    {
        settings = std::make_unique<QtSettingsStore>(tempDir().filePath(u"settings.conf"_s),
                                                     QSettings::IniFormat);
        window =
            std::make_unique<Tfrm_Main>(PlatformServices{settings.get(), &shell, &prompts, &sound,
                                                         QStringLiteral(BP_SOURCE_DIR "/data")},
                                        QStringList{path});
        window->resize(1200, 900);
        window->show();
        // As the program does: the unsaved text is kept for recovery while typing.
        window->startRecovery(recoveryStore());
        QApplication::setActiveWindow(window.get());
        window->editorPane()->setFocus();
        settle();
    }
    ~OpenWindow() { window.reset(); }

    static void settle()
    {
        for (int i = 0; i < 20; ++i) {
            QTest::qWait(20);
            QApplication::processEvents();
        }
    }
};

std::vector<std::function<void()>> &releases()
{
    static std::vector<std::function<void()>> list;
    return list;
}

// Repetitions reuse the last window built, so a large file is opened once per run.
OpenWindow &cachedWindow(const QString &key, const std::function<QString()> &makeFile,
                         const std::function<void(OpenWindow &)> &prepare)
{
    static std::unique_ptr<OpenWindow> open;
    static QString openKey;
    if (!open && openKey.isEmpty())
        releases().push_back([] { open.reset(); });
    if (openKey != key) {
        open.reset();
        open = std::make_unique<OpenWindow>(makeFile());
        openKey = key;
        prepare(*open);
        OpenWindow::settle();
    }
    return *open;
}

// Sends a key as the event loop would deliver it to the focused widget, then lets the loop
// run until the repaint it asked for is done.
void sendKey(QWidget *target, int code, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
    QApplication::processEvents();
}

void typeKeys(benchmark::State &state, QWidget *target, QWidget *painted)
{
    PaintCounter counter(painted);
    QApplication::processEvents();
    for (auto _ : state) {
        sendKey(target, Qt::Key_X, u"x"_s);
        sendKey(target, Qt::Key_Backspace, QString());
    }
    state.SetItemsProcessed(state.iterations() * 2);
    state.counters["paints_per_key"] = double(counter.paints) / double(state.iterations() * 2);
}

QString documentFile(int lines)
{
    return writeFixture(u"doc%1.qpl"_s.arg(lines), windows1251::encode(documentText(lines)));
}

void BM_WindowKey(benchmark::State &state)
{
    const int lines = int(state.range(0));
    OpenWindow &open = cachedWindow(
        u"lines%1"_s.arg(lines), [lines] { return documentFile(lines); },
        [lines](OpenWindow &w) {
            w.window->editorPane()->model().setCaretXY({5, std::max(1, lines / 2)});
        });
    TEditorPane *pane = open.window->editorPane();
    typeKeys(state, pane, pane->viewport());
}

void BM_WindowKeyLongLine(benchmark::State &state)
{
    const int megabytes = int(state.range(0));
    OpenWindow &open = cachedWindow(
        u"long%1"_s.arg(megabytes),
        [megabytes] { return writeFixture(u"long%1.qpl"_s.arg(megabytes), longLine(megabytes)); },
        [](OpenWindow &w) {
            TEditorPane *pane = w.window->editorPane();
            // End, as the user reaches it: the view scrolls to show the caret.
            sendKey(pane, Qt::Key_End, QString());
        });
    TEditorPane *pane = open.window->editorPane();
    // Opened once the check of the opened text is done, as Ctrl+Shift+Space would.
    OpenWindow::settle();
    SignatureTip &tip = open.window->languageTips()->signatureTip();
    if (!tip.isOpen() && !tip.showAtCaret()) {
        state.SkipWithError("the signature tip does not open");
        return;
    }
    typeKeys(state, pane, pane->viewport());
    // 1 when the tip stayed open through the typing.
    state.counters["tip_open"] = tip.isOpen() && tip.window()->isVisible() ? 1 : 0;
}

void BM_WindowKeyBracketLine(benchmark::State &state)
{
    const int megabytes = int(state.range(0));
    OpenWindow &open = cachedWindow(
        u"brackets%1"_s.arg(megabytes),
        [megabytes] {
            return writeFixture(u"brackets%1.qpl"_s.arg(megabytes),
                                QByteArray(qsizetype(megabytes) * 1024 * 1024, '('));
        },
        [](OpenWindow &w) {
            TEditorPane *pane = w.window->editorPane();
            // End, as the user reaches it: the view scrolls to show the caret.
            sendKey(pane, Qt::Key_End, QString());
        });
    TEditorPane *pane = open.window->editorPane();
    typeKeys(state, pane, pane->viewport());
}

// Ctrl+Shift+B on an unmatched "(" typed at the top of the 1M-line document: the search for
// its partner, to the end of the repaint.
void BM_WindowMatchUnmatchedBracket(benchmark::State &state)
{
    OpenWindow &open = cachedWindow(
        u"bracketTop"_s, [] { return documentFile(1000000); },
        [](OpenWindow &w) {
            TEditorPane *pane = w.window->editorPane();
            pane->model().setCaretXY({1, 1});
            sendKey(pane, Qt::Key_ParenLeft, u"("_s);
            sendKey(pane, Qt::Key_Left, QString());
        });
    TEditorPane *pane = open.window->editorPane();
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
        QApplication::sendEvent(pane, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
        QApplication::sendEvent(pane, &release);
        QApplication::processEvents();
    }
    if (pane->model().CaretXY() != TBufferCoord{1, 1})
        state.SkipWithError("the unmatched bracket found a partner");
}

// The same text in a stock QPlainTextEdit coloured by a QSyntaxHighlighter with the same
// scanner, the caret in the middle.
class ScannerHighlighter : public QSyntaxHighlighter
{
public:
    explicit ScannerHighlighter(QTextDocument *document) : QSyntaxHighlighter(document) {}

protected:
    void highlightBlock(const QString &text) override
    {
        m_scanner.ResetRange();
        m_scanner.SetLine(text, currentBlock().blockNumber());
        while (!m_scanner.GetEol()) {
            if (THighlighterAttributes *attribute = m_scanner.GetTokenAttribute()) {
                QTextCharFormat format;
                format.setFontWeight(
                    attribute->Style().testFlag(TFontStyle::fsBold) ? QFont::Bold : QFont::Normal);
                setFormat(m_scanner.GetTokenPos(), int(m_scanner.GetTokenView().size()), format);
            }
            m_scanner.Next();
        }
    }

private:
    TQPILEHighlighter m_scanner;
};

void BM_PlainEditKey(benchmark::State &state)
{
    const int lines = int(state.range(0));
    static std::unique_ptr<QPlainTextEdit> edit;
    static int editLines = -1;
    if (editLines < 0)
        releases().push_back([] { edit.reset(); });
    if (editLines != lines) {
        edit.reset();
        edit = std::make_unique<QPlainTextEdit>();
        QFont font(QStringLiteral("Courier New"));
        font.setStyleHint(QFont::TypeWriter);
        font.setPixelSize(13);
        edit->setFont(font);
        edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit->resize(1200, 900);
        edit->show();
        new ScannerHighlighter(edit->document());
        edit->setPlainText(bench::qpileLines(lines).join(u'\n'));
        QTextCursor cursor(edit->document()->findBlockByNumber(std::max(0, lines / 2 - 1)));
        cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 4);
        edit->setTextCursor(cursor);
        edit->centerCursor();
        QApplication::setActiveWindow(edit.get());
        edit->setFocus();
        OpenWindow::settle();
        editLines = lines;
    }
    typeKeys(state, edit.get(), edit->viewport());
}

BENCHMARK(BM_PlainEditKey)->Arg(10)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WindowKey)->Arg(10)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WindowKeyLongLine)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowKeyBracketLine)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WindowMatchUnmatchedBracket)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    // Offscreen unless another platform is named: under a display server (xcb) the figures
    // include its round trips, as a user meets them.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const auto &release : releases())
        release();
    return 0;
}
