#include "unit_print_preview.h"

#include "editor_print_preview.h"

#include <QVBoxLayout>

namespace bp {

Tfrm_PrintPreview::Tfrm_PrintPreview(TEditorPrint &engine, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frm_PrintPreview"));
    setWindowTitle(QStringLiteral("Предварительный просмотр"));
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    setFont(font);
    m_preview = new TEditorPrintPreview(engine, this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_preview);
    resize(497, 484);
}

void Tfrm_PrintPreview::centreOnParent()
{
    if (const QWidget *owner = parentWidget()) {
        const QRect frame = owner->window()->frameGeometry();
        const QSize outer = frameGeometry().size();
        move(frame.center() - QPoint(outer.width() / 2, outer.height() / 2));
    }
}

void Tfrm_PrintPreview::Execute()
{
    centreOnParent();
    exec();
}

void Tfrm_PrintPreview::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void Tfrm_PrintPreview::FormShow()
{
    m_preview->UpdatePreview();
}

} // namespace bp
