#pragma once

// The program's side of its control socket (prise.h), in the event loop: it never waits
// for a client, so a client that hangs or never reads delays no tick.

#include <functional>
#include <string>
#include <string_view>

namespace horlivet {

// Listens on fichier_prise in `dossier`, which the program's lock must already hold: a
// socket a crash left there is replaced, anything else there is left alone. The socket is
// created mode 0600. Each connection of a peer of our own user (SO_PEERCRED) may send one
// line of at most taille_max_requete bytes within 2 s; `repond` gets it, without its end,
// and its answer is written back without waiting (an answer the client does not take at
// once is dropped), then the connection closes. Others, longer lines, half lines and
// silent clients are dropped. Returns the empty text, or why it does not listen.
// REQUIRES: a QCoreApplication exists; `repond` outlives it.
std::string ecoute_commandes(const std::string& dossier,
                             std::function<std::string(std::string_view)> repond);

// Removes the socket ecoute_commandes made, for the end of the run.
void retire_prise();

}  // namespace horlivet
