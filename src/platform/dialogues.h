#pragma once

// The modal dialogs: the warning box and the file-open dialog.

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace horlivet {

// Shows `texte` with the caption `titre` and only an OK button; returns once it is
// pressed. The event loop keeps running meanwhile, timer ticks included.
using boite_message = std::function<void(const std::string& titre, const std::string& texte)>;

struct demande_fichier {
    std::string titre;
    std::vector<std::pair<std::string, std::string>> filtres;  // description, pattern
    std::string dossier_initial;
};

// Returns the full path of the chosen file, or the empty text on cancel.
using dialogue_fichier = std::function<std::string(const demande_fichier&)>;

// The Qt adapters. When no one can see the window (offscreen or minimal platform) the
// message goes to standard error as one line instead.
void message_qt(const std::string& titre, const std::string& texte);
std::string choisit_fichier_qt(const demande_fichier& demande);
void traite_evenements_qt();

}  // namespace horlivet
