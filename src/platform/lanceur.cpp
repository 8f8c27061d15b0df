#include "platform/lanceur.h"

namespace horlivet {

// Placeholder until the real launcher lands.
int lance_fichier(const std::string&, const std::string&) { return 31; }
void recolte_enfants() {}

}  // namespace horlivet
