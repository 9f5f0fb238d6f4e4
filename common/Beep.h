#pragma once

namespace tarvessa {

// The system's default beep. Every beep of the program goes through here so
// that tests can count them.
void MessageBeep();

// Number of beeps since the program started.
int BeepCount();

} // namespace tarvessa
