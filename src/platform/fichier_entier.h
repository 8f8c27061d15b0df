#pragma once

// Whole files read at once and replaced atomically, for the small files the program
// keeps besides its settings.

#include <cstddef>
#include <string>
#include <string_view>

#include "model/services_requis.h"

namespace horlivet {

// Reads the regular file at `chemin` whole, up to `taille_max` bytes (lecture_fichier).
// The open never blocks (a FIFO) and nothing but a regular file is read (a device such as
// /dev/zero would never end).
contenu_fichier lit_fichier_entier(const std::string& chemin, std::size_t taille_max);

// Writes `texte` to a new temporary file beside `chemin` (its name with a leading dot, a
// random part and ".tmp", created with O_EXCL and never through a link), flushes it to
// disk, renames it over `chemin` and flushes the folder. A replaced file keeps its
// permission bits.
std::string remplace_fichier_atomique(const std::string& chemin, std::string_view texte);

// Removes the temporary files of remplace_fichier_atomique(chemin) that a kill left
// (nettoyage_fichier): regular files and links of that form of name, a link itself and
// never what it points to. Returns the empty text, or the first name that could not go
// and why.
std::string efface_temporaires(const std::string& chemin);

}  // namespace horlivet
