#pragma once

// The modal dialogs in Qt Widgets: the warning box and the file-open dialog.

#include <string>

#include "model/services_requis.h"

namespace horlivet {

// When no one can see the window (offscreen or minimal platform) the message goes to
// standard error as one line instead.
void message_qt(const std::string& titre, const std::string& texte);
std::string choisit_fichier_qt(const demande_fichier& demande);

}  // namespace horlivet
