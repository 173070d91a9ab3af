#include "scroll_hint.h"

#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>

namespace bp {

QRect scrollBarThumb(const QScrollBar *bar)
{
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider,
                                        bar);
}

void showHintBesideThumb(QLabel *hint, const QScrollBar *bar, const QString &text)
{
    hint->setText(text);
    hint->adjustSize();
    const QRect thumb = scrollBarThumb(bar);
    const QPoint thumbLeft = bar->mapToGlobal(QPoint(thumb.left(), thumb.center().y()));
    QPoint at(thumbLeft.x() - hint->width() - 2, thumbLeft.y() - hint->height() / 2);
    if (const QScreen *screen = bar->screen()) {
        const QRect area = screen->availableGeometry();
        at.setX(std::clamp(at.x(), area.left(),
                           std::max(area.left(), area.right() + 1 - hint->width())));
        at.setY(std::clamp(at.y(), area.top(),
                           std::max(area.top(), area.bottom() + 1 - hint->height())));
    }
    hint->move(at);
    hint->show();
    hint->raise();
}

void useToolTipColours(QWidget *widget, const QWidget *owner)
{
    QPalette colours = widget->palette();
    colours.setColor(QPalette::Window, owner->palette().color(QPalette::ToolTipBase));
    colours.setColor(QPalette::WindowText, owner->palette().color(QPalette::ToolTipText));
    widget->setPalette(colours);
}

QLabel *newScrollHint(QWidget *owner)
{
    auto *hint = new QLabel(owner, Qt::ToolTip);
    hint->setObjectName(QStringLiteral("scrollHint"));
    hint->setFrameShape(QFrame::Box);
    hint->setAutoFillBackground(true);
    useToolTipColours(hint, owner);
    hint->hide();
    return hint;
}

} // namespace bp
