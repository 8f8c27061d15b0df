#include "settings/ini.h"

#include <cctype>
#include <clocale>
#include <filesystem>
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
using essai::dossier_temporaire;
using essai::ecrit_fichier;
using essai::en_crlf;
using essai::lit_fichier;

// The settings file every fresh window saves.
const fs::path fichier_defaut = fs::path(HORLIVET_TESTS_DIR) / "settings" / "defaut.ini";

using message = std::pair<std::string, std::string>;

// The program, loaded, with its message boxes and its reports on standard error
// recorded and its settings file, holding `contenu` unless empty, in a folder of its own.
struct banc {
    dossier_temporaire dossier;
    programme p;
    std::vector<message> messages;
    std::vector<std::string> signalements;

    explicit banc(const std::string& contenu = "") {
        p.s.message = [this](const std::string& titre, const std::string& texte) {
            messages.emplace_back(titre, texte);
        };
        p.s.signale = [this](const std::string& texte) { signalements.push_back(texte); };
        p.g.fichier_ini = (dossier.chemin / "ervaline.ini").string();
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

// `lignes` of our section (LF endings), then the default file's lines of the keys they
// lack, in the order of a fresh file: where the save puts the keys a file lacks.
std::string complete(const std::string& lignes) {
    std::set<std::string> presentes;
    std::istringstream lues(lignes), defauts(lit_fichier(fichier_defaut));
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
        {"a quoted on with blanks ticks", "lundi_3 =  \"on\"  ", champ::lundi, 3, "on"},
        {"a leading zero", "heure_deb_1_0=08", champ::H_marche_1, 0, "8"},
        {"a leading blank inside quotes", "heure_deb_1_0=' 8'", champ::H_marche_1, 0, "8"},
        {"8.5 rounds to the even 8", "heure_deb_1_0=8.5", champ::H_marche_1, 0, "8"},
        {"9.5 rounds to the even 10", "heure_deb_1_0=9.5", champ::H_marche_1, 0, "10"},
        {"7.49 rounds down", "heure_deb_1_0=7.49", champ::H_marche_1, 0, "7"},
        {"the number at the start", "heure_deb_1_0=8h30", champ::H_marche_1, 0, "8"},
        {"no number gives 0", "heure_deb_2_0=x", champ::H_marche_2, 0, "0"},
        {"a missing time takes its default", "", champ::H_marche_2, 0, "1"},
        {"hour 99 takes the default 00", "heure_deb_1_0=99", champ::H_marche_1, 0, "0"},
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
        {"a 70-character name keeps 63", "nom_6=" + longue, champ::nom, 6, longue.substr(0, 63)},
        {"a 200-character command keeps 127", "commande_arret_6=" + commande, champ::commande_arret,
         6, commande.substr(0, 127)},
        {"a name ends at a NUL byte", "nom_2=a\0b"s, champ::nom, 2, "a"},
    };
    for (const cas_valeur& c : cas) {
        const banc b("[ervaline]\r\n" + c.lignes + "\r\n");
        EXPECT_EQ(valeur_vue(b.p.fenetre, c.c, c.i), c.attendu) << c.nom;
    }
}

TEST(LectureIni, TimesReadTheSameUnderACommaLocale) {
    const std::string avant = std::setlocale(LC_NUMERIC, nullptr);
    if (std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr &&
        std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    const banc b("[ervaline]\nheure_deb_1_0=9.5\nminute_deb_1_0=10.5\n");
    std::setlocale(LC_NUMERIC, avant.c_str());
    EXPECT_EQ(position(b.p.fenetre, champ::H_marche_1, 0), 10);
    EXPECT_EQ(position(b.p.fenetre, champ::M_marche_1, 0), 10);
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

    const banc apres(lit_fichier(avant.ini()));
    for (int i = 0; i < nb_voies; ++i) {
        for (int c = 0; c < nb_champs_voie; ++c) {
            const champ ch = static_cast<champ>(c);
            EXPECT_EQ(valeur_vue(apres.p.fenetre, ch, i), valeur_vue(f, ch, i))
                << nom_champ(ch) << " " << i;
        }
    }
}

// A settings file as found (none when empty), the name channel 0 reads as, the name then
// typed for it if any, the file the save leaves, and the name that file reads as when
// not the one typed.
struct cas_fichier {
    const char* nom;
    std::string avant;
    std::string lu;
    const char* tape;
    std::string apres;
    const char* relu = nullptr;
    std::size_t signalements = 0;  // lines on standard error, each naming the file
};

// The inode of a file: a file replaced by the save has a new one.
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
    // Another section and the five bytes Windows-1252 leaves undefined, in either encoding.
    const std::string
        debut_1252 = "; R\xE9glages\n[autre]\nnom_0=Caf\xE9\n\n[Ervaline]\n",
        fin_1252 = "nom_2\n; fin\n\n[apr\xE8s]\nx=\x81\x8D\x8F\x90\x9D\n",
        debut = "; R\xC3\xA9glages\n[autre]\nnom_0=Caf\xC3\xA9\n\n[Ervaline]\n",
        fin = "nom_2\n; fin\n\n[apr\xC3\xA8s]\nx=\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D\n";
    const std::string en_1252 = en_crlf(debut_1252 + "nom_0=Pompe \xE0 eau\nnom_1=R\xE9serve\n" +
                                        fin_1252),
                      aligne = en_crlf(
                          debut + complete("nom_0   = Pompe\nlundi_0 = on\nmardi_0\t= 'on'\n") +
                          fin);
    const cas_fichier table[] = {
        {"no file: every key, in order", "", "??0", nullptr, neuf("??0")},
        {"a hand-edited file: the keys lacking follow the last key",
         en_crlf(debut + "NOM_0 = Pompe\n; nord\nnom_1='Vanne nord'\nHEURE_DEB_1_0=08\n" + fin),
         "Pompe", nullptr,
         en_crlf(debut + complete("NOM_0 = Pompe\n; nord\nnom_1='Vanne nord'\nHEURE_DEB_1_0=8\n") +
                 fin)},
        {"a hand-aligned file saved unchanged is not even replaced", aligne, "Pompe", nullptr,
         aligne},
        {"Windows-1252 stays Windows-1252", en_1252, "Pompe \xC3\xA0 eau", "Th\xC3\xA9",
         en_crlf(debut_1252 + complete("nom_0=Th\xE9\nnom_1=R\xE9serve\n") + fin_1252)},
        {"a character Windows-1252 lacks makes it UTF-8, and says so", en_1252,
         "Pompe \xC3\xA0 eau", "\xCE\xA9",
         en_crlf(debut + complete("nom_0=\xCE\xA9\nnom_1=R\xC3\xA9serve\n") + fin), nullptr, 1},
        {"a Ctrl-Z ending the file is a blank and stays last",
         en_crlf("[ervaline]\nnom_0=Pompe\x1A\nlundi_0=on") + "\x1A", "Pompe", nullptr,
         en_crlf("[ervaline]\n" + complete("nom_0=Pompe\x1A\nlundi_0=on\n")) + "\x1A"},
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
    for (const cas_fichier& c : table) {
        SCOPED_TRACE(c.nom);
        banc b(c.avant);
        EXPECT_EQ(texte(b.p.fenetre, champ::nom, 0), c.lu);
        if (c.tape != nullptr) ecrit_texte(b.p.fenetre, champ::nom, 0, c.tape);
        const ino_t avant = inode(b.ini());
        enregistre_Click(b.p);
        EXPECT_EQ(lit_fichier(b.ini()), c.apres);
        if (c.apres == c.avant) {
            EXPECT_EQ(inode(b.ini()), avant);
        }
        // Saved again: nothing changes, and the file stays the same file.
        const ino_t apres = inode(b.ini());
        enregistre_Click(b.p);
        EXPECT_EQ(lit_fichier(b.ini()), c.apres);
        EXPECT_EQ(inode(b.ini()), apres);
        EXPECT_FALSE(marque_visible(b.p.fenetre));
        EXPECT_TRUE(b.messages.empty());
        EXPECT_EQ(b.signalements.size(), c.signalements);
        for (const std::string& s : b.signalements) EXPECT_TRUE(s.starts_with(b.p.g.fichier_ini));
        const banc relu(c.apres);
        EXPECT_EQ(texte(relu.p.fenetre, champ::nom, 0), c.relu ? c.relu : c.tape ? c.tape : c.lu);
    }
}

TEST(EnregistreIni, TheChecksSeeTheTimesJustSaved) {
    // Channel 2 runs slot 1 from 08:00 to 09:00 on Mondays.
    banc b("[ervaline]\nlundi_2=on\nvalid_2=on\nheure_deb_1_2=8\nheure_fin_1_2=9\n");
    ASSERT_TRUE(b.messages.empty());

    // Slot 1 now starts after it stops; the edit alone changes no slot time.
    ecrit_position(b.p.fenetre, champ::H_marche_1, 2, 10);
    EXPECT_EQ(debut_k(b.p.h, 1, 2), 8 * 3600);
    EXPECT_TRUE(b.messages.empty());

    enregistre_Click(b.p);
    EXPECT_EQ(debut_k(b.p.h, 1, 2), 10 * 3600);
    EXPECT_EQ(b.messages, (std::vector<message>{{"ervaline", texte_incoherence(2)}}));
    EXPECT_FALSE(marque_visible(b.p.fenetre));
}

TEST(EnregistreIni, AFailedSaveSaysWhereAndWhyKeepsTheMarkAndLosesNoEdit) {
    banc b;
    ecrit_fichier(b.dossier.chemin / "fichier", "");
    b.p.g.fichier_ini = (b.dossier.chemin / "fichier" / "ervaline.ini").string();
    // Slot 1 of channel 2 runs from 00:00 to 00:00 by default: the checks speak first.
    ecrit_coche(b.p.fenetre, champ::valid, 2, true);
    enregistre_Click(b.p);
    const std::vector<message> attendus = {
        {"ervaline", texte_incoherence(2)},
        {"ervaline", "Les réglages n'ont pas pu être enregistrés dans " + b.p.g.fichier_ini +
                         " :\r\nNot a directory"},
    };
    EXPECT_EQ(b.messages, attendus);
    EXPECT_TRUE(marque_visible(b.p.fenetre));

    b.p.g.fichier_ini = (b.dossier.chemin / "ervaline.ini").string();
    enregistre_Click(b.p);
    EXPECT_FALSE(marque_visible(b.p.fenetre));
    EXPECT_NE(lit_fichier(b.ini()).find("\r\nvalid_2=on\r\n"), std::string::npos);
}

}  // namespace
}  // namespace horlivet
