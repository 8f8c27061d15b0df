#pragma once

// The window as a model: every widget of the window, as plain data. The widgets are the
// only store of the schedule while the program runs; the Qt window mirrors this model and
// tests use it without a display.

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace horlivet {

inline constexpr int nb_voies = 8;
inline constexpr int nb_plages = 4;
inline constexpr int nb_jours = 7;

struct couleur {
    int r = 255;
    int g = 255;
    int b = 255;
    friend bool operator==(const couleur&, const couleur&) = default;
};

inline constexpr couleur blanc{255, 255, 255};
inline constexpr couleur jaune_clair{255, 255, 192};
inline constexpr couleur mauve_clair{255, 192, 255};
inline constexpr couleur vert_clair{192, 255, 192};
inline constexpr couleur gris_clair{224, 224, 224};
inline constexpr couleur rouge{255, 0, 0};

// The widget arrays, indexed by channel. The per-channel fields come first, in the
// order in which the settings file stores them.
// clang-format off
enum class champ {
    nom,
    H_marche_1, H_marche_2, H_marche_3, H_marche_4,
    H_arret_1, H_arret_2, H_arret_3, H_arret_4,
    M_marche_1, M_marche_2, M_marche_3, M_marche_4,
    M_arret_1, M_arret_2, M_arret_3, M_arret_4,
    lundi, Mardi, Mercredi, jeudi, Vendredi, samedi, dimanche,
    valid, valid_2, valid_3, valid_4,
    Commande_marche, commande_arret,
    erva,     // the channel frames
    Option1,  // the channel selector
    Label5,   // the unsaved mark; one widget, index 0
};
// clang-format on
inline constexpr int nb_champs = static_cast<int>(champ::Label5) + 1;
inline constexpr int nb_champs_voie = static_cast<int>(champ::commande_arret) + 1;

// Slot k (1..4) and day d (0 Monday .. 6 Sunday) to their widget arrays.
champ H_marche(int k);
champ H_arret(int k);
champ M_marche(int k);
champ M_arret(int k);
champ valid_k(int k);
champ jour(int d);

bool est_heure(champ c);   // an hour combo
bool est_minute(champ c);  // a minute combo
bool est_combo(champ c);
// The slot (1..4) a time combo belongs to, 0 for any other widget; and whether it sets
// the slot's start.
int plage_de(champ c);
bool est_debut(champ c);
bool est_case(champ c);      // a day box or a slot box
bool est_commande(champ c);  // a command box
const char* nom_champ(champ c);

struct widget {
    std::string texte;   // text boxes
    bool coche = false;  // check boxes: ticked; option buttons: selected
    int position = 0;    // combos: the selected entry, always a valid position
    couleur fond = blanc;
    bool visible = true;
};

// The window `ervaline`. Writes go through the functions below so that a write by code
// notifies like a user's edit.
struct ervaline {
    std::array<std::array<widget, nb_voies>, nb_champs> widgets;
    // The hour and minute lists are the same for every combo of a kind, so they are
    // kept once.
    std::vector<std::string> liste_heures;
    std::vector<std::string> liste_minutes;
    // Raised after a change of a value a user can edit (text, tick, position, selected
    // option): the window's handlers.
    std::function<void(champ, int)> sur_edition;
    // Raised after any change of a widget, colours and visibility included: the view.
    std::function<void(champ, int)> sur_affichage;
};

// Creates the window with the captions' initial state: light-yellow names and
// selectors, option 1 selected, everything visible, empty lists.
ervaline cree_ervaline();

// REQUIRES: 0 <= i < nb_voies (index 0 for Label5); throws std::out_of_range otherwise.
const widget& lit(const ervaline& f, champ c, int i);

const std::string& texte(const ervaline& f, champ c, int i);
bool coche(const ervaline& f, champ c, int i);
int position(const ervaline& f, champ c, int i);

// The displayed text of a combo: its list's entry at the selected position.
std::string texte_combo(const ervaline& f, champ c, int i);
const std::vector<std::string>& liste(const ervaline& f, champ c);

// Each write notifies only when it changes something.
void ecrit_texte(ervaline& f, champ c, int i, std::string texte);
void ecrit_coche(ervaline& f, champ c, int i, bool coche);
void ecrit_position(ervaline& f, champ c, int i, int position);
void ecrit_fond(ervaline& f, champ c, int i, couleur fond);
void ecrit_visible(ervaline& f, champ c, int i, bool visible);
// Selects option i of the group Option1 and deselects the others.
void selectionne_option(ervaline& f, int i);

// The unsaved mark, "Modifications non enregistrées".
void montre_marque(ervaline& f);
void cache_marque(ervaline& f);
bool marque_visible(const ervaline& f);

}  // namespace horlivet
