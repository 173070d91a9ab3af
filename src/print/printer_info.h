#pragma once

namespace bp {

// The printing device as the layout sees it, in device dots: the whole sheet, the part of
// it the device can print on, and where that part lies on the sheet. Painting happens in
// the coordinates of the printable part (its top-left corner is 0, 0).
struct TEditorPrinterInfo
{
    int physicalWidth = 2481;
    int physicalHeight = 3507;
    int printableWidth = 2358;
    int printableHeight = 3407;
    // Unprintable strips at the left and at the top of the sheet.
    int leftOffset = 65;
    int topOffset = 50;
    int dotsPerInchX = 300;
    int dotsPerInchY = 300;

    // The unprintable strips on the right and at the bottom.
    int rightOffset() const { return physicalWidth - printableWidth - leftOffset; }
    int bottomOffset() const { return physicalHeight - printableHeight - topOffset; }
    double dotsPerMmX() const { return dotsPerInchX / 25.4; }
    double dotsPerMmY() const { return dotsPerInchY / 25.4; }

    // A4 at 300 dots per inch, for when there is no printer to ask.
    static TEditorPrinterInfo a4At300Dpi() { return {}; }

    bool operator==(const TEditorPrinterInfo &) const = default;
};

} // namespace bp
