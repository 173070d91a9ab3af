#include "platform_services.h"

#include "alert_sound.h"
#include "settings_store.h"
#include "shell_open.h"
#include "user_prompts.h"

namespace bp {

PlatformServices systemServices()
{
    static QtSettingsStore settings;
    static QtShellOpen shell;
    static QtUserPrompts prompts(QStringLiteral("Brindlepad"));
    static QtAlertSound sound;
    return {&settings, &shell, &prompts, &sound, QString()};
}

} // namespace bp
