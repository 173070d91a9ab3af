#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace bp {

// The program's own 16 x 16 icons, addressed by the image indices of the command table,
// plus the application icon and the about window's logo. Everything comes from a built-in
// resource, so the icons look the same where no system icon theme exists.
//
// Indices: 0 new, 1 open, 2 save, 3 print, 4 copy, 5 cut, 6 paste, 7 delete, 8 undo,
// 9 redo, 10 help, 11 save as, 12 select all, 13 printer set-up, 14 print preview, 15 exit,
// 16 search, 17 find next, 18 comment toggle, 19 function library, 20 about, 21 web page,
// 22 update check.
class ImageListActions
{
public:
    static constexpr int kCount = 23;

    // Null outside 0..kCount-1, so a command whose index lies beyond the list shows no icon.
    static QIcon icon(int index);

    // A 16-pixel drawing tuned to the grid, and the logo drawing for every larger size.
    static QIcon applicationIcon();

    // 128 x 128, opaque on white like the about window it sits on.
    static QPixmap productLogo();

    // The resource is also laid out as a freedesktop icon theme: put themeSearchPath() into
    // QIcon::themeSearchPaths() and use themeName() to reach the icons by name through
    // QIcon::fromTheme().
    static QString themeName();
    static QString themeSearchPath();
};

} // namespace bp
