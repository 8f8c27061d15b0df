#pragma once

// The system clock and the system's time zone.

#include <chrono>

#include "model/date_heure.h"

namespace horlivet {

// The system clock, in the local time zone, which it follows when it changes.
date_heure maintenant_systeme();

// The local date and time at the instant t, in the time zone of the last reading.
date_heure date_locale(std::chrono::sys_seconds t);

}  // namespace horlivet
