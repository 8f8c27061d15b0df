#pragma once

// The file-append seam of the journal: each line opens, appends and closes the file.

#include <functional>
#include <string>
#include <string_view>

namespace horlivet {

// Appends `ligne` to the file at `chemin`, creating it if needed. Returns the empty text
// on success, otherwise the reason of the failure.
using ajout_ligne = std::function<std::string(const std::string& chemin, std::string_view ligne)>;

std::string ajoute_au_fichier(const std::string& chemin, std::string_view ligne);

}  // namespace horlivet
