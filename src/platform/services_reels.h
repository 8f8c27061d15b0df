#pragma once

// The real services of the program.

#include <string>

#include "model/services_requis.h"

namespace horlivet {

// The services of a run without a window: message boxes are lines on standard error,
// and no file dialog is ever asked for. The window's run adds its dialogs (dialogues.h).
// REQUIRES: a QCoreApplication exists when traite_evenements is called.
services services_reels();

// A message box as one line on standard error, "caption: text", line breaks as spaces.
void message_sur_erreur_standard(const std::string& titre, const std::string& texte);

}  // namespace horlivet
