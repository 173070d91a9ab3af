#include "signature_tip.h"

#include "editor/model/edit_model.h"
#include "editor/model/editor_lines.h"
#include "editor/view/editor_pane.h"
#include "highlight/qpile_highlighter.h"
#include "qpile/call_position.h"
#include "qpile/function_help.h"
#include "qpile/qpile_reference.h"
#include "tip_window.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <utility>

namespace bp {

SignatureTip::SignatureTip(TCustomEditorPane &pane, QObject *parent)
    : QObject(parent), m_pane(pane), m_highlighter(std::make_unique<TQPILEHighlighter>()),
      m_window(new TipWindow(&pane))
{
    m_window->setObjectName(QStringLiteral("signatureTip"));
    pane.installEventFilter(this);
    const EditModel &model = pane.model();
    // An edit is recorded before its caret move: the move after it is the one that may
    // follow a typed "(". The mark lasts until the event loop runs again.
    connect(&model, &EditModel::changed, this, [this] {
        m_edited = true;
        QMetaObject::invokeMethod(
            this, [this] { m_edited = false; }, Qt::QueuedConnection);
    });
    connect(&model, &EditModel::caretMoved, this, &SignatureTip::caretMoved);
    connect(&model.viewWindow(), &ViewWindow::scrolled, this, [this] { refresh(); });
}

SignatureTip::~SignatureTip() = default;

void SignatureTip::setReference(std::shared_ptr<const QpileReference> reference)
{
    m_reference = std::move(reference);
    // A new reference (the script's own functions found by a finished check) keeps an open
    // tip where the caret still is in its call.
    if (m_reference)
        refresh();
    else
        close();
}

bool SignatureTip::showAtCaret()
{
    if (!m_reference)
        return false;
    const std::vector<QpileCallPosition> calls = callsAtCaret();
    if (calls.empty())
        return false;
    m_call = calls.front().openBracket;
    m_callName = calls.front().name;
    follow(calls);
    return true;
}

void SignatureTip::close()
{
    m_call.reset();
    m_window->hide();
}

std::vector<QpileCallPosition> SignatureTip::callsAtCaret()
{
    // An open tip only asks whether the caret is still in its call: the line is read from
    // the call's name on, not from its start.
    return findEnclosingCalls(*m_reference, m_pane.Lines(), m_pane.model().CaretXY(),
                              *m_highlighter, isOpen() ? std::optional(m_callName) : std::nullopt);
}

void SignatureTip::caretMoved()
{
    const bool edited = std::exchange(m_edited, false);
    if (!m_reference || (!edited && !isOpen()))
        return;
    // An open tip reads its call from its name on. A closed one opens only for a "(" just
    // typed before the caret: any other edit leaves it closed without reading the line, and
    // for the bracket only its name before it is read, from a point shortly before it.
    std::optional<TBufferCoord> from;
    if (isOpen()) {
        from = m_callName;
    } else {
        if (!bracketBeforeCaret())
            return;
        from = openingPoint();
        if (!from)
            return;
    }
    const std::vector<QpileCallPosition> calls = findEnclosingCalls(
        *m_reference, m_pane.Lines(), m_pane.model().CaretXY(), *m_highlighter, from);
    if (edited && !calls.empty()) {
        // A "(" just typed that starts a known call opens the tip for it; a bracket of an
        // unknown function, or one in a string, leaves the tip as it is.
        const TBufferCoord caret = m_pane.model().CaretXY();
        const TBufferCoord typed{caret.Char - 1, caret.Line};
        if (calls.front().openBracket == typed) {
            m_call = typed;
            m_callName = calls.front().name;
        }
    }
    follow(calls);
}

bool SignatureTip::bracketBeforeCaret() const
{
    const TBufferCoord caret = m_pane.model().CaretXY();
    const TEditorLines &lines = m_pane.Lines();
    if (caret.Line < 1 || caret.Line > lines.Count() || caret.Char < 2)
        return false;
    const QStringView text = lines.view(caret.Line - 1);
    return caret.Char - 2 < text.size() && text[caret.Char - 2] == u'(';
}

std::optional<TBufferCoord> SignatureTip::openingPoint() const
{
    // Room for the function's name and the blanks before the bracket.
    constexpr int kNameRoom = 256;
    const TBufferCoord caret = m_pane.model().CaretXY();
    const QStringView text = m_pane.Lines().view(caret.Line - 1);
    m_highlighter->ResetRange();
    const TRange lineStart = m_highlighter->GetRange();
    TRange range = lineStart;
    const int point = m_highlighter->ResumePoint(text, caret.Line - 1, 0, lineStart,
                                                 std::max(0, caret.Char - 2 - kNameRoom), range);
    // Inside a comment there is no call to open.
    if (range != lineStart)
        return std::nullopt;
    return TBufferCoord{point + 1, caret.Line};
}

void SignatureTip::refresh()
{
    if (isOpen() && m_reference)
        follow(callsAtCaret());
}

void SignatureTip::follow(const std::vector<QpileCallPosition> &calls)
{
    if (!isOpen())
        return;
    if (std::none_of(calls.begin(), calls.end(), [this](const QpileCallPosition &call) {
            return call.openBracket == m_call;
        })) {
        close();
        return;
    }
    // A popup holding the keyboard (the completion list) stands where the tip would.
    const QRect caret = m_pane.caretRect();
    if (QApplication::activePopupWidget() || !m_pane.viewport()->rect().intersects(caret)) {
        m_window->hide();
        return;
    }
    const QpileCallPosition &call = calls.front();
    m_window->setFont(m_pane.window()->font());
    m_window->setText(signatureTipHtml(*call.function, call.argument));
    const QRect line(caret.left(), caret.top(), caret.width(), m_pane.lineHeight());
    m_window->showAt(QRect(m_pane.viewport()->mapToGlobal(line.topLeft()), line.size()));
}

bool SignatureTip::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != &m_pane)
        return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress: {
        // Esc closes the tip and nothing else: the window's shortcuts do not see it.
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier ||
            !m_window->isVisible())
            return false;
        event->accept();
        if (event->type() == QEvent::KeyPress)
            close();
        return true;
    }
    case QEvent::FocusOut:
        // A popup takes the keyboard as it opens, with or without saying so.
        if (static_cast<QFocusEvent *>(event)->reason() == Qt::PopupFocusReason ||
            QApplication::activePopupWidget())
            m_window->hide();
        else
            close();
        return false;
    case QEvent::FocusIn:
        refresh();
        return false;
    case QEvent::Hide:
        close();
        return false;
    default:
        return false;
    }
}

} // namespace bp
