#include "completion_proposal.h"

#include "editor/model/edit_commands.h"
#include "editor/model/edit_model.h"
#include "editor/view/editor_pane.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QSizeGrip>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

namespace bp {

QPoint completionPopupPosition(const QRect &caretLine, const QSize &popupSize, const QRect &screen)
{
    int x = caretLine.left();
    int y = caretLine.bottom() + 1;
    if (x + popupSize.width() > screen.right() + 1)
        x = std::max(screen.left(), screen.right() + 1 - 5 - popupSize.width());
    if (y + popupSize.height() > screen.bottom() + 1)
        y = caretLine.top() - popupSize.height();
    return {x, y};
}

TCompletionProposal::TCompletionProposal(TCustomEditorPane *pane, CompletionProposalConfig config,
                                         const QKeySequence &shortCut, QObject *parent)
    : QObject(parent), m_pane(pane), m_state(std::move(config)), m_shortCut(shortCut)
{
    // A popup window: it takes the keyboard while open and closes when another window is
    // activated or the user clicks elsewhere.
    // Owned here, not by the pane: the popup must not outlive the filter that serves it.
    m_popup = new QFrame(nullptr, Qt::Popup | Qt::FramelessWindowHint);
    m_popup->setFrameShape(QFrame::Box);
    m_popup->setAttribute(Qt::WA_DeleteOnClose, false);
    auto *layout = new QVBoxLayout(m_popup);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    m_list = new QListWidget(m_popup);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(11);
    m_list->setFont(font);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setUniformItemSizes(true);
    m_list->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_list);
    auto *grip = new QSizeGrip(m_popup);
    layout->addWidget(grip, 0, Qt::AlignBottom | Qt::AlignRight);
    // One entry's height, measured once, and what the window adds around the entries: the
    // opening size and the size kept at closing use the same two numbers, so an unchanged
    // popup opens again exactly as large.
    m_list->addItem(QStringLiteral("CONSTRUCTOR"));
    m_rowHeight = std::max(1, m_list->sizeHintForRow(0));
    m_list->clear();
    m_chromeHeight = 2 * layout->contentsMargins().top() + grip->sizeHint().height();
    m_popup->installEventFilter(this);
    m_listViewport = m_list->viewport();
    m_listViewport->installEventFilter(this);
    pane->installEventFilter(this);

    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row != m_state.position())
            m_state.setPosition(row);
    });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { confirm(); });
}

TCompletionProposal::~TCompletionProposal()
{
    // Deleting the popup sends it events; none may reach this half-destroyed object.
    m_popup->removeEventFilter(this);
    m_listViewport->removeEventFilter(this);
    delete m_popup;
}

bool TCompletionProposal::isVisible() const
{
    return m_popup->isVisible();
}

QWidget *TCompletionProposal::popup() const
{
    return m_popup;
}

void TCompletionProposal::Execute()
{
    const EditModel &model = m_pane->model();
    if (!m_state.open(model.LineText(), model.CaretX()))
        return;
    showList();
}

int TCompletionProposal::visibleEntries() const
{
    return std::max(1, m_list->viewport()->height() / m_rowHeight);
}

void TCompletionProposal::rememberSize()
{
    m_width = m_popup->width();
    m_visibleEntries =
        std::max(1, qRound(double(m_popup->height() - m_chromeHeight) / m_rowHeight));
}

void TCompletionProposal::showList()
{
    refreshList();
    const QSize size(m_width, m_visibleEntries * m_rowHeight + m_chromeHeight);
    const QRect caret = m_pane->caretRect();
    const QPoint topLeft = m_pane->viewport()->mapToGlobal(caret.topLeft());
    const QRect caretLine(topLeft, QSize(caret.width(), m_pane->lineHeight()));
    QScreen *screen = QGuiApplication::screenAt(topLeft);
    if (!screen)
        screen = m_pane->screen();
    m_popup->resize(size);
    m_popup->move(completionPopupPosition(caretLine, size, screen->geometry()));
    m_pane->setCaretAlwaysVisible(true);
    m_popup->show();
    m_popup->setFocus();
}

void TCompletionProposal::refreshList()
{
    m_list->clear();
    for (const CompletionEntry &entry : m_state.filteredList())
        m_list->addItem(completionShownText(entry.text));
    if (m_state.position() >= 0)
        m_list->setCurrentRow(m_state.position());
    m_list->verticalScrollBar()->setEnabled(m_list->count() > m_visibleEntries);
}

void TCompletionProposal::closePopup()
{
    if (m_closing)
        return;
    m_closing = true;
    m_state.close();
    if (m_popup->isVisible()) {
        // The size the user gave the popup is kept for its next opening.
        rememberSize();
        m_popup->hide();
    }
    m_pane->setCaretAlwaysVisible(false);
    m_pane->SetFocus();
    m_closing = false;
}

void TCompletionProposal::confirm()
{
    EditModel &model = m_pane->model();
    const int line = model.CaretY();
    const std::optional<CompletionReplacement> replacement =
        m_state.confirm(model.LineText(), model.CaretX());
    closePopup();
    if (!replacement)
        return;
    if (replacement->changesText)
        replaceRange(model, {replacement->startColumn, line}, {replacement->endColumn, line},
                     replacement->text);
    model.setCaretXY({replacement->caretColumn, line});
}

void TCompletionProposal::typeIntoPane(QChar ch)
{
    m_pane->executeCommand(ecChar, ch);
}

void TCompletionProposal::handleKey(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const int page = std::max(1, visibleEntries());
    switch (event->key()) {
    case Qt::Key_Up:
        if (modifiers & Qt::ControlModifier)
            m_state.highlightFirst();
        else
            m_state.moveHighlight(-1);
        break;
    case Qt::Key_Down:
        if (modifiers & Qt::ControlModifier)
            m_state.highlightLast();
        else
            m_state.moveHighlight(1);
        break;
    case Qt::Key_Home:
        m_state.highlightFirst();
        break;
    case Qt::Key_End:
        m_state.highlightLast();
        break;
    case Qt::Key_PageUp:
        m_state.moveHighlight(-page);
        break;
    case Qt::Key_PageDown:
        m_state.moveHighlight(page);
        break;
    case Qt::Key_Backspace:
    case Qt::Key_Left: {
        const CompletionStep step = m_state.stepBack();
        m_pane->executeCommand(event->key() == Qt::Key_Left ? ecLeft : ecDeleteLastChar);
        if (step == CompletionStep::Close)
            closePopup();
        else
            refreshList();
        return;
    }
    case Qt::Key_Right: {
        const EditModel &model = m_pane->model();
        const CompletionStep step = m_state.stepRight(model.LineText(), model.CaretX());
        m_pane->executeCommand(ecRight);
        if (step == CompletionStep::Close)
            closePopup();
        else
            refreshList();
        return;
    }
    case Qt::Key_Delete:
        m_pane->executeCommand(ecDeleteChar);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_state.enterKey() == CompletionStep::Confirm)
            confirm();
        else
            closePopup();
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (m_state.tabKey() == CompletionStep::Confirm)
            confirm();
        else
            closePopup();
        return;
    case Qt::Key_Escape:
        closePopup();
        return;
    default: {
        const QString text = event->text();
        if (text.isEmpty())
            return;
        if (text.size() > 1) {
            // Several code units at once (a pair of surrogates, composed input): they are
            // typed whole, never split by the word rules.
            closePopup();
            for (QChar unit : text)
                typeIntoPane(unit);
            return;
        }
        const QChar ch = text.front();
        const TypedCharacterOutcome outcome = m_state.typeCharacter(ch);
        if (outcome.step == CompletionStep::Confirm)
            confirm();
        else if (outcome.step == CompletionStep::Close)
            closePopup();
        if (outcome.typeIntoPane)
            typeIntoPane(ch);
        if (outcome.reopen)
            Execute();
        else if (outcome.step == CompletionStep::StayOpen)
            refreshList();
        return;
    }
    }
    refreshList();
}

bool TCompletionProposal::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_pane && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const QKeySequence pressed(key->keyCombination());
        if (!m_shortCut.isEmpty() && pressed.matches(m_shortCut) == QKeySequence::ExactMatch) {
            Execute();
            return true; // the shortcut is consumed even when nothing opens
        }
        return false;
    }
    if (watched == m_popup) {
        switch (event->type()) {
        case QEvent::KeyPress:
            handleKey(static_cast<QKeyEvent *>(event));
            return true;
        case QEvent::Hide:
            // Hidden from outside (a click elsewhere, another window activated).
            if (m_state.isOpen()) {
                rememberSize();
                closePopup();
            }
            return false;
        default:
            return false;
        }
    }
    if (watched == m_listViewport && event->type() == QEvent::Wheel) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        const int notches = wheel->angleDelta().y() / 120;
        const int step = (wheel->modifiers() & Qt::ControlModifier)
                             ? visibleEntries()
                             : QApplication::wheelScrollLines();
        m_state.moveHighlight(-notches * step);
        refreshList();
        return true;
    }
    return false;
}

} // namespace bp
