#include "settings/ini.h"

#include <clocale>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "commun/fichiers.h"
#include "window/edition.h"
#include "window/verif.h"

namespace horlivet {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;
using essai::ecrit_fichier;
using essai::en_crlf;
using essai::lit_fichier;

const fs::path dossier_tests = fs::path(HORLIVET_TESTS_DIR) / "settings";

using message = std::pair<std::string, std::string>;

// The program loaded from its settings file (in a folder of its own, holding `contenu`
// unless empty, or at `chemin`), its message boxes and reports on standard error recorded.
struct banc {
    essai::dossier_temporaire dossier;
    programme p;
    std::vector<message> messages;
    std::vector<std::string> signalements;

    explicit banc(const std::string& contenu = "", const fs::path& chemin = {}) {
        p.s.message = [this](const std::string& titre, const std::string& texte) {
            messages.emplace_back(titre, texte);
        };
        p.s.signale = [this](const std::string& texte) { signalements.push_back(texte); };
        p.g.fichier_ini = (chemin.empty() ? dossier.chemin / "ervaline.ini" : chemin).string();
        route_handlers(p);
        if (!contenu.empty()) ecrit_fichier(ini(), contenu);
        lecture_ini(p);
    }
    banc(const banc&) = delete;
    banc& operator=(const banc&) = delete;

    fs::path ini() const { return p.g.fichier_ini; }
};

// A widget's value as one text: a combo's position, "on"/"off" for a box, a text as is.
std::string valeur_vue(const ervaline& f, champ c, int i) {
    if (est_combo(c)) return std::to_string(position(f, c, i));
    if (est_case(c)) return coche(f, c, i) ? "on" : "off";
    return texte(f, c, i);
}

// Every per-channel widget's value by "name channel"; checks that the slot times follow
// the combos.
std::map<std::string, std::string> vues(const programme& p) {
    std::map<std::string, std::string> v;
    for (int i = 0; i < nb_voies; ++i) {
        for (int c = 0; c < nb_champs_voie; ++c) {
            const champ ch = static_cast<champ>(c);
            v[nom_champ(ch) + " "s + std::to_string(i)] = valeur_vue(p.fenetre, ch, i);
        }
        for (int k = 1; k <= nb_plages; ++k) {
            EXPECT_EQ(debut_k(p.h, k, i), heure_de(position(p.fenetre, H_marche(k), i),
                                                   position(p.fenetre, M_marche(k), i)));
            EXPECT_EQ(fin_k(p.h, k, i), heure_de(position(p.fenetre, H_arret(k), i),
                                                 position(p.fenetre, M_arret(k), i)));
        }
    }
    return v;
}

TEST(LectureIni, FilesLoadAsTheProgramAlwaysReadThemAlsoUnderACommaLocale) {
    // Lines of the section, or a bad file: hand-made in mauvais/, or made below (too large
    // to keep with the sources, or a folder). The widgets that then differ from no file;
    // a bad file not listed loads as no file does.
    const std::string longue(70, 'n'), commande(200, 'c');
    const std::map<std::string, std::vector<std::string>> table = {
        {"lundi_3=on", {"lundi 3: on"}},
        {"lundi_3=ON", {}},
        {"heure_deb_1_0=' 8'", {"H_marche_1 0: 8"}},
        // Halves round to even.
        {"heure_deb_1_0=8.5", {"H_marche_1 0: 8"}},
        {"heure_deb_1_0=9.5", {"H_marche_1 0: 10"}},
        {"heure_deb_1_0=7.49", {"H_marche_1 0: 7"}},
        {"minute_deb_1_0=10.5", {"M_marche_1 0: 10"}},
        {"heure_deb_1_0=8h30", {"H_marche_1 0: 8"}},
        {"heure_deb_2_0=x", {"H_marche_2 0: 0"}},
        {"heure_deb_2_0=.", {"H_marche_2 0: 0"}},
        // Out of range: the default.
        {"heure_fin_1_0=23", {"H_arret_1 0: 23"}},
        {"heure_fin_1_0=24", {}},
        {"minute_fin_4_7=59", {"M_arret_4 7: 59"}},
        {"minute_fin_4_7=60", {}},
        {"heure_fin_2_5=23.5", {}},
        // valid_2 is slot 1 of channel 2, valid_2_0 slot 2 of channel 0.
        {"valid_2=on", {"valid 2: on"}},
        {"valid_2_0=on", {"valid_2 0: on"}},
        {"nom_6=" + longue, {"nom 6: " + longue.substr(0, 63)}},
        {"commande_arret_6=" + commande, {"commande_arret 6: " + commande.substr(0, 127)}},
        {"nom_2=a\0b"s, {"nom 2: a"}},
        {"octets_nuls.ini", {"nom 0: Po", "Mardi 0: on", "H_marche_1 0: 1", "Commande_marche 0: "}},
        // Lines that are not UTF-8 are read as Windows-1252.
        {"utf8_invalide.ini",
         {"nom 0: caf\xC3\xA9", "nom 1: \xC3\x83(", "Commande_marche 0: \xE2\x82\xAC.sh"}},
        // Only "1e308" gives a number in range: the 1 before the letter.
        {"nombres_enormes.ini", {"M_marche_1 0: 1"}},
        // Minus zero is zero, in range, where the default was 1.
        {"nombres_negatifs.ini", {"H_marche_3 0: 0", "H_marche_4 0: 0"}},
        {"nom_de_10_mo.ini", {"nom 0: " + std::string(63, 'x'), "nom 1: apres"}},
    };
    const banc sans_fichier;
    const fs::path d = sans_fichier.dossier.chemin;
    std::size_t listes = 0;  // the bad files found in the table
    const auto charge = [&](const fs::path& chemin, const std::string& cle) {
        auto attendu = vues(sans_fichier.p);
        const auto e = table.find(cle);
        listes += e != table.end() && cle.ends_with(".ini");
        for (const std::string& x : e != table.end() ? e->second : std::vector<std::string>{})
            attendu[x.substr(0, x.find(':'))] = x.substr(x.find(':') + 2);
        EXPECT_EQ(vues(banc("", chemin).p), attendu) << testing::PrintToString(cle);
    };
    // strtod would read "9.5" as 9 where the decimal separator is a comma.
    const std::string avant = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* locale : {"C", "fr_FR.UTF-8", "de_DE.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, locale) == nullptr) continue;
        SCOPED_TRACE(locale);
        for (const auto& [cle, ecarts] : table) {
            if (cle.ends_with(".ini")) continue;
            ecrit_fichier(d / "lignes", "[ervaline]\r\n" + cle + "\r\n");
            charge(d / "lignes", cle);
        }
    }
    std::setlocale(LC_NUMERIC, avant.c_str());
    const std::string dix_mo(10 << 20, 'x');
    ecrit_fichier(d / "nom_de_10_mo.ini", "[ervaline]\nnom_0=" + dix_mo + "\nnom_1=apres\n");
    ecrit_fichier(d / "heure_de_10_mo.ini",
                  "[ervaline]\nheure_deb_2_3=" + std::string(10 << 20, '1') + "\n");
    ecrit_fichier(d / "10_mo_sans_fin_de_ligne.ini", "[ervaline]" + dix_mo);
    fs::create_directory(d / "dossier.ini");
    for (const fs::path& dossier : {dossier_tests / "mauvais", d}) {
        for (const auto& entree : fs::directory_iterator(dossier))
            if (entree.path().extension() == ".ini")
                charge(entree.path(), entree.path().filename());
    }
    EXPECT_EQ(listes, 5u);
}

TEST(EnregistreIni, ASaveThenALoadGivesBackEveryField) {
    banc avant;
    ervaline& f = avant.p.fenetre;
    // Every field off its default: hours and minutes below 24, boxes one in two.
    for (int i = 0; i < nb_voies; ++i) {
        for (int c = 0; c < nb_champs_voie; ++c) {
            const champ ch = static_cast<champ>(c);
            if (est_combo(ch)) ecrit_position(f, ch, i, (i * 7 + c * 5 + 3) % 24);
            if (est_case(ch)) ecrit_coche(f, ch, i, (i + c) % 2 == 0);
            if (!est_combo(ch) && !est_case(ch)) {
                ecrit_texte(f, ch, i, "/opt/a " + std::to_string(i * 100 + c) + " entr\xC3\xA9");
            }
        }
    }
    enregistre_Click(avant.p);
    ASSERT_FALSE(marque_visible(f));
    EXPECT_EQ(vues(banc(lit_fichier(avant.ini())).p), vues(avant.p));
    // Found by fuzzing: the save rewrote the only lines that were not UTF-8 (two times),
    // and the load that followed read a name's UTF-8 bytes otherwise.
    banc trouve(lit_fichier(dossier_tests / "aller_retour_encodage.bin"));
    enregistre_Click(trouve.p);
    EXPECT_EQ(vues(banc(lit_fichier(trouve.ini())).p), vues(trouve.p));
}

// `lignes` of our section (LF endings), then the default file's lines of the keys they
// lack, in the order of a fresh file: where the save puts the keys a file lacks.
std::string complete(const std::string& lignes) {
    std::set<std::string> presentes;
    std::istringstream lues(lignes), defauts(lit_fichier(dossier_tests / "defaut.ini"));
    std::string ligne, resultat = lignes;
    while (std::getline(lues, ligne)) {
        std::string cle = ligne.substr(0, ligne.find_first_of(" \t="));
        for (char& c : cle) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        presentes.insert(cle);
    }
    std::getline(defauts, ligne);  // the section line
    while (std::getline(defauts, ligne)) {
        ligne.pop_back();  // its CR
        if (!presentes.contains(ligne.substr(0, ligne.find('=')))) resultat += ligne + "\n";
    }
    return resultat;
}

// A file replaced by the save gets a new inode.
ino_t inode(const fs::path& chemin) {
    struct stat etat {};
    ::stat(chemin.c_str(), &etat);
    return etat.st_ino;
}

TEST(EnregistreIni, ASaveChangesOnlyTheLinesThatReadOtherwiseAndTextsComeBackAsTyped) {
    // A file the save writes from nothing, with this name for channel 0.
    const auto neuf = [](const std::string& nom) {
        return en_crlf("[ervaline]\n" + complete("nom_0=" + nom + "\n"));
    };
    // A settings file as found (none when empty), the name channel 0 reads as, the name
    // then typed for it if any, the file the save leaves, the name that file reads as when
    // not the one typed, and whether the save says the file became UTF-8.
    struct cas {
        const char* nom;
        std::string avant;
        std::string lu;
        const char* tape;
        std::string apres;
        const char* relu = nullptr;
        bool utf8 = false;
        std::string edite = "";  // the file as edited by hand after the load, if not empty
    };
    const cas table[] = {
        {"no file: every key, in order", "", "??0", nullptr, neuf("??0")},
        {"a hand-edited file: the keys lacking follow the last key",
         en_crlf("; r\n[Ervaline]\nNOM_0 = Pompe\n; nord\nHEURE_DEB_1_0=08\n\n[autre]\nx=1\n"),
         "Pompe", nullptr,
         en_crlf("; r\n[Ervaline]\n" + complete("NOM_0 = Pompe\n; nord\nHEURE_DEB_1_0=8\n") +
                 "\n[autre]\nx=1\n")},
        {"a character Windows-1252 lacks puts its line in UTF-8, and says so",
         en_crlf("[ervaline]\nnom_0=Pompe \xE0 eau\nnom_1=R\xE9serve\n"), "Pompe \xC3\xA0 eau",
         "\xCE\xA9", en_crlf("[ervaline]\n" + complete("nom_0=\xCE\xA9\nnom_1=R\xE9serve\n")),
         nullptr, true},
        {"a text whose Windows-1252 bytes read as UTF-8 goes in UTF-8, and says so",
         en_crlf("[ervaline]\nnom_1=R\xE9serve\n"), "??0", "\xC3\x83\xC2\xA9",
         en_crlf("[ervaline]\n" + complete("nom_1=R\xE9serve\nnom_0=\xC3\x83\xC2\xA9\n")), nullptr,
         true},
        {"a stray byte changes no UTF-8 line",
         en_crlf("[ervaline]\n; "
                 "\xB0\nnom_0=\xC3\x89"
                 "clairage\nnom_1=\xC3\x89t\xC3\xA9\n[fin]\nk=\xE2\x82\xAC\n"),
         "\xC3\x89"
         "clairage",
         "\xE2\x86\x92",
         en_crlf("[ervaline]\n" +
                 complete("; \xB0\nnom_0=\xE2\x86\x92\nnom_1=\xC3\x89t\xC3\xA9\n") +
                 "[fin]\nk=\xE2\x82\xAC\n")},
        // The save reads the file again: what was edited by hand meanwhile stays.
        {"edits made while running are kept", "[ervaline]\nnom_0=Pompe\n", "Pompe", nullptr,
         en_crlf("; a\n[ervaline]\n" + complete("nom_0=Pompe\nx=1\n") + "[b]\ny=2\n"), nullptr,
         false, en_crlf("; a\n[ervaline]\nnom_0=Pompe\nx=1\n[b]\ny=2\n")},
        // The reader trims blanks and one pair of quotes: such a text goes inside quotes.
        {"blanks typed", "", "??0", " Pompe\t", neuf("\" Pompe\t\"")},
        {"DOS blanks typed", "", "??0", "\vPompe\f\x1A", neuf("\"\vPompe\f\x1A\"")},
        {"quotes typed", "", "??0", "\"Pompe\"", neuf("\"\"Pompe\"\"")},
        {"single quotes typed", "", "??0", "'a'", neuf("\"'a'\"")},
        {"a lone quote typed", "", "??0", "\"", neuf("\"")},
        {"inner quotes typed", "", "??0", "a \"b\" c", neuf("a \"b\" c")},
        {"an empty name typed", "", "??0", "", neuf("")},
        // A line break would end the key's line.
        {"line breaks typed", "", "??0", "deux\r\nlignes\net\rplus", neuf("deux lignes et plus"),
         "deux lignes et plus"},
        {"a line break typed last", "", "??0", "a.sh\n", neuf("\"a.sh \""), "a.sh "},
    };
    for (const cas& c : table) {
        SCOPED_TRACE(c.nom);
        banc b(c.avant);
        EXPECT_EQ(texte(b.p.fenetre, champ::nom, 0), c.lu);
        if (c.tape != nullptr) ecrit_texte(b.p.fenetre, champ::nom, 0, c.tape);
        if (!c.edite.empty()) ecrit_fichier(b.ini(), c.edite);
        enregistre_Click(b.p);
        // A second save changes nothing, and so leaves the same file.
        const ino_t premier = inode(b.ini());
        enregistre_Click(b.p);
        EXPECT_EQ(inode(b.ini()), premier);
        EXPECT_EQ(lit_fichier(b.ini()), c.apres);
        EXPECT_FALSE(marque_visible(b.p.fenetre));
        EXPECT_TRUE(b.messages.empty());
        EXPECT_EQ(b.signalements.size(), std::size_t{c.utf8});
        for (const std::string& s : b.signalements) EXPECT_TRUE(s.starts_with(b.p.g.fichier_ini));
        const banc relu(c.apres);
        EXPECT_EQ(texte(relu.p.fenetre, champ::nom, 0), c.relu ? c.relu : c.tape ? c.tape : c.lu);
    }
}

TEST(EnregistreIni, TheChecksSeeTheTimesSavedAndAFailedSaveSaysWhyKeepingTheMarkAndTheEdits) {
    // Channel 2 runs slot 1 from 08:00 to 09:00 on Mondays.
    banc b("[ervaline]\nlundi_2=on\nvalid_2=on\nheure_deb_1_2=8\nheure_fin_1_2=9\n");
    // Slot 1 now starts after it stops; the edit alone changes no slot time.
    ecrit_position(b.p.fenetre, champ::H_marche_1, 2, 10);
    EXPECT_EQ(debut_k(b.p.h, 1, 2), 8 * 3600);
    ecrit_fichier(b.dossier.chemin / "fichier", "");
    b.p.g.fichier_ini = (b.dossier.chemin / "fichier" / "ervaline.ini").string();
    enregistre_Click(b.p);
    EXPECT_EQ(debut_k(b.p.h, 1, 2), 10 * 3600);
    const message incoherence = {"ervaline", texte_incoherence(2)};
    EXPECT_EQ(b.messages, (std::vector<message>{
                              incoherence,
                              {"ervaline", "Les réglages n'ont pas pu être enregistrés dans " +
                                               b.p.g.fichier_ini + " :\r\nNot a directory"}}));
    EXPECT_TRUE(marque_visible(b.p.fenetre));

    b.messages.clear();
    b.p.g.fichier_ini = (b.dossier.chemin / "ervaline.ini").string();
    enregistre_Click(b.p);
    EXPECT_EQ(b.messages, std::vector<message>{incoherence});
    EXPECT_FALSE(marque_visible(b.p.fenetre));
    EXPECT_NE(lit_fichier(b.ini()).find("\nheure_deb_1_2=10\n"), std::string::npos);
}

}  // namespace
}  // namespace horlivet
