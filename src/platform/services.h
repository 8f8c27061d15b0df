#pragma once

// The real services of the program.

#include "model/services.h"

namespace horlivet {

services services_reels();

}  // namespace horlivet
