#pragma once

// The monthly journal: one line per command launch, in journal_YYYY-MM.txt in the
// program's folder.

#include <string>
#include <string_view>

#include "model/programme.h"

namespace horlivet {

// Brings fichier_journal up to date when the month of the clock differs from the month
// of the previous call. Called first by every tick.
void verif_mois(programme& p);

// Appends the line of one launch of channel i to fichier_journal. A journal that cannot
// be written is reported through services::signale, with the path and the reason, and
// the caller goes on: the launch it reports has happened.
void journal(programme& p, int i, std::string_view etat, std::string_view resultat,
             std::string_view commande);

// The line without its CR LF: date " * " time "  : " name right-aligned in 14
// characters "  *** " then " state " and " result " right-aligned in 4 and 8
// characters, " commande : " and the command. Widths count characters, not bytes;
// longer fields are written whole. Line breaks inside a field become spaces so that a
// launch stays one line.
std::string format_ligne_journal(std::string_view date, std::string_view heure,
                                 std::string_view nom, std::string_view etat,
                                 std::string_view resultat, std::string_view commande);

}  // namespace horlivet
