#include "settings/ini.h"

#include <algorithm>
#include <clocale>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "commun/fichiers.h"
#include "window/edition.h"
#include "window/verif.h"

namespace horlivet {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;
using essai::dossier_temporaire;
using essai::ecrit_fichier;
using essai::en_crlf;
using essai::lit_fichier;

// The settings file every fresh window saves.
const fs::path fichier_defaut = fs::path(HORLIVET_TESTS_DIR) / "settings" / "defaut.ini";

using message = std::pair<std::string, std::string>;

// The program as it runs, with the message boxes it shows recorded, its settings file
// in a folder of its own.
struct banc {
    dossier_temporaire dossier;
    programme p;
    std::vector<message> messages;

    banc() {
        p.s.message = [this](const std::string& titre, const std::string& texte) {
            messages.emplace_back(titre, texte);
        };
        p.g.fichier_ini = (dossier.chemin / "ervaline.ini").string();
        route_handlers(p);
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

// The lines of the default file whose key is not in `presentes` (lower case), in order.
std::string lignes_defaut_sauf(const std::set<std::string>& presentes) {
    std::istringstream in(lit_fichier(fichier_defaut));
    std::string ligne, reste;
    std::getline(in, ligne);  // the section line
    while (std::getline(in, ligne)) {
        if (ligne.ends_with('\r')) ligne.pop_back();
        if (!presentes.contains(ligne.substr(0, ligne.find('=')))) reste += ligne + "\n";
    }
    return reste;
}

TEST(LectureIni, NoFileGivesTheDefaultsAndTheFirstSaveWritesThemAll) {
    banc b;
    lecture_ini(b.p);
    const ervaline& f = b.p.fenetre;
    for (int i = 0; i < nb_voies; ++i) {
        SCOPED_TRACE("channel " + std::to_string(i));
        EXPECT_EQ(texte(f, champ::nom, i), "??0");
        for (int d = 0; d < nb_jours; ++d) EXPECT_FALSE(coche(f, jour(d), i)) << "day " << d;
        for (int k = 1; k <= nb_plages; ++k) {
            EXPECT_FALSE(coche(f, valid_k(k), i)) << "slot " << k;
            EXPECT_EQ(debut_k(b.p.h, k, i), k == 1 ? 0 : 3600) << "slot " << k;
            EXPECT_EQ(fin_k(b.p.h, k, i), 0) << "slot " << k;
        }
        EXPECT_EQ(texte(f, champ::Commande_marche, i), "null.bat");
        EXPECT_EQ(texte(f, champ::commande_arret, i), "null.bat");
    }
    EXPECT_TRUE(b.messages.empty());

    enregistre_Click(b.p);
    EXPECT_EQ(lit_fichier(b.ini()), lit_fichier(fichier_defaut));
    EXPECT_FALSE(marque_visible(b.p.fenetre));
    EXPECT_TRUE(b.messages.empty());
}

TEST(LectureIni, HandEditedFileIsReadAndOnlyOurValuesChangeOnSave) {
    banc b;
    ecrit_fichier(b.ini(), en_crlf(R"(; Réglages édités à la main
[autre]
cle=valeur

[Ervaline]
NOM_0 = Pompe
; la vanne du nord
nom_1='Vanne nord'
HEURE_DEB_1_0=8
MINUTE_DEB_1_0=30
heure_fin_1_0=9
Lundi_0=on
VALID_0=on
Commande_Marche_0 = /opt/actions/pompe.sh
nom_2
; fin de la section

[apres]
x=y
)"));
    lecture_ini(b.p);
    const ervaline& f = b.p.fenetre;
    EXPECT_EQ(texte(f, champ::nom, 0), "Pompe");
    EXPECT_EQ(texte(f, champ::nom, 1), "Vanne nord");
    EXPECT_EQ(texte(f, champ::nom, 2), "??0");
    EXPECT_EQ(debut_k(b.p.h, 1, 0), 8 * 3600 + 30 * 60);
    EXPECT_EQ(fin_k(b.p.h, 1, 0), 9 * 3600);
    EXPECT_TRUE(coche(f, champ::lundi, 0));
    EXPECT_TRUE(coche(f, champ::valid, 0));
    EXPECT_EQ(texte(f, champ::Commande_marche, 0), "/opt/actions/pompe.sh");
    EXPECT_TRUE(b.messages.empty());

    enregistre_Click(b.p);
    // Our keys are rewritten in place in their own spelling; the keys the file lacked
    // follow its last key, in the order of a fresh file.
    const std::string attendu =
        en_crlf(R"(; Réglages édités à la main
[autre]
cle=valeur

[Ervaline]
NOM_0=Pompe
; la vanne du nord
nom_1=Vanne nord
HEURE_DEB_1_0=8
MINUTE_DEB_1_0=30
heure_fin_1_0=9
Lundi_0=on
VALID_0=on
Commande_Marche_0=/opt/actions/pompe.sh
)") +
        en_crlf(lignes_defaut_sauf({"nom_0", "nom_1", "heure_deb_1_0", "minute_deb_1_0",
                                    "heure_fin_1_0", "lundi_0", "valid_0", "commande_marche_0"})) +
        en_crlf(R"(nom_2
; fin de la section

[apres]
x=y
)");
    EXPECT_EQ(lit_fichier(b.ini()), attendu);
}

// The lines of the section, the widget looked at, and the value it gets.
struct cas_valeur {
    const char* nom;
    std::string lignes;
    champ c;
    int i;
    std::string attendu;
};

TEST(LectureIni, ValuesAreReadAsTheProgramAlwaysReadThem) {
    const std::string longue(70, 'n'), commande(200, 'c');
    const cas_valeur cas[] = {
        {"a day ticked by on", "lundi_3=on", champ::lundi, 3, "on"},
        {"a day not ticked by ON", "lundi_3=ON", champ::lundi, 3, "off"},
        {"a day not ticked by 1", "lundi_3=1", champ::lundi, 3, "off"},
        {"a day not ticked by the empty text", "lundi_3=", champ::lundi, 3, "off"},
        {"a quoted on with blanks ticks", "lundi_3 =  \"on\"  ", champ::lundi, 3, "on"},
        {"a leading zero", "heure_deb_1_0=08", champ::H_marche_1, 0, "8"},
        {"a leading blank inside quotes", "heure_deb_1_0=' 8'", champ::H_marche_1, 0, "8"},
        {"8.5 rounds to the even 8", "heure_deb_1_0=8.5", champ::H_marche_1, 0, "8"},
        {"9.5 rounds to the even 10", "heure_deb_1_0=9.5", champ::H_marche_1, 0, "10"},
        {"8.51 rounds up", "heure_deb_1_0=8.51", champ::H_marche_1, 0, "9"},
        {"7.49 rounds down", "heure_deb_1_0=7.49", champ::H_marche_1, 0, "7"},
        {"the number at the start", "heure_deb_1_0=8h30", champ::H_marche_1, 0, "8"},
        {"no number gives 0", "heure_deb_2_0=x", champ::H_marche_2, 0, "0"},
        {"an empty time gives 0", "heure_deb_2_0=", champ::H_marche_2, 0, "0"},
        {"a missing time takes its default", "", champ::H_marche_2, 0, "1"},
        {"hour 99 takes the default 00", "heure_deb_1_0=99", champ::H_marche_1, 0, "0"},
        {"hour 99 takes the default 01", "heure_deb_2_0=99", champ::H_marche_2, 0, "1"},
        {"a negative hour takes its default", "heure_deb_3_0=-5", champ::H_marche_3, 0, "1"},
        {"a huge hour takes its default", "heure_deb_4_0=123456789012345678901234567890",
         champ::H_marche_4, 0, "1"},
        {"hour 23 is kept", "heure_fin_1_0=23", champ::H_arret_1, 0, "23"},
        {"hour 24 takes its default", "heure_fin_1_0=24", champ::H_arret_1, 0, "0"},
        {"minute 59 is kept", "minute_fin_4_7=59", champ::M_arret_4, 7, "59"},
        {"minute 60 takes its default", "minute_fin_4_7=60", champ::M_arret_4, 7, "0"},
        {"23.5 rounds to 24, out of range", "heure_fin_2_5=23.5", champ::H_arret_2, 5, "0"},
        {"an empty name", "nom_4=", champ::nom, 4, ""},
        {"a missing name", "nom_3=x", champ::nom, 4, "??0"},
        {"an upper-case key", "NOM_5=Arrosage", champ::nom, 5, "Arrosage"},
        {"valid_2 is slot 1 of channel 2", "valid_2=on", champ::valid, 2, "on"},
        {"valid_2 is not slot 2 of channel 0", "valid_2=on", champ::valid_2, 0, "off"},
        {"valid_2_0 is slot 2 of channel 0", "valid_2_0=on", champ::valid_2, 0, "on"},
        {"blanks inside quotes stay", "nom_1 = \"  Pompe  \"", champ::nom, 1, "  Pompe  "},
        {"blanks outside quotes go", "nom_1 =   Pompe   ", champ::nom, 1, "Pompe"},
        {"unmatched quotes stay", "nom_1=\"Pompe'", champ::nom, 1, "\"Pompe'"},
        {"a 70-character name keeps 63", "nom_6=" + longue, champ::nom, 6, longue.substr(0, 63)},
        {"a 200-character command keeps 127", "commande_arret_6=" + commande, champ::commande_arret,
         6, commande.substr(0, 127)},
        {"a name ends at a NUL byte", "nom_2=a\0b"s, champ::nom, 2, "a"},
        {"a name from a Windows code page",
         "nom_0=Pompe entr\xE9"
         "e",
         champ::nom, 0,
         "Pompe entr\xC3\xA9"
         "e"},
    };
    for (const cas_valeur& c : cas) {
        banc b;
        ecrit_fichier(b.ini(), "[ervaline]\r\n" + c.lignes + "\r\n");
        lecture_ini(b.p);
        EXPECT_EQ(valeur_vue(b.p.fenetre, c.c, c.i), c.attendu) << c.nom;
    }
}

TEST(LectureIni, TimesReadTheSameUnderACommaLocale) {
    const std::string avant = std::setlocale(LC_NUMERIC, nullptr);
    if (std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr &&
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    banc b;
    ecrit_fichier(b.ini(), "[ervaline]\nheure_deb_1_0=9.5\nminute_deb_1_0=10.5\n");
    lecture_ini(b.p);
    std::setlocale(LC_NUMERIC, avant.c_str());
    EXPECT_EQ(position(b.p.fenetre, champ::H_marche_1, 0), 10);
    EXPECT_EQ(position(b.p.fenetre, champ::M_marche_1, 0), 10);
}

TEST(EnregistreIni, ASaveThenALoadGivesBackEveryField) {
    banc avant;
    lecture_ini(avant.p);
    ervaline& f = avant.p.fenetre;
    for (int i = 0; i < nb_voies; ++i) {
        ecrit_texte(f, champ::nom, i,
                    "Voie " + std::to_string(i) +
                        " entr\xC3\xA9"
                        "e");
        for (int k = 1; k <= nb_plages; ++k) {
            ecrit_position(f, H_marche(k), i, (i * 5 + k) % 24);
            ecrit_position(f, H_arret(k), i, (i * 3 + k * 7) % 24);
            ecrit_position(f, M_marche(k), i, (i * 11 + k * 13) % 60);
            ecrit_position(f, M_arret(k), i, (i * 17 + k * 7) % 60);
            ecrit_coche(f, valid_k(k), i, (i + k) % 2 == 0);
        }
        for (int d = 0; d < nb_jours; ++d) ecrit_coche(f, jour(d), i, (i + d) % 3 == 0);
        ecrit_texte(f, champ::Commande_marche, i, "/opt/actions/marche " + std::to_string(i));
        ecrit_texte(f, champ::commande_arret, i, "/opt/actions/arret_" + std::to_string(i));
    }
    enregistre_Click(avant.p);
    ASSERT_FALSE(marque_visible(f));

    banc apres;
    ecrit_fichier(apres.ini(), lit_fichier(avant.ini()));
    lecture_ini(apres.p);
    for (int i = 0; i < nb_voies; ++i) {
        for (int c = 0; c < nb_champs_voie; ++c) {
            const champ ch = static_cast<champ>(c);
            EXPECT_EQ(valeur_vue(apres.p.fenetre, ch, i), valeur_vue(f, ch, i))
                << nom_champ(ch) << " " << i;
        }
        for (int k = 1; k <= nb_plages; ++k) {
            EXPECT_EQ(debut_k(apres.p.h, k, i), debut_k(avant.p.h, k, i));
            EXPECT_EQ(fin_k(apres.p.h, k, i), fin_k(avant.p.h, k, i));
        }
    }
}

TEST(EnregistreIni, TextsAreSavedOnOneLine) {
    banc b;
    lecture_ini(b.p);
    ecrit_texte(b.p.fenetre, champ::nom, 0, "deux\r\nlignes\net\rplus");
    ecrit_texte(b.p.fenetre, champ::commande_arret, 7, "/opt/a b.sh\n");
    enregistre_Click(b.p);
    const std::string fichier = lit_fichier(b.ini());
    EXPECT_NE(fichier.find("\r\nnom_0=deux lignes et plus\r\n"), std::string::npos);
    EXPECT_NE(fichier.find("\r\ncommande_arret_7=/opt/a b.sh \r\n"), std::string::npos);
    EXPECT_EQ(std::count(fichier.begin(), fichier.end(), '\n'), 241);
}

// A fresh file: channel 2 runs slot 1 from 08:00 to 09:00 on Mondays.
const char* const une_plage = R"([ervaline]
lundi_2=on
valid_2=on
heure_deb_1_2=8
heure_fin_1_2=9
)";

TEST(EnregistreIni, TheChecksSeeTheTimesJustSaved) {
    banc b;
    ecrit_fichier(b.ini(), une_plage);
    lecture_ini(b.p);
    ASSERT_TRUE(b.messages.empty());

    // Slot 1 now starts after it stops; the edit alone changes no slot time.
    ecrit_position(b.p.fenetre, champ::H_marche_1, 2, 10);
    // Slot 2 of channel 5 starts before its slot 1 stops: only the second check.
    ecrit_coche(b.p.fenetre, champ::valid, 5, true);
    ecrit_position(b.p.fenetre, champ::H_arret_1, 5, 12);
    ecrit_coche(b.p.fenetre, champ::valid_2, 5, true);
    ecrit_position(b.p.fenetre, champ::H_marche_2, 5, 11);
    ecrit_position(b.p.fenetre, champ::H_arret_2, 5, 13);
    EXPECT_EQ(debut_k(b.p.h, 1, 2), 8 * 3600);
    EXPECT_TRUE(b.messages.empty());

    enregistre_Click(b.p);
    EXPECT_EQ(debut_k(b.p.h, 1, 2), 10 * 3600);
    const std::vector<message> attendus = {{"ervaline", texte_incoherence(2)},
                                           {"ervaline", texte_recouvrement(5)}};
    EXPECT_EQ(b.messages, attendus);
    EXPECT_FALSE(marque_visible(b.p.fenetre));
}

// A save that cannot write its file: the checks, then the reason; the mark stays.
void verifie_echec(banc& b, const std::string& raison) {
    const std::vector<message> attendus = {
        {"ervaline", texte_incoherence(2)},
        {"ervaline", "Les réglages n'ont pas pu être enregistrés dans " + b.p.g.fichier_ini +
                         " :\r\n" + raison},
    };
    EXPECT_EQ(b.messages, attendus);
    EXPECT_TRUE(marque_visible(b.p.fenetre));
}

TEST(EnregistreIni, AFailedSaveSaysWhereAndWhyAndKeepsTheOldFile) {
    {
        // A folder that cannot exist: its path goes through a regular file.
        banc b;
        ecrit_fichier(b.dossier.chemin / "fichier", "");
        b.p.g.fichier_ini = (b.dossier.chemin / "fichier" / "ervaline.ini").string();
        lecture_ini(b.p);
        ecrit_coche(b.p.fenetre, champ::valid, 2, true);
        enregistre_Click(b.p);
        // Slot 1 of channel 2 runs from 00:00 to 00:00 by default.
        verifie_echec(b, "Not a directory");
    }
    {
        // A file size limit stops the write, even for root.
        banc b;
        ecrit_fichier(b.ini(), une_plage);
        lecture_ini(b.p);
        ecrit_position(b.p.fenetre, champ::H_marche_1, 2, 10);
        rlimit avant{};
        ::getrlimit(RLIMIT_FSIZE, &avant);
        rlimit petite = avant;
        petite.rlim_cur = 1024;
        const auto ancien_signal = ::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &petite);
        enregistre_Click(b.p);
        ::setrlimit(RLIMIT_FSIZE, &avant);
        ::signal(SIGXFSZ, ancien_signal);
        verifie_echec(b, "File too large");
        EXPECT_EQ(lit_fichier(b.ini()), une_plage);
        EXPECT_EQ(essai::noms_dans(b.dossier.chemin), std::vector<std::string>{"ervaline.ini"});
    }
}

TEST(EnregistreIni, AReadOnlyFolderFailsAndKeepsTheOldFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores the permission bits";
    banc b;
    ecrit_fichier(b.ini(), une_plage);
    lecture_ini(b.p);
    ecrit_position(b.p.fenetre, champ::H_marche_1, 2, 10);
    fs::permissions(b.dossier.chemin, fs::perms::owner_read | fs::perms::owner_exec);
    enregistre_Click(b.p);
    fs::permissions(b.dossier.chemin, fs::perms::owner_all);
    verifie_echec(b, "Permission denied");
    EXPECT_EQ(lit_fichier(b.ini()), une_plage);
}

}  // namespace
}  // namespace horlivet
