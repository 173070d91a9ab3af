#pragma once

#include <QAbstractScrollArea>
#include <QImage>

class QLabel;

namespace bp {

class TEditorPrint;

// Shows the pages of a print engine one at a time, each as a white sheet on the
// application-workspace colour, at a scale in percent of the sheet's real size. The vertical
// scroll bar runs through every page: within the page shown and on into the next, with a
// "Page: %d" hint beside the thumb while it is dragged. A wheel notch scrolls 120 pixels;
// with Ctrl it goes to the previous or next page, or scrolls when there is none.
// Only the page shown is ever painted.
class TEditorPrintPreview : public QAbstractScrollArea
{
    Q_OBJECT
public:
    static constexpr int kWheelStep = 120;

    explicit TEditorPrintPreview(TEditorPrint &engine, QWidget *parent = nullptr);

    // Lays the engine's lines out again and shows page 1 from its top.
    void UpdatePreview();
    int PageCount() const;
    // The page shown, 1-based.
    int PageNumber() const { return m_pageNumber; }
    // Shows `page` (clamped to the pages there are) from its top.
    void setPageNumber(int page);
    void NextPage() { setPageNumber(m_pageNumber + 1); }
    void PreviousPage() { setPageNumber(m_pageNumber - 1); }

    int ScalePercent() const { return m_scalePercent; }
    void SetScalePercent(int percent);

    // How far the page shown is scrolled up, in pixels.
    int pageOffset() const;
    // Pages painted since the preview was created.
    int paintedPageCount() const { return m_paintedPages; }
    const QLabel *scrollHint() const { return m_scrollHint; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // Screen pixels per device dot.
    double scale() const;
    QSize sheetSize() const;
    // Vertical scroll positions one page spans: its overhang past the viewport, plus one.
    int positionsPerPage() const;
    void updateScrollBars();
    void scrollBy(int pixels);
    void showScrollHint(int value);
    const QImage &sheetImage();

    TEditorPrint &m_engine;
    int m_pageNumber = 1;
    int m_scalePercent = 100;
    int m_paintedPages = 0;
    // The sheet painted last, kept while its page and size stay.
    QImage m_sheet;
    int m_sheetPage = 0;
    QLabel *m_scrollHint = nullptr;
};

} // namespace bp
