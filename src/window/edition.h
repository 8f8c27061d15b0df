#pragma once

// The editing handlers of the window, and the routing of every edit to its handler.

#include <string_view>

#include "model/programme.h"

namespace horlivet {

inline constexpr const char* titre_choix_fichier = "Choisissez un fichier pour l'arrière plan...";

// Shows the frame of the selected channel and hides the others; changes nothing else.
void Option1_Click(ervaline& f, int i);

// A day box of channel i: the unsaved mark, then the colouring of its four slots.
// lundi_Click is day 0, ... dimanche_Click day 6.
void jour_Click(ervaline& f, int d, int i);

// nom_Change and the sixteen hour and minute handlers (H_marche_1_Change ...
// M_arret_4_Change): the unsaved mark, nothing else.
void nom_Change(ervaline& f, int i);
void heure_minute_Change(ervaline& f, champ c, int i);

// The command file chooser: a modal file-open dialog in dossier_actions; a chosen file's
// full path replaces the command text and shows the mark; a cancel changes nothing.
void Commande_marche_DblClick(programme& p, int i);
void commande_arret_DblClick(programme& p, int i);

// The entry that a typed time names in a list of `taille` numbers: the entry's number,
// with leading zeros and spaces around it allowed ("7", " 7", "07"); -1 when the text
// names no entry, so the combo keeps its last valid one.
int position_tapee(std::string_view texte, int taille);

// The save button: ecriture_ini, then verif_suite and verif_suite_2, then the unsaved
// mark hidden. When the file cannot be written the user is told why and the mark stays
// shown.
void enregistre_Click(programme& p);

// Raises the handler that the window attaches to widget c of channel i. The command
// boxes have none: a typed command is used by the next launch without marking.
void route_edition(programme& p, champ c, int i);

// Routes every edit of p.fenetre, by code or by the user, through route_edition.
// REQUIRES: p stays at the same address while the window lives.
void route_handlers(programme& p);

}  // namespace horlivet
