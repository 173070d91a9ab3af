#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

// Counts the paints a widget receives, to show each measured step ended in one.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) : m_widget(widget) { widget->installEventFilter(this); }
    ~PaintCounter() override { m_widget->removeEventFilter(this); }
    PaintCounter(const PaintCounter &) = delete;
    PaintCounter &operator=(const PaintCounter &) = delete;
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }

private:
    QWidget *m_widget;
};
