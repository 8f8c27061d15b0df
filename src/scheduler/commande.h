#pragma once

// The command launch: a channel acts on the outside world only through its start and
// stop command files.

#include <string>
#include <string_view>

#include "model/programme.h"

namespace horlivet {

// Launches channel i's start command (the text of Commande_marche(i)) or stop command
// (commande_arret(i)) from dossier_actions, writes its journal line, then colours nom(i)
// and Option1(i) light mauve after a start, light yellow after a stop. A failed launch
// is journalled as "Erreur <code>" and is not retried. The state file follows the slot
// flags, which the caller has already changed: command_M notes a start before launching
// it, command_A a stop after (note_marche, note_arret).
void command_M(programme& p, int i);
void command_A(programme& p, int i);

// The command text as launched: spaces around it removed, "null.bat" when empty.
std::string commande_a_lancer(std::string_view texte);

}  // namespace horlivet
