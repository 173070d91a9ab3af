#include "frm_go_to_line.h"

#include "editor/model/edit_model.h"
#include "go_to_line.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

namespace bp {

Tfrm_GoToLine::Tfrm_GoToLine(const EditModel &editor, QWidget *owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint),
      m_editor(editor)
{
    setObjectName(QStringLiteral("frm_GoToLine"));
    setWindowTitle(QStringLiteral("Переход к строке"));
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPixelSize(11);
    setFont(tahoma);

    lblLine = new QLabel(QStringLiteral("Номер строки (1–%1), можно «строка:столбец»:")
                             .arg(editor.columns().displayLineCount()),
                         this);
    lblLine->setObjectName(QStringLiteral("lblLine"));
    edLine = new QLineEdit(this);
    edLine->setObjectName(QStringLiteral("edLine"));
    lblLine->setBuddy(edLine);
    lblProblem = new QLabel(this);
    lblProblem->setObjectName(QStringLiteral("lblProblem"));
    lblProblem->setWordWrap(true);
    QPalette warning = lblProblem->palette();
    warning.setColor(QPalette::WindowText, QColor(0xB0, 0x00, 0x00));
    lblProblem->setPalette(warning);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Отмена"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    const int width = std::max(281, lblLine->sizeHint().width() + 16);
    lblLine->setGeometry(8, 8, width - 16, std::max(13, lblLine->sizeHint().height()));
    edLine->setGeometry(8, 26, width - 16, 21);
    lblProblem->setGeometry(8, 51, width - 16, 28);
    btnOK->setGeometry(width - 8 - 75 - 6 - 75, 84, 75, 23);
    btnCancel->setGeometry(width - 8 - 75, 84, 75, 23);
    setFixedSize(width, 115);

    connect(edLine, &QLineEdit::textChanged, this, &Tfrm_GoToLine::check);
    edLine->setText(QString::number(editor.CaretY()));
    edLine->selectAll();
    edLine->setFocus();
}

void Tfrm_GoToLine::check()
{
    const GoToLineTarget target = parseGoToLine(edLine->text(), m_editor);
    m_target = target.position;
    // An empty field is no mistake yet: it only waits for a number.
    lblProblem->setText(edLine->text().trimmed().isEmpty() ? QString() : target.problem);
    btnOK->setEnabled(m_target.has_value());
}

std::optional<TBufferCoord> Tfrm_GoToLine::Execute(QWidget *owner, const EditModel &editor)
{
    const auto dialog = std::make_unique<Tfrm_GoToLine>(editor, owner);
    if (dialog->exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog->target();
}

} // namespace bp
