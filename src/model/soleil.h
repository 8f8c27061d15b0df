#pragma once

// Slots that follow the sun or vary from day to day: their rules as the settings keep
// them, and today's slot times worked out from them. The fixed times stay the fallback:
// without a place, or without the seams, a slot runs at them.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "model/date_heure.h"
#include "model/horaires.h"
#include "model/services_requis.h"

namespace horlivet {

// Sunrise or sunset, plus a signed offset in minutes, held between two times of day.
struct regle_soleil {
    bool coucher = false;                // sunset; sunrise otherwise
    int decalage = 0;                    // minutes, -720..720
    std::optional<heure_du_jour> apres;  // not before
    std::optional<heure_du_jour> avant;  // not after
    friend bool operator==(const regle_soleil&, const regle_soleil&) = default;
};

// Reads "coucher+30 apres 17:00 avant 22:00": `lever` or `coucher`, an optional signed
// offset in minutes, then optional `apres HH:MM` and `avant HH:MM` (`après` too), blanks
// between words; nullopt when the text does not read so.
std::optional<regle_soleil> lit_regle_soleil(std::string_view texte);
// The text lit_regle_soleil reads back.
std::string texte_regle_soleil(const regle_soleil& r);

// A place in decimal degrees, north and east positive.
struct lieu {
    double latitude = 0;
    double longitude = 0;
};

// The time of rule `r` on the local date of `jour` (its date fields), to the nearest
// minute: the sun's event through `soleil`, read in the zone of `locale`, moved by the
// offset and held between the bounds (and within the day). Where the sun does not rise
// or set that day, the bound that stands for it (in the dark, the earliest evening and
// the latest morning; in the light, the reverse), or the other; nullopt when the rule
// has neither: the slot does not run that day.
std::optional<heure_du_jour> heure_soleil(const regle_soleil& r, const lieu& l,
                                          const date_heure& jour, const calcul_soleil& soleil,
                                          const conversion_locale& locale);

// What a slot's start and stop follow besides their fixed times.
struct regles_plage {
    std::optional<regle_soleil> soleil_debut;
    std::optional<regle_soleil> soleil_fin;
    int alea_debut = 0;  // minutes either way, 0: no variation
    int alea_fin = 0;
    friend bool operator==(const regles_plage&, const regles_plage&) = default;
};

// One day's draw of a slot, in minutes.
struct tirage_plage {
    int debut = 0;
    int fin = 0;
    friend bool operator==(const tirage_plage&, const tirage_plage&) = default;
};

template <typename T>
using par_plage = std::array<std::array<T, nb_voies>, nb_plages>;

struct variables_plages {
    std::optional<lieu> place;
    par_plage<regles_plage> regles{};  // [k - 1][i]
    // What the window shows and edits; in force from the next save, as the times are.
    std::optional<lieu> lieu_saisi;
    par_plage<regles_plage> regles_saisies{};
    // The times of the time combos as the last load or save read them.
    horaires fixes;
    int date = 0;  // yyyymmdd of the date horaires were worked out for; 0: to do
    // The day's draw and its date (yyyymmdd, 0: none).
    int date_tirage = 0;
    par_plage<tirage_plage> tirages{};
};

// The rules of slot k (1..4) of channel i.
regles_plage& regles_k(variables_plages& v, int k, int i);
const regles_plage& regles_k(const variables_plages& v, int k, int i);
// The rules of slot k of channel i as the window shows them.
regles_plage& regles_saisies_k(variables_plages& v, int k, int i);
const regles_plage& regles_saisies_k(const variables_plages& v, int k, int i);

// The sun rule and the variation of the start (`debut`) or of the stop of a slot.
std::optional<regle_soleil>& soleil_de(regles_plage& r, bool debut);
const std::optional<regle_soleil>& soleil_de(const regles_plage& r, bool debut);
int& alea_de(regles_plage& r, bool debut);
int alea_de(const regles_plage& r, bool debut);

// True when the start (`debut`) or the stop of a slot with rules `r` follows the sun at
// `place`.
bool suit_le_soleil(const std::optional<lieu>& place, const regles_plage& r, bool debut);
// ... varies by a daily draw and follows no sun there: its field shows a drawn time.
bool varie_sans_soleil(const std::optional<lieu>& place, const regles_plage& r, bool debut);
// ... moves from day to day at `place`: it follows the sun there, or varies.
bool cote_variable(const std::optional<lieu>& place, const regles_plage& r, bool debut);

// True when some slot follows the sun (with a place set) or varies.
bool a_des_variables(const variables_plages& v);
// True when slot k of channel i follows the sun (with a place set) or varies.
bool plage_variable(const variables_plages& v, int k, int i);

// "yyyymmdd" of a date as one number.
int numero_date(const date_heure& d);

}  // namespace horlivet
