#pragma once

namespace bp {

// The short system sound that tells the user a request found nothing to do.
class AlertSound
{
public:
    virtual ~AlertSound() = default;
    virtual void alert() = 0;
};

class QtAlertSound : public AlertSound
{
public:
    void alert() override;
};

} // namespace bp
