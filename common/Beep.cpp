#include "common/Beep.h"

#include <QApplication>
#include <atomic>

namespace tarvessa {

namespace {
// Only the user-interface thread beeps; atomic so a test thread may read it.
std::atomic<int> beeps{0};
} // namespace

void MessageBeep() {
    ++beeps;
    QApplication::beep();
}

int BeepCount() {
    return beeps.load();
}

} // namespace tarvessa
