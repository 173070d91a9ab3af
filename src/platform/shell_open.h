#pragma once

#include <QUrl>

namespace bp {

// Hands an address to the system so that the user's default program (a browser) opens it.
// The outcome is not reported: a failure shows nothing.
class ShellOpen
{
public:
    virtual ~ShellOpen() = default;
    virtual void open(const QUrl &url) = 0;
};

class QtShellOpen : public ShellOpen
{
public:
    void open(const QUrl &url) override;
};

} // namespace bp
