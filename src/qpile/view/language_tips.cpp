#include "language_tips.h"

#include "editor/model/edit_model.h"
#include "editor/view/editor_pane.h"
#include "highlight/qpile_highlighter.h"
#include "platform/window_parts.h"
#include "qpile/function_help.h"
#include "qpile/qpile_reference.h"
#include "signature_tip.h"
#include "tip_window.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QTreeView>

namespace bp {

LanguageTips::LanguageTips(TCustomEditorPane &pane, QTreeView &libraryTree)
    : QObject(&pane), m_pane(pane), m_tree(&libraryTree), m_treeViewport(libraryTree.viewport()),
      m_highlighter(std::make_unique<TQPILEHighlighter>()),
      m_signature(new SignatureTip(pane, this)), m_hover(new EditorHoverTip(pane, this)),
      m_helpWindow(new TipWindow(&pane)), m_libraryWindow(new TipWindow(&pane)),
      m_libraryTimer(new QTimer(this))
{
    m_helpWindow->setObjectName(QStringLiteral("functionHelpTip"));
    m_libraryWindow->setObjectName(QStringLiteral("libraryTip"));
    m_hover->setFallbackSource([this](TBufferCoord position) { return helpAt(position); });

    m_libraryTimer->setSingleShot(true);
    m_libraryTimer->setInterval(EditorHoverTip::kDelayMs);
    connect(m_libraryTimer, &QTimer::timeout, this, &LanguageTips::showLibraryTip);
    connect(&libraryTree, &QObject::destroyed, this, [this] {
        m_tree = nullptr;
        m_treeViewport = nullptr;
    });
    libraryTree.viewport()->setMouseTracking(true);
    libraryTree.viewport()->installEventFilter(this);
    libraryTree.installEventFilter(this);
    pane.installEventFilter(this);
    // The help on request is about where the caret was.
    connect(&pane.model(), &EditModel::caretMoved, m_helpWindow, &QWidget::hide);
    setReference(nullptr);
}

LanguageTips::~LanguageTips() = default;

void LanguageTips::addCommands(WindowParts &parts)
{
    m_helpAction = parts.command(WindowCommand::FunctionHelp);
    connect(m_helpAction, &QAction::triggered, this, &LanguageTips::showFunctionHelp);
    m_signatureAction = parts.command(WindowCommand::SignatureTip);
    connect(m_signatureAction, &QAction::triggered, this, [this] {
        if (m_pane.hasFocus())
            m_signature->showAtCaret();
    });
    for (QAction *action : {m_helpAction, m_signatureAction})
        if (action)
            action->setEnabled(m_reference != nullptr);
}

void LanguageTips::setScriptFunctions(const QList<QpileFunction> &functions)
{
    if (!m_loaded)
        return;
    m_reference = functions.isEmpty()
                      ? m_loaded
                      : std::make_shared<const QpileReference>(m_loaded->withFunctions(functions));
    m_signature->setReference(m_reference);
}

void LanguageTips::setReference(std::shared_ptr<const QpileReference> reference)
{
    m_loaded = reference;
    m_reference = std::move(reference);
    m_signature->setReference(m_reference);
    for (QAction *action : {m_helpAction, m_signatureAction})
        if (action)
            action->setEnabled(m_reference != nullptr);
    m_helpWindow->hide();
    m_libraryWindow->hide();
    m_hover->window()->hide();
}

void LanguageTips::addHoverSource(EditorHoverTip::Source source)
{
    m_hover->addHoverSource(std::move(source));
}

QString LanguageTips::helpAt(TBufferCoord position) const
{
    if (!m_reference)
        return QString();
    const std::optional<QpileNameAt> name =
        findFunctionNameAt(*m_reference, m_pane.Lines(), position, *m_highlighter, false);
    return name ? functionHelpHtml(*name->function) : QString();
}

QString LanguageTips::libraryNodeText(const QModelIndex &index) const
{
    if (!m_reference || !index.isValid() || index.model()->hasChildren(index))
        return QString();
    const QString text = index.data().toString();
    if (const QpileFunction *function = functionOfLibraryNode(*m_reference, text))
        return functionHelpHtml(*function);
    // The panel may cut the node; the tip shows all of it.
    return QStringLiteral("<p><code>%1</code></p>").arg(text.trimmed().toHtmlEscaped());
}

void LanguageTips::showFunctionHelp()
{
    if (!m_reference)
        return;
    QString text;
    QRect anchor;
    if (m_tree && m_tree->hasFocus()) {
        const QModelIndex current = m_tree->currentIndex();
        text = libraryNodeText(current);
        const QRect item = m_tree->visualRect(current);
        anchor = QRect(m_tree->viewport()->mapToGlobal(item.topLeft()), item.size());
    } else if (m_pane.hasFocus()) {
        const TBufferCoord caret = m_pane.model().CaretXY();
        if (const std::optional<QpileNameAt> name =
                findFunctionNameAt(*m_reference, m_pane.Lines(), caret, *m_highlighter, true))
            text = functionHelpHtml(*name->function);
        const QRect caretRect = m_pane.caretRect();
        anchor = QRect(m_pane.viewport()->mapToGlobal(caretRect.topLeft()),
                       QSize(caretRect.width(), m_pane.lineHeight()));
    }
    if (text.isEmpty()) {
        m_helpWindow->hide();
        return;
    }
    m_signature->close();
    m_hover->window()->hide();
    m_helpWindow->setFont(m_pane.window()->font());
    m_helpWindow->setText(text);
    m_helpWindow->showAt(anchor);
}

void LanguageTips::showLibraryTip()
{
    if (QApplication::activePopupWidget() || !m_tree || !m_tree->isVisible() ||
        !m_tree->isActiveWindow())
        return;
    const QModelIndex index = m_tree->indexAt(m_libraryPoint);
    const QString text = libraryNodeText(index);
    if (text.isEmpty())
        return;
    m_libraryWindow->setFont(m_pane.window()->font());
    m_libraryWindow->setText(text);
    // Below the node, from the mouse's column.
    const QRect item = m_tree->visualRect(index);
    const QPoint corner = m_tree->viewport()->mapToGlobal(QPoint(m_libraryPoint.x(), item.top()));
    m_libraryWindow->showAt(QRect(corner, QSize(1, item.height())));
}

bool LanguageTips::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched == m_treeViewport && m_tree) {
        if (type == QEvent::MouseMove) {
            const QPoint point = static_cast<QMouseEvent *>(event)->position().toPoint();
            const bool sameNode = m_tree->indexAt(point) == m_tree->indexAt(m_libraryPoint);
            if (!m_libraryWindow->isVisible() || !sameNode) {
                m_libraryWindow->hide();
                m_libraryPoint = point;
                m_libraryTimer->start();
            }
        } else if (type == QEvent::Leave || type == QEvent::MouseButtonPress ||
                   type == QEvent::Wheel) {
            m_libraryTimer->stop();
            m_libraryWindow->hide();
            if (type != QEvent::Leave)
                m_helpWindow->hide();
        }
        return false;
    }
    // The help on request closes with the next key (Esc only closes it), click or focus
    // change in the pane or the tree.
    switch (type) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress: {
        m_libraryTimer->stop();
        m_libraryWindow->hide();
        if (!m_helpWindow->isVisible())
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        const bool escape = key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier;
        if (escape)
            event->accept();
        if (type == QEvent::KeyPress)
            m_helpWindow->hide();
        return escape;
    }
    case QEvent::MouseButtonPress:
    case QEvent::FocusOut:
    case QEvent::Hide:
        m_helpWindow->hide();
        if (watched == m_tree)
            m_libraryWindow->hide();
        return false;
    default:
        return false;
    }
}

} // namespace bp
