#include "unit_main.h"

#include "document.h"
#include "editor/model/edit_model.h"
#include "editor/view/editor_pane.h"
#include "platform/shell_open.h"
#include "platform/web_host.h"
#include "print/editor_print.h"
#include "print/view/print_commands.h"

#include <QDialog>

// The help, about and printing commands.
namespace bp {
namespace {

const QString kHelpPath = QStringLiteral("/ru/faq/5-brindle-pad.html");
const QString kProductPath = QStringLiteral("/ru/brindle-pad.html");

} // namespace

void Tfrm_Main::HelpExecute()
{
    m_services.shell->open(webPage(kHelpPath));
}

void Tfrm_Main::Action2Execute()
{
    m_services.shell->open(webPage(kProductPath));
}

void Tfrm_Main::setAboutWindow(QDialog *window)
{
    m_aboutWindow = window;
    disconnect(m_actions.Action1, &QAction::triggered, this, nullptr);
    m_actions.Action1->setEnabled(window != nullptr);
    if (window)
        connect(m_actions.Action1, &QAction::triggered, this,
                [this] { runCommand([this] { Action1Execute(); }); });
}

void Tfrm_Main::Action1Execute()
{
    m_aboutWindow->exec();
}

void Tfrm_Main::attachEditorToPrint()
{
    EditorPrint->attachEditor(EditorPane->Lines(), EditorPane->Highlighter(),
                              EditorPane->editorFont(), EditorPane->model().TabWidth());
}

void Tfrm_Main::FilePrintExecute()
{
    attachEditorToPrint();
    // Where the job went, and any pages or copies the printer set-up left chosen.
    const QString report = m_print->FilePrintExecute(m_document->DocFileName());
    if (!report.isEmpty())
        showTemporaryHint(report);
}

void Tfrm_Main::FilePrintPreviewExecute()
{
    attachEditorToPrint();
    m_print->FilePrintPreviewExecute();
}

void Tfrm_Main::FilePrintSetup1Execute()
{
    m_print->FilePrintSetup1Execute();
}

} // namespace bp
