#pragma once

// The ending signals SIGTERM, SIGHUP and SIGINT, brought into the event loop.

#include <functional>

namespace horlivet {

// From now on SIGTERM, SIGHUP and SIGINT run `action` on the event loop's thread: the
// signal handler itself only wakes the loop, so `action` may do anything a click may.
// Replaces the action of an earlier call; an empty action gives the three signals their
// default effect back.
// REQUIRES: a QCoreApplication exists.
void sur_signal_de_fin(std::function<void()> action);

}  // namespace horlivet
