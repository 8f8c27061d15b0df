#pragma once

// Every platform service the logic uses, in one place. Tests build one with the fakes
// they need; the program uses services_reels().

#include <functional>
#include <string>

#include "platform/dialogues.h"
#include "platform/formats.h"
#include "platform/horloge.h"
#include "platform/journal_fichier.h"
#include "platform/lanceur.h"

namespace horlivet {

struct services {
    horloge maintenant;
    lanceur lance;
    ajout_ligne ajoute_ligne;
    format_date date_longue;
    format_date heure_longue;
    boite_message message;
    dialogue_fichier choisit_fichier;
    std::function<void()> traite_evenements;
    // Reports a failure the user must hear of but that stops nothing (standard error).
    std::function<void(const std::string&)> signale;
    // Ends the process at once: no further event of any kind.
    std::function<void()> termine;
};

services services_reels();

}  // namespace horlivet
