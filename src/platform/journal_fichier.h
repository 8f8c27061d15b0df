#pragma once

// The journal's file append: each line opens, appends and closes the file.

#include <string>
#include <string_view>

#include "model/services_requis.h"

namespace horlivet {

std::string ajoute_au_fichier(const std::string& chemin, std::string_view ligne);

}  // namespace horlivet
