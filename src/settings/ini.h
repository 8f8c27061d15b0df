#pragma once

// The settings file ervaline.ini: 30 keys per channel in the section "ervaline", read
// once at startup and written only by the save button.

#include <string>
#include <string_view>

#include "model/programme.h"

namespace horlivet {

inline constexpr const char* section_ini = "ervaline";

// The load: sets every widget of the eight channels from fichier_ini (each missing key
// takes its default) and refreshes horaires of each channel after its day keys.
// Startup follows it with verif_suite.
void lecture_ini(programme& p);

// The file half of the save: writes the 240 keys to fichier_ini in one atomic
// replacement and refreshes horaires of each channel. Returns the empty text on success,
// otherwise why the file could not be written (it is then left as it was).
std::string ecriture_ini(programme& p);

// The characters of `texte` before its first NUL.
std::string coupe_nul(std::string_view texte);

// A time value as the load reads it: the number at the start of the text, rounded half
// to even; no number gives 0. Returns `defaut` when the result is not in 0..maximum.
int lit_position(std::string_view texte, int maximum, int defaut);

}  // namespace horlivet
