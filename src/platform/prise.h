#pragma once

// The program's control socket, horlivet.prise in its folder: a Unix stream socket that
// takes one request line and gives one answer per connection (scheduler/manuel.h says
// which). The client's side is here; the program's is prise_qt.h.

#include <string>

namespace horlivet {

inline constexpr const char* fichier_prise = "horlivet.prise";
// A request longer than this is dropped.
inline constexpr std::size_t taille_max_requete = 4096;

// What a request to the program in `dossier` gave: its answer, or that no program
// listens there (no socket, or nobody accepts on it), or another failure.
struct echange {
    enum class issue { repondu, personne, erreur };
    issue etat = issue::erreur;
    std::string texte;  // the answer, or why it failed
};

// Sends `ligne` (without its end) to the program in `dossier` and reads its whole answer,
// waiting at most `delai_ms` for each step.
echange demande_au_programme(const std::string& dossier, const std::string& ligne,
                             int delai_ms = 5000);

}  // namespace horlivet
