#pragma once

#include <QAbstractScrollArea>
#include <QImage>

class QAction;
class QLabel;

namespace bp {

class TEditorPrint;

// Shows the pages of a print engine one at a time, each as a white sheet on the
// application-workspace colour, at a scale in percent of the sheet's real size. The vertical
// scroll bar runs through every page: within the page shown and on into the next, with a
// "Page: %d" hint beside the thumb while it is dragged. A wheel notch scrolls 120 pixels;
// with Ctrl it goes to the previous or next page, or scrolls when there is none. Home and End
// show the first and the last page. Ctrl++ (or Ctrl+=) and Ctrl+- step the scale; the context
// menu offers those and the fits to the whole page or to its width, which follow the size of
// the control. Only the page shown is ever painted.
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

    static constexpr int kMinScale = 10;
    static constexpr int kMaxScale = 400;
    // How the scale follows the control's size.
    enum class Fit
    {
        None,  // the scale stays as set
        Page,  // the whole sheet in view
        Width, // the sheet's width in view
    };

    int ScalePercent() const { return m_scalePercent; }
    // Sets the scale (within kMinScale to kMaxScale) and ends any fit.
    void SetScalePercent(int percent);
    // The next step up or down of the scale, ending any fit.
    void zoomIn();
    void zoomOut();
    Fit fit() const { return m_fit; }
    void setFit(Fit fit);

    QAction *zoomInAction() const { return m_zoomIn; }
    QAction *zoomOutAction() const { return m_zoomOut; }
    QAction *fitPageAction() const { return m_fitPage; }
    QAction *fitWidthAction() const { return m_fitWidth; }

    // How far the page shown is scrolled up, in pixels.
    int pageOffset() const;
    // Pages painted since the preview was created.
    int paintedPageCount() const { return m_paintedPages; }
    const QLabel *scrollHint() const { return m_scrollHint; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // Screen pixels per device dot.
    double scale() const;
    // Applies `percent` (clamped), keeping the page shown.
    void applyScale(int percent);
    // The scale that the fit asks for at the control's size now.
    int fittedPercent() const;
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
    Fit m_fit = Fit::None;
    QAction *m_zoomIn = nullptr;
    QAction *m_zoomOut = nullptr;
    QAction *m_fitPage = nullptr;
    QAction *m_fitWidth = nullptr;
    int m_paintedPages = 0;
    // The sheet painted last, kept while its page and size stay.
    QImage m_sheet;
    int m_sheetPage = 0;
    QLabel *m_scrollHint = nullptr;
};

} // namespace bp
