#include "action_icons.h"

#if __has_include("icons/image_list_actions.h")
#include "icons/image_list_actions.h"
#define BP_HAVE_ICONS 1
#endif

namespace bp {

QIcon actionIcon(int index)
{
#ifdef BP_HAVE_ICONS
    return ImageListActions::icon(index);
#else
    Q_UNUSED(index);
    return QIcon();
#endif
}

} // namespace bp
