#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

namespace tarvessa {

// A periodic timer with the window toolkit's rules: setting the enabled flag
// or the interval to the value it already has does not restart the count
// (QTimer::setInterval always restarts a running timer).
class TTimer : public QObject {
    Q_OBJECT
public:
    explicit TTimer(QObject* parent = nullptr);

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    int Interval() const { return interval_; }
    void SetInterval(int milliseconds);
    // Milliseconds until the next tick; -1 while off.
    int RemainingTime() const { return timer_.remainingTime(); }

    std::function<void()> OnTimer;

    // Tests shorten every interval by this factor (1 in the program).
    static void SetTimeScaleForTests(double factor);

private:
    void restart();

    QTimer timer_;
    bool enabled_ = true;
    int interval_ = 1000;
};

} // namespace tarvessa
