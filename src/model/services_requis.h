#pragma once

// The seams: every platform service the logic uses, declared here by the logic that
// calls them. The adapters in platform/ implement them; tests build a `services` with
// the fakes they need, the program with services_reels().

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/date_heure.h"

namespace horlivet {

// The local date and time now.
using horloge = std::function<date_heure()>;

// The local date and time at a real instant (seconds since 1970, UTC).
using conversion_locale = std::function<date_heure(std::chrono::sys_seconds)>;

inline constexpr int lancement_reussi = 33;

// Starts `fichier` (a full path, or a name relative to `dossier`) with `dossier` as its
// working folder, without waiting for it. Returns a value above 32 on success, otherwise
// an error code 0..32 as the shell would give it (2: no such file, 3: no such folder, 5:
// no permission...).
using lanceur = std::function<int(const std::string& fichier, const std::string& dossier)>;

// Appends `ligne` to the file at `chemin`, creating it if needed; each line opens,
// appends and closes the file. Returns the empty text on success, otherwise the reason.
using ajout_ligne = std::function<std::string(const std::string& chemin, std::string_view ligne)>;

// A whole file's bytes, or why they could not be read (a missing file included).
struct contenu_fichier {
    std::string texte;
    std::string erreur;   // empty when read
    bool absent = false;  // the error is that no file has this name
};
// Reads the regular file at `chemin` whole, without ever blocking: anything else (a
// device, a FIFO, a folder) and a file of more than `taille_max` bytes is an error.
using lecture_fichier =
    std::function<contenu_fichier(const std::string& chemin, std::size_t taille_max)>;

// Replaces the file at `chemin` with `texte` so that a crash or a power cut leaves
// either the old file or the new one, never a mix (one writer per file). Returns the
// empty text on success, otherwise the reason; the old file is then as it was, unless
// only the final flush of its folder failed.
using remplacement_fichier =
    std::function<std::string(const std::string& chemin, std::string_view texte)>;

// Removes what replacements of `chemin` cut short by a kill left beside it, which only
// one program per folder may do. Returns the empty text, or why one could not go.
using nettoyage_fichier = std::function<std::string(const std::string& chemin)>;

// The user's long date or long time format applied to a date and time.
using format_date = std::function<std::string(const date_heure&)>;

// Shows `texte` with the caption `titre` and only an OK button; returns once it is
// pressed. The event loop keeps running meanwhile, timer ticks included.
using boite_message = std::function<void(const std::string& titre, const std::string& texte)>;

struct demande_fichier {
    std::string titre;
    std::vector<std::pair<std::string, std::string>> filtres;  // description, pattern
    std::string dossier_initial;
};

// A modal file-open dialog: the full path of the chosen file, or the empty text on
// cancel.
using dialogue_fichier = std::function<std::string(const demande_fichier&)>;

// Sunrise and sunset around a day, for a place in decimal degrees (north and east
// positive), with the standard horizon of -0.833 degrees: the next rise and set from
// about the instant `jour` (UTC). `statut` is 0 when the sun rises and sets, 1 when it
// stays above the horizon all that day, -1 when it stays below; the instants are then
// meaningless.
struct soleil_brut {
    int statut = 0;
    std::chrono::sys_seconds lever{};
    std::chrono::sys_seconds coucher{};
};
using calcul_soleil =
    std::function<soleil_brut(double latitude, double longitude, std::chrono::sys_seconds jour)>;

// A number drawn uniformly in [min, max], from a generator seeded once.
using tirage_aleatoire = std::function<int(int min, int max)>;

struct services {
    horloge maintenant;
    lanceur lance;
    ajout_ligne ajoute_ligne;
    lecture_fichier lit_fichier;
    remplacement_fichier remplace_fichier;
    nettoyage_fichier efface_restes;
    // The local time at a real instant, in the time zone `maintenant` reads.
    conversion_locale locale;
    format_date date_longue;
    format_date heure_longue;
    boite_message message;
    dialogue_fichier choisit_fichier;
    std::function<void()> traite_evenements;
    // Reports a failure the user must hear of but that stops nothing (standard error).
    std::function<void(const std::string&)> signale;
    // Ends the process at once with `statut`: no further event of any kind.
    std::function<void(int statut)> termine;
    // Sun times and random draws for the slots that follow the sun or vary; without
    // them those slots keep their fixed times.
    calcul_soleil soleil;
    tirage_aleatoire aleatoire;
};

}  // namespace horlivet
