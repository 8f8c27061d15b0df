#pragma once

// Whole files read at once and replaced atomically, for the small files the program
// keeps besides its settings.

#include <string>
#include <string_view>

#include "model/services.h"

namespace horlivet {

contenu_fichier lit_fichier_entier(const std::string& chemin);

// Writes `texte` to a temporary file beside `chemin` (its name with a leading dot and
// ".tmp"), flushes it to disk, renames it over `chemin` and flushes the folder. The
// temporary name is fixed, so a write cut short by a kill leaves a file that the next
// write reuses rather than one more each time. A replaced file keeps its permission
// bits.
std::string remplace_fichier_atomique(const std::string& chemin, std::string_view texte);

}  // namespace horlivet
