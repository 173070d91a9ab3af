#include "print_margins.h"

#include <cmath>

namespace bp {

int roundHalfToEven(double value)
{
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction < 0.5)
        return int(floor);
    if (fraction > 0.5)
        return int(floor) + 1;
    return std::fmod(floor, 2.0) == 0 ? int(floor) : int(floor) + 1;
}

PrintTextArea textAreaFor(const EditorPrintMargins &margins, const TEditorPrinterInfo &printer)
{
    const double xDotsPerMm = printer.dotsPerMmX();
    const double yDotsPerMm = printer.dotsPerMmY();
    PrintTextArea area;
    area.left = roundHalfToEven((margins.Left + margins.Gutter) * xDotsPerMm - printer.leftOffset);
    area.right = printer.printableWidth -
                 roundHalfToEven(margins.Right * xDotsPerMm - printer.rightOffset());
    area.top = roundHalfToEven(margins.Top * yDotsPerMm - printer.topOffset);
    area.bottom = printer.printableHeight -
                  roundHalfToEven(margins.Bottom * yDotsPerMm - printer.bottomOffset());
    return area;
}

} // namespace bp
