#pragma once

#include <QRect>
#include <QTextDocument>
#include <QWidget>

namespace bp {

// Where a tip of `size` goes for `anchor` (all in screen coordinates): below the anchor,
// or above it when there is no room below; moved left to stay inside `screen`, and never
// above or left of it.
QPoint tipPosition(const QRect &anchor, const QSize &size, const QRect &screen);

// A small window of rich text in the tool tip colours that never takes the keyboard focus
// or activates: the editor keeps the keyboard while it shows. Wraps its text at a width
// that suits reading and at the screen's width.
class TipWindow : public QWidget
{
    Q_OBJECT
public:
    // The window is deleted with `owner`.
    explicit TipWindow(QWidget *owner);

    // Text as a label shows it: rich text when it looks like rich text, plain otherwise.
    void setText(const QString &text);
    const QString &text() const { return m_text; }
    // The text without markup, as a user reads it.
    QString plainText() const { return m_document.toPlainText(); }
    // Shows the window below (or above) `anchor`, in screen coordinates.
    void showAt(const QRect &anchor);

    static constexpr int kMaxWidth = 560;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    QTextDocument m_document;
};

} // namespace bp
