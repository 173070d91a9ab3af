#include "language_aids.h"

#include "editor/view/editor_pane.h"
#include "qpile/qpile_reference.h"
#include "qpile/view/language_tips.h"
#include "qpile/view/qpile_check_panel.h"

namespace bp {

LanguageAids::LanguageAids(Window window, QObject *parent)
    : QObject(parent), m_window(std::move(window)),
      m_tips(new LanguageTips(m_window.pane, m_window.libraryTree))
{
    m_tips->addCommands(m_window.parts);
}

LanguageAids::~LanguageAids() = default;

void LanguageAids::referenceLoaded(const std::shared_ptr<const QpileReference> &reference)
{
    m_tips->setReference(reference);
    if (m_checkPanel)
        return;
    m_checkPanel = std::make_unique<QpileCheckPanel>(reference, m_window.pane, m_window.parts,
                                                     m_window.showHint);
    m_checkPanel->setScriptFolderSource(m_window.scriptFolder);
    // The script's own FUNCs get the signature tip and the hover help too.
    connect(m_checkPanel.get(), &QpileCheckPanel::checked, m_tips,
            [this] { m_tips->setScriptFunctions(m_checkPanel->scriptFunctions()); });
    // A problem under the mouse is told before the help of the function it is in. As rich
    // text, so a message quoting the script is never read as markup.
    m_tips->addHoverSource([this](TBufferCoord position) -> QString {
        QString text = m_checkPanel->problemTextAt(position);
        if (text.isEmpty())
            return text;
        return QStringLiteral("<p>") + text.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>")) +
               QStringLiteral("</p>");
    });
}

} // namespace bp
