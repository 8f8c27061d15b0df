#include "model/widgets.h"

#include <stdexcept>

namespace horlivet {

namespace {

champ decale(champ premier, int n) { return static_cast<champ>(static_cast<int>(premier) + n); }

int plage_valide(int k) {
    if (k < 1 || k > nb_plages) throw std::out_of_range("slot number outside 1..4");
    return k - 1;
}

widget& acces(ervaline& f, champ c, int i) {
    return f.widgets.at(static_cast<std::size_t>(c)).at(static_cast<std::size_t>(i));
}

void notifie(const std::function<void(champ, int)>& sur, champ c, int i) {
    if (sur) sur(c, i);
}

// Sets one attribute of a widget and notifies the view, and the handlers when the
// attribute is a value the user edits. An unchanged value notifies nobody.
template <typename T>
void change(ervaline& f, champ c, int i, T widget::*attribut, T valeur, bool edition) {
    auto& w = acces(f, c, i);
    if (w.*attribut == valeur) return;
    w.*attribut = std::move(valeur);
    notifie(f.sur_affichage, c, i);
    if (edition) notifie(f.sur_edition, c, i);
}

constexpr const char* noms[nb_champs] = {
    "nom",        "H_marche_1", "H_marche_2", "H_marche_3", "H_marche_4",      "H_arret_1",
    "H_arret_2",  "H_arret_3",  "H_arret_4",  "M_marche_1", "M_marche_2",      "M_marche_3",
    "M_marche_4", "M_arret_1",  "M_arret_2",  "M_arret_3",  "M_arret_4",       "lundi",
    "Mardi",      "Mercredi",   "jeudi",      "Vendredi",   "samedi",          "dimanche",
    "valid",      "valid_2",    "valid_3",    "valid_4",    "Commande_marche", "commande_arret",
    "erva",       "Option1",    "Label5",
};

}  // namespace

champ H_marche(int k) { return decale(champ::H_marche_1, plage_valide(k)); }
champ H_arret(int k) { return decale(champ::H_arret_1, plage_valide(k)); }
champ M_marche(int k) { return decale(champ::M_marche_1, plage_valide(k)); }
champ M_arret(int k) { return decale(champ::M_arret_1, plage_valide(k)); }
champ valid_k(int k) { return decale(champ::valid, plage_valide(k)); }

champ jour(int d) {
    if (d < 0 || d >= nb_jours) throw std::out_of_range("day outside 0..6");
    return decale(champ::lundi, d);
}

bool est_heure(champ c) { return c >= champ::H_marche_1 && c <= champ::H_arret_4; }
bool est_minute(champ c) { return c >= champ::M_marche_1 && c <= champ::M_arret_4; }
bool est_combo(champ c) { return est_heure(c) || est_minute(c); }
int plage_de(champ c) {
    if (!est_combo(c)) return 0;
    return (static_cast<int>(c) - static_cast<int>(champ::H_marche_1)) % nb_plages + 1;
}
bool est_debut(champ c) {
    const int k = plage_de(c);
    return k > 0 && (c == H_marche(k) || c == M_marche(k));
}
bool est_case(champ c) { return c >= champ::lundi && c <= champ::valid_4; }
bool est_commande(champ c) { return c == champ::Commande_marche || c == champ::commande_arret; }
const char* nom_champ(champ c) { return noms[static_cast<int>(c)]; }

ervaline cree_ervaline() {
    ervaline f;
    for (int i = 0; i < nb_voies; ++i) {
        acces(f, champ::nom, i).fond = jaune_clair;
        acces(f, champ::Option1, i).fond = jaune_clair;
    }
    acces(f, champ::Option1, 0).coche = true;
    return f;
}

const widget& lit(const ervaline& f, champ c, int i) {
    return f.widgets.at(static_cast<std::size_t>(c)).at(static_cast<std::size_t>(i));
}

const std::string& texte(const ervaline& f, champ c, int i) { return lit(f, c, i).texte; }
bool coche(const ervaline& f, champ c, int i) { return lit(f, c, i).coche; }
int position(const ervaline& f, champ c, int i) { return lit(f, c, i).position; }

const std::vector<std::string>& liste(const ervaline& f, champ c) {
    return est_heure(c) ? f.liste_heures : f.liste_minutes;
}

std::string texte_combo(const ervaline& f, champ c, int i) {
    const auto& l = liste(f, c);
    const int p = position(f, c, i);
    return p >= 0 && p < static_cast<int>(l.size()) ? l[static_cast<std::size_t>(p)]
                                                    : std::string();
}

void ecrit_texte(ervaline& f, champ c, int i, std::string texte) {
    change(f, c, i, &widget::texte, std::move(texte), true);
}
void ecrit_coche(ervaline& f, champ c, int i, bool coche) {
    change(f, c, i, &widget::coche, coche, true);
}
void ecrit_position(ervaline& f, champ c, int i, int position) {
    change(f, c, i, &widget::position, position, true);
}
void ecrit_fond(ervaline& f, champ c, int i, couleur fond) {
    change(f, c, i, &widget::fond, fond, false);
}
void ecrit_visible(ervaline& f, champ c, int i, bool visible) {
    change(f, c, i, &widget::visible, visible, false);
}

void selectionne_option(ervaline& f, int i) {
    acces(f, champ::Option1, i);  // refuses a bad index before anything changes
    for (int j = 0; j < nb_voies; ++j) {
        auto& w = acces(f, champ::Option1, j);
        if (j != i && w.coche) {
            w.coche = false;
            notifie(f.sur_affichage, champ::Option1, j);
        }
    }
    ecrit_coche(f, champ::Option1, i, true);
}

void montre_marque(ervaline& f) { ecrit_visible(f, champ::Label5, 0, true); }
void cache_marque(ervaline& f) { ecrit_visible(f, champ::Label5, 0, false); }
bool marque_visible(const ervaline& f) { return lit(f, champ::Label5, 0).visible; }

}  // namespace horlivet
