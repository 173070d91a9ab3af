#pragma once

#include <QString>

namespace bp {

class AlertSound;
class SettingsStore;
class ShellOpen;
class UserPrompts;

// The outside services the windows use; a test hands in fakes or private instances.
// The pointers are not owned and outlive every window that holds them.
struct PlatformServices
{
    SettingsStore *settings = nullptr;
    ShellOpen *shell = nullptr;
    UserPrompts *prompts = nullptr;
    AlertSound *sound = nullptr;
    // Where "library.txt" and "func.txt" are read from; empty means the program's folder.
    QString dataFolder;
};

// The real services, created on first use and living until the program ends.
PlatformServices systemServices();

} // namespace bp
