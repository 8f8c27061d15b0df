#pragma once

// The settings file ervaline.ini: 30 keys per channel in the section "ervaline", read
// once at startup and written only by the save button.

#include <string>
#include <string_view>

#include "model/programme.h"

namespace horlivet {

inline constexpr const char* section_ini = "ervaline";

// The load: sets every widget of the eight channels from fichier_ini (each missing key
// takes its default), refreshes horaires of each channel after its day keys, then runs
// verif_suite.
void lecture_ini(programme& p);

// The save: writes the 240 keys to fichier_ini in one atomic replacement, refreshes
// horaires of each channel, runs verif_suite and verif_suite_2, then hides the unsaved
// mark. When the file cannot be written the user is told why and the mark stays shown.
void enregistre_Click(programme& p);

// The characters of `texte` before its first NUL.
std::string coupe_nul(std::string_view texte);

// A time value as the load reads it: the number at the start of the text, rounded half
// to even; no number gives 0. Returns `defaut` when the result is not in 0..maximum.
int lit_position(std::string_view texte, int maximum, int defaut);

}  // namespace horlivet
