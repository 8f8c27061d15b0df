#pragma once

// The words of the readable lines the program keeps (the state file, the control
// requests, the sun rules).

#include <string_view>
#include <vector>

namespace horlivet {

// The words of `texte`, split on blanks (space, tab, CR, LF); views into `texte`.
std::vector<std::string_view> mots(std::string_view texte);

}  // namespace horlivet
