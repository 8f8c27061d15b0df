#include "platform/profil.h"

namespace horlivet {

// Placeholder until the real profile file lands: every key takes its default.
struct contenu_profil {};

fichier_profil charge_profil(const std::string&) { return {std::make_shared<contenu_profil>()}; }
fichier_profil profil_de_texte(std::string_view) { return {std::make_shared<contenu_profil>()}; }
std::string lit_profil(const fichier_profil&, std::string_view, std::string_view,
                       std::string_view defaut, std::size_t) {
    return std::string(defaut);
}
void ecrit_profil(fichier_profil&, std::string_view, std::string_view, std::string_view) {}
std::string texte_profil(const fichier_profil&) { return {}; }
std::string enregistre_profil(const fichier_profil&, const std::string&) {
    return "not implemented";
}

}  // namespace horlivet
