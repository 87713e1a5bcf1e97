#pragma once

// The system's requests to end the program: SIGTERM (the session ending, kill), SIGHUP (the
// terminal gone) and SIGINT (Ctrl+C). By default each kills the program where it stands, and
// what it leaves for its end (the folder of the entries opened) stays behind.

#include <functional>

namespace platform {

// From now on, each of these signals calls `fin` from the event loop instead, so that the program
// ends its own way. A signal that the program was started ignoring (nohup) stays ignored. Once
// per process, after the application is made.
void suivreSignauxDeFin(std::function<void()> fin);

} // namespace platform
