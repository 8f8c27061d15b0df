#pragma once

#include <string>

namespace horlivet {

// The folder of the running executable, from /proc/self/exe, without a trailing "/".
std::string dossier_executable();

}  // namespace horlivet
