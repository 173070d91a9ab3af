#pragma once

#include <QString>

class QWidget;

namespace bp {

// The boxes of the update check, which carry their own caption; a test answers them with a
// scripted fake instead of a nested event loop.
class UpdateCheckPrompts
{
public:
    virtual ~UpdateCheckPrompts() = default;

    // Information icon, Yes and No; true for Yes.
    virtual bool askInformation(QWidget *parent, const QString &caption, const QString &text) = 0;
    // Information icon, one OK button.
    virtual void showInformation(QWidget *parent, const QString &caption, const QString &text) = 0;
};

class QtUpdateCheckPrompts : public UpdateCheckPrompts
{
public:
    bool askInformation(QWidget *parent, const QString &caption, const QString &text) override;
    void showInformation(QWidget *parent, const QString &caption, const QString &text) override;
};

} // namespace bp
