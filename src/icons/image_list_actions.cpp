#include "icons/image_list_actions.h"

#include <QPainter>
#include <QSvgRenderer>

#include <array>

// Q_INIT_RESOURCE declares the initialiser in the enclosing namespace, so it has to be
// called from global scope.
static void registerIconResource()
{
    Q_INIT_RESOURCE(icons);
}

namespace bp {
namespace {

// A static library drops a resource that nothing references; every entry point registers it
// first so that users need no start-up call of their own.
void ensureResource()
{
    static const bool registered = (registerIconResource(), true);
    Q_UNUSED(registered);
}

// Freedesktop names where one exists, so the set also works through QIcon::fromTheme().
constexpr std::array<const char *, ImageListActions::kCount> kActionNames = {
    "document-new",
    "document-open",
    "document-save",
    "document-print",
    "edit-copy",
    "edit-cut",
    "edit-paste",
    "edit-delete",
    "edit-undo",
    "edit-redo",
    "help-contents",
    "document-save-as",
    "edit-select-all",
    "document-page-setup",
    "document-print-preview",
    "application-exit",
    "edit-find",
    "edit-find-next",
    "comment-toggle",
    "library-functions",
    "help-about",
    "internet-web-browser",
    "system-software-update",
};

QString themeFile(const char *folder, const char *name)
{
    return ImageListActions::themeSearchPath() + u'/' + ImageListActions::themeName() + u'/' +
           QLatin1StringView(folder) + u'/' + QLatin1StringView(name) + u".svg";
}

QPixmap render(const QString &file, int size, const QColor &background)
{
    QPixmap pixmap(size, size);
    pixmap.fill(background);
    QSvgRenderer renderer(file);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

} // namespace

QIcon ImageListActions::icon(int index)
{
    if (index < 0 || index >= kCount)
        return {};
    ensureResource();
    return QIcon(themeFile("16x16/actions", kActionNames[static_cast<size_t>(index)]));
}

QIcon ImageListActions::applicationIcon()
{
    ensureResource();
    // Pixmaps rather than the SVG engine: it keeps one drawing per mode, and the small
    // drawing must win at 16 pixels while the detailed one serves the larger sizes.
    QIcon result;
    result.addPixmap(render(themeFile("16x16/apps", "brindlepad"), 16, Qt::transparent));
    for (int size : {24, 32, 48, 64, 128, 256})
        result.addPixmap(render(themeFile("scalable/apps", "brindlepad"), size, Qt::transparent));
    return result;
}

QPixmap ImageListActions::productLogo()
{
    ensureResource();
    return render(themeFile("scalable/apps", "brindlepad"), 128, Qt::white);
}

QString ImageListActions::themeName()
{
    return QStringLiteral("brindlepad");
}

QString ImageListActions::themeSearchPath()
{
    ensureResource();
    return QStringLiteral(":/icons");
}

} // namespace bp
