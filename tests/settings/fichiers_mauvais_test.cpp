#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "commun/fichiers.h"
#include "settings/ini.h"
#include "window/edition.h"

namespace horlivet {
namespace {

namespace fs = std::filesystem;
using essai::dossier_temporaire;
using essai::ecrit_fichier;

// The hand-made bad files; each one has its line in the table below.
const fs::path dossier_mauvais = fs::path(HORLIVET_TESTS_DIR) / "settings" / "mauvais";

// Loads the settings file at `chemin` as startup does, dropping its warnings; gives
// every per-channel widget as "name channel: value", in the order of the file.
std::vector<std::string> charge(const fs::path& chemin) {
    programme p;
    p.s.message = [](const std::string&, const std::string&) {};
    route_handlers(p);
    p.g.fichier_ini = chemin.string();
    lecture_ini(p);
    // The slot times follow the combos whatever the file held.
    for (int i = 0; i < nb_voies; ++i) {
        for (int k = 1; k <= nb_plages; ++k) {
            EXPECT_EQ(debut_k(p.h, k, i), heure_de(position(p.fenetre, H_marche(k), i),
                                                   position(p.fenetre, M_marche(k), i)));
            EXPECT_EQ(fin_k(p.h, k, i), heure_de(position(p.fenetre, H_arret(k), i),
                                                 position(p.fenetre, M_arret(k), i)));
        }
    }
    std::vector<std::string> v;
    for (int i = 0; i < nb_voies; ++i) {
        for (int c = 0; c < nb_champs_voie; ++c) {
            const champ ch = static_cast<champ>(c);
            std::string valeur = est_combo(ch)  ? std::to_string(position(p.fenetre, ch, i))
                                 : est_case(ch) ? (coche(p.fenetre, ch, i) ? "on" : "off")
                                                : texte(p.fenetre, ch, i);
            v.push_back(std::string(nom_champ(ch)) + " " + std::to_string(i) + ": " + valeur);
        }
    }
    return v;
}

// What a load without any file gives, but for these widgets ("name channel: value").
std::vector<std::string> defauts_sauf(const std::vector<std::string>& ecarts) {
    const dossier_temporaire d;
    std::vector<std::string> v = charge(d.chemin / "absent.ini");
    for (const std::string& e : ecarts) {
        const auto cle = e.substr(0, e.find(':') + 1);
        const auto l =
            std::find_if(v.begin(), v.end(), [&](auto& x) { return x.starts_with(cle); });
        if (l == v.end())
            ADD_FAILURE() << "no widget " << cle;
        else
            *l = e;
    }
    return v;
}

TEST(FichiersMauvais, EachLoadsWithTheDefaultsForWhatCannotBeRead) {
    const std::map<std::string, std::vector<std::string>> table = {
        {"binaire.ini", {}},
        {"octets_nuls.ini", {"nom 0: Po", "Mardi 0: on", "H_marche_1 0: 1", "Commande_marche 0: "}},
        {"sans_section.ini", {}},
        {"sections_et_cles_en_double.ini", {"nom 0: premier", "nom 1: majuscules"}},
        // Not UTF-8: the whole file is read as Windows-1252.
        {"utf8_invalide.ini",
         {"nom 0: caf\xC3\xA9", "nom 1: \xC3\x83(", "Commande_marche 0: \xE2\x82\xAC.sh"}},
        // Only "1e308" gives a number in range: the 1 before the letter.
        {"nombres_enormes.ini", {"M_marche_1 0: 1"}},
        // Minus zero is zero, in range, where the default was 1.
        {"nombres_negatifs.ini", {"H_marche_3 0: 0", "H_marche_4 0: 0"}},
        {"fins_de_ligne_cr.ini",
         {"nom 0: Pompe", "lundi 0: on", "valid 0: on", "H_marche_1 0: 8", "M_marche_1 0: 30",
          "H_arret_1 0: 9"}},
        {"fins_de_ligne_melangees.ini", {"nom 0: Pompe", "Mardi 0: on", "valid 0: on"}},
        {"utf16.ini", {}},
        {"coupe_en_pleine_ligne.ini", {"nom 0: Pompe"}},
        {"crochet_non_ferme.ini", {}},
        {"vide.ini", {}},
        {"egal_partout.ini", {"nom 1: =x"}},
        // Made below: too large to keep with the sources, or a folder.
        {"nom_de_10_mo.ini", {"nom 0: " + std::string(63, 'x'), "nom 1: apres"}},
        {"heure_de_10_mo.ini", {}},
        {"10_mo_sans_fin_de_ligne.ini", {}},
        {"dossier.ini", {}},
    };
    const dossier_temporaire d;
    const std::string dix_mo(10 << 20, 'x');
    ecrit_fichier(d.chemin / "nom_de_10_mo.ini", "[ervaline]\nnom_0=" + dix_mo + "\nnom_1=apres\n");
    ecrit_fichier(d.chemin / "heure_de_10_mo.ini",
                  "[ervaline]\nheure_deb_2_3=" + std::string(10 << 20, '1') + "\n");
    ecrit_fichier(d.chemin / "10_mo_sans_fin_de_ligne.ini", "[ervaline]" + dix_mo);
    fs::create_directory(d.chemin / "dossier.ini");
    int essayes = 0;
    for (const fs::path& dossier : {dossier_mauvais, d.chemin}) {
        for (const auto& entree : fs::directory_iterator(dossier)) {
            if (entree.path().extension() != ".ini") continue;
            const std::string nom = entree.path().filename().string();
            SCOPED_TRACE(nom);
            const auto attendu = table.find(nom);
            ASSERT_NE(attendu, table.end()) << "a bad file without its expected values";
            EXPECT_EQ(charge(entree.path()), defauts_sauf(attendu->second));
            ++essayes;
        }
    }
    EXPECT_EQ(essayes, static_cast<int>(table.size()));
}

}  // namespace
}  // namespace horlivet
