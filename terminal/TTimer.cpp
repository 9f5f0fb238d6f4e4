#include "terminal/TTimer.h"

#include <cmath>

namespace tarvessa {

namespace {
double timeScale = 1.0; // only tests change it, before any window exists
}

void TTimer::SetTimeScaleForTests(double factor) {
    timeScale = factor;
}

TTimer::TTimer(QObject* parent) : QObject(parent) {
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (OnTimer)
            OnTimer();
    });
    restart();
}

void TTimer::SetEnabled(bool value) {
    if (value == enabled_)
        return;
    enabled_ = value;
    restart();
}

void TTimer::SetInterval(int milliseconds) {
    if (milliseconds == interval_)
        return;
    interval_ = milliseconds;
    restart();
}

void TTimer::restart() {
    timer_.stop();
    if (enabled_ && interval_ > 0)
        timer_.start(std::max(1, static_cast<int>(std::lround(interval_ * timeScale))));
}

} // namespace tarvessa
