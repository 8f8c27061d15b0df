#pragma once

// The system clock.

#include "model/date_heure.h"

namespace horlivet {

// The system clock, in the local time zone.
date_heure maintenant_systeme();

}  // namespace horlivet
