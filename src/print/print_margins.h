#pragma once

#include "printer_info.h"

namespace bp {

// The page margins in millimetres, measured from the edges of the sheet.
struct EditorPrintMargins
{
    double Left = 25;
    double Right = 15;
    double Top = 25;
    double Bottom = 25;
    // Header and footer are not printed; their distances are kept as configured.
    double Header = 15;
    double Footer = 15;
    double LeftHFTextIndent = 2;
    double RightHFTextIndent = 2;
    double HFInternalMargin = 0.5;
    double Gutter = 0;
    bool MirrorMargins = false;
};

// The text area of a page in dots of the printable area: text runs from `left` to `right`
// and rows from `top` down to `bottom`.
struct PrintTextArea
{
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;

    bool operator==(const PrintTextArea &) const = default;
};

// Rounds to the nearest integer, a half to the even neighbour.
int roundHalfToEven(double value);

// The margins converted to dots of `printer`: each side is its distance in millimetres less
// the device's unprintable strip on that side.
PrintTextArea textAreaFor(const EditorPrintMargins &margins, const TEditorPrinterInfo &printer);

} // namespace bp
