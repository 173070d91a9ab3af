#pragma once

#include <QDialog>

namespace bp {

class TEditorPrint;
class TEditorPrintPreview;

// The print preview window: one preview control over the main window's print engine,
// filling the window. Created once and shown again for every preview; each showing lays the
// pages out afresh and starts at page 1.
class Tfrm_PrintPreview : public QDialog
{
    Q_OBJECT
public:
    Tfrm_PrintPreview(TEditorPrint &engine, QWidget *parent);

    TEditorPrintPreview *EditorPrintPreview() const { return m_preview; }
    // Centres the window on its parent and shows it modally.
    void Execute();
    // Centres the window on its parent.
    void centreOnParent();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();

    TEditorPrintPreview *m_preview = nullptr;
};

} // namespace bp
