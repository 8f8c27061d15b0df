#include "platform/profil.h"

#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "commun/fichiers.h"
#include "commun/sans_root.h"

namespace horlivet {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;
namespace fs = std::filesystem;
using essai::dossier_temporaire;
using essai::ecrit_fichier;
using essai::en_crlf;
using essai::lit_fichier;
using essai::noms_dans;

// The permission bits of a file.
unsigned mode_de(const fs::path& chemin) {
    struct stat etat {};
    ::stat(chemin.c_str(), &etat);
    return etat.st_mode & 07777;
}

// One value read from a file given as text.
std::string lit(std::string_view fichier, std::string_view section, std::string_view cle,
                std::string_view defaut = "defaut", std::size_t taille = 64) {
    return lit_profil(profil_de_texte(fichier), section, cle, defaut, taille);
}

// A name, a file, the key asked for, and what comes back.
struct cas_lecture {
    const char* nom;
    std::string fichier;
    std::string section;
    std::string cle;
    std::string defaut;
    std::size_t taille;
    std::string attendu;
};

TEST(LitProfil, ReadsAsTheClassicProfileFunctions) {
    const std::string longue(70, 'n');
    const std::string commande(200, 'c');
    const std::string e_aigu = "\xC3\xA9";
    const std::string smiley = "\xF0\x9F\x98\x80";
    std::string soixante_dix_e;
    for (int n = 0; n < 70; ++n) soixante_dix_e += e_aigu;

    const cas_lecture cas[] = {
        {"section and key in another case", R"([ErVaLiNe]
NOM_0=Pompe
)",
         "ervaline", "nom_0", "defaut", 64, "Pompe"},
        {"asked in another case", R"([ervaline]
nom_0=Pompe
)",
         "ERVALINE", "Nom_0", "defaut", 64, "Pompe"},
        {"blanks around the names", R"([ ervaline ]
  nom_0 =Pompe
)",
         "ervaline", "nom_0", "defaut", 64, "Pompe"},
        {"tabs around the names and the value", "[\tervaline\t]\n\tnom_0\t=\t Pompe \t\n",
         "ervaline", "nom_0", "defaut", 64, "Pompe"},
        {"blanks around the asked names", R"([ervaline]
nom_0=Pompe
)",
         " ervaline ", " nom_0\t", "defaut", 64, "Pompe"},
        {"double quotes removed", R"([ervaline]
nom_0="Pompe"
)",
         "ervaline", "nom_0", "defaut", 64, "Pompe"},
        {"single quotes removed", R"([ervaline]
nom_0='Pompe'
)",
         "ervaline", "nom_0", "defaut", 64, "Pompe"},
        {"unmatched quotes kept", R"([ervaline]
nom_0="Pompe'
)",
         "ervaline", "nom_0", "defaut", 64, R"("Pompe')"},
        {"blanks inside quotes kept", R"([ervaline]
nom_0 =  "  Pompe  "  
)",
         "ervaline", "nom_0", "defaut", 64, "  Pompe  "},
        {"only one pair of quotes removed", R"([ervaline]
nom_0=""Pompe""
)",
         "ervaline", "nom_0", "defaut", 64, R"("Pompe")"},
        {"a lone quote stays", R"([ervaline]
nom_0="
)",
         "ervaline", "nom_0", "defaut", 64, R"(")"},
        {"empty quotes give the empty text", R"([ervaline]
nom_0=''
)",
         "ervaline", "nom_0", "defaut", 64, ""},
        {"the first of duplicate keys", R"([ervaline]
nom_0=premier
NOM_0=second
)",
         "ervaline", "nom_0", "defaut", 64, "premier"},
        {"the first of duplicate sections", R"([ervaline]
nom_0=premier
[autre]
x=1
[ERVALINE]
nom_0=second
)",
         "ervaline", "nom_0", "defaut", 64, "premier"},
        {"a key only in the second duplicate section", R"([ervaline]
nom_0=premier
[ervaline]
nom_1=second
)",
         "ervaline", "nom_1", "defaut", 64, "defaut"},
        {"a commented key", R"([ervaline]
;nom_0=commentee
)",
         "ervaline", "nom_0", "defaut", 64, "defaut"},
        {"a commented key after blanks", R"([ervaline]
   ;nom_0=commentee
nom_1=x
)",
         "ervaline", "nom_0", "defaut", 64, "defaut"},
        {"a semicolon inside the value is text", R"([ervaline]
nom_0=a ; b
)",
         "ervaline", "nom_0", "defaut", 64, "a ; b"},
        {"a key before the first section", R"(nom_0=avant
[ervaline]
nom_1=x
)",
         "ervaline", "nom_0", "defaut", 64, "defaut"},
        {"a line without '='", R"([ervaline]
nom_0
nom_0 Pompe
)",
         "ervaline", "nom_0", "defaut", 64, "defaut"},
        {"the value starts after the first '='", R"([ervaline]
nom_0==a=b
)",
         "ervaline", "nom_0", "defaut", 64, "=a=b"},
        {"a present empty value", R"([ervaline]
nom_0=
)",
         "ervaline", "nom_0", "defaut", 64, ""},
        {"a value of blanks only", "[ervaline]\nnom_0=  \t \n", "ervaline", "nom_0", "defaut", 64,
         ""},
        {"a missing key", R"([ervaline]
nom_1=x
)",
         "ervaline", "nom_0", "defaut", 64, "defaut"},
        {"a missing section", R"([autre]
nom_0=x
)",
         "ervaline", "nom_0", "defaut", 64, "defaut"},
        {"an empty file", "", "ervaline", "nom_0", "defaut", 64, "defaut"},
        {"the default loses its trailing spaces only", "", "ervaline", "nom_0", "  x y  ", 64,
         "  x y"},
        {"a section line ends at its last bracket", R"([ervaline] ; ma section
nom_0=x
)",
         "ervaline", "nom_0", "defaut", 64, "x"},
        {"a bracket without its closing one is no section", R"([ervaline]
[autre
nom_0=x
)",
         "ervaline", "nom_0", "defaut", 64, "x"},
        {"CR line endings", "[ervaline]\rnom_0=a\rnom_1=b\r", "ervaline", "nom_1", "defaut", 64,
         "b"},
        {"CR LF line endings", en_crlf(R"([ervaline]
nom_0=a
nom_1=b
)"),
         "ervaline", "nom_0", "defaut", 64, "a"},
        {"mixed line endings", "[ervaline]\r\nnom_0=a\rnom_1=b\nnom_2=c", "ervaline", "nom_2",
         "defaut", 64, "c"},
        {"a byte order mark before the first section", "\xEF\xBB\xBF[ervaline]\nnom_0=a\n",
         "ervaline", "nom_0", "defaut", 64, "a"},
        {"63 of a 70-character name", "[ervaline]\nnom_0=" + longue + "\n", "ervaline", "nom_0",
         "defaut", 64, longue.substr(0, 63)},
        {"127 of a 200-character command", "[ervaline]\ncommande_marche_0=" + commande + "\n",
         "ervaline", "commande_marche_0", "null.bat", 128, commande.substr(0, 127)},
        {"the cut counts characters, not bytes", "[ervaline]\nnom_0=" + soixante_dix_e + "\n",
         "ervaline", "nom_0", "defaut", 64, soixante_dix_e.substr(0, 63 * 2)},
        {"a two-byte character as the 63rd is kept",
         "[ervaline]\nnom_0=" + std::string(62, 'a') + e_aigu + "zz\n", "ervaline", "nom_0",
         "defaut", 64, std::string(62, 'a') + e_aigu},
        {"a two-byte character as the 64th is left whole",
         "[ervaline]\nnom_0=" + std::string(63, 'a') + e_aigu + "\n", "ervaline", "nom_0", "defaut",
         64, std::string(63, 'a')},
        {"a four-byte character as the 63rd is kept",
         "[ervaline]\nnom_0=" + std::string(62, 'a') + smiley + "z\n", "ervaline", "nom_0",
         "defaut", 64, std::string(62, 'a') + smiley},
        {"the cut applies after the quotes are removed",
         "[ervaline]\nnom_0=\"" + std::string(63, 'a') + "\"\n", "ervaline", "nom_0", "defaut", 64,
         std::string(63, 'a')},
        {"the default is cut too", "", "ervaline", "nom_0", longue, 64, longue.substr(0, 63)},
        {"a size of one gives the empty text", "[ervaline]\nnom_0=abc\n", "ervaline", "nom_0",
         "defaut", 1, ""},
    };
    for (const cas_lecture& c : cas) {
        EXPECT_EQ(lit(c.fichier, c.section, c.cle, c.defaut, c.taille), c.attendu) << c.nom;
    }
}

TEST(LitProfil, NulBytesAreTextForTheCallerToCut) {
    const auto fichier = "[ervaline]\nnom_0=a\0b\nnom\0_1=c\n[a\0b]\nk=v\n"sv;
    EXPECT_EQ(lit(fichier, "ervaline", "nom_0"), "a\0b"s);
    EXPECT_EQ(lit(fichier, "ervaline", "nom\0_1"sv), "c");
    EXPECT_EQ(lit(fichier, "a\0b"sv, "k"), "v");
    EXPECT_EQ(texte_profil(profil_de_texte(fichier)), fichier);
}

TEST(LitProfil, MissingOrUnreadableFileGivesTheDefaults) {
    dossier_temporaire d;
    const fichier_profil absent = charge_profil((d.chemin / "absent.ini").string());
    EXPECT_EQ(lit_profil(absent, "ervaline", "nom_0", "??0 ", 64), "??0");
    const fichier_profil sous_fichier = charge_profil((d.chemin / "absent.ini" / "x").string());
    EXPECT_EQ(lit_profil(sous_fichier, "ervaline", "nom_0", "??0", 64), "??0");
    const fichier_profil dossier = charge_profil(d.chemin.string());
    EXPECT_EQ(lit_profil(dossier, "ervaline", "nom_0", "??0", 64), "??0");
    EXPECT_EQ(lit_profil(fichier_profil{}, "ervaline", "nom_0", "??0", 64), "??0");
}

TEST(LitProfil, WindowsCodePageFileIsConvertedToUtf8) {
    // "Pompe entrée", a euro sign, the undefined 0x81 and 0x9F (Y with diaeresis).
    const std::string fichier =
        "[ervaline]\r\nnom_0=Pompe entr\xE9"
        "e\r\nnom_1=\x80\x81\x9F\r\n";
    const fichier_profil f = profil_de_texte(fichier);
    EXPECT_EQ(lit_profil(f, "ervaline", "nom_0", "", 64),
              "Pompe entr\xC3\xA9"
              "e");
    EXPECT_EQ(lit_profil(f, "ervaline", "nom_1", "", 64), "\xE2\x82\xAC\xC2\x81\xC5\xB8");

    // A valid UTF-8 file is taken as it is, not converted twice.
    const std::string utf8 =
        "[ervaline]\nnom_0=Pompe entr\xC3\xA9"
        "e\n";
    EXPECT_EQ(lit(utf8, "ervaline", "nom_0"),
              "Pompe entr\xC3\xA9"
              "e");
    EXPECT_EQ(texte_profil(profil_de_texte(utf8)), utf8);

    // Overlong forms, surrogates and truncated sequences are not UTF-8.
    for (const std::string_view invalide :
         {"\xC0\xAF"sv, "\xED\xA0\x80"sv, "\xE2\x82"sv, "\xF4\x90\x80\x80"sv, "\xFF"sv}) {
        const std::string t = "[ervaline]\nnom_0=" + std::string(invalide) + "\n";
        EXPECT_NE(lit(t, "ervaline", "nom_0"), invalide)
            << "read as Windows-1252: " << testing::PrintToString(invalide);
    }
}

TEST(LitProfil, WindowsCodePageFileIsSavedAsUtf8) {
    dossier_temporaire d;
    const fs::path chemin = d.chemin / "ervaline.ini";
    ecrit_fichier(chemin,
                  "[ervaline]\r\nnom_0=Pompe entr\xE9"
                  "e\r\n");
    fichier_profil f = charge_profil(chemin.string());
    ecrit_profil(f, "ervaline", "nom_1", "Vanne");
    ASSERT_EQ(enregistre_profil(f, chemin.string()), "");
    EXPECT_EQ(lit_fichier(chemin),
              "[ervaline]\r\nnom_0=Pompe entr\xC3\xA9"
              "e\r\nnom_1=Vanne\r\n");
}

TEST(LitProfil, GarbageLoadsWithoutHarm) {
    std::mt19937 alea(1234);
    std::string hasard(1 << 20, '\0');
    for (char& c : hasard) c = static_cast<char>(alea());
    const std::string une_ligne = "[ervaline]\nnom_0=" + std::string(10 << 20, 'x');

    dossier_temporaire d;
    for (const auto& [nom, octets] :
         {std::pair{"random bytes", hasard}, std::pair{"a 10 MB line", une_ligne},
          std::pair{"only NUL bytes", std::string(4096, '\0')}}) {
        const fs::path chemin = d.chemin / "ervaline.ini";
        ecrit_fichier(chemin, octets);
        fichier_profil f = charge_profil(chemin.string());
        const std::string nom_0 = lit_profil(f, "ervaline", "nom_0", "??0", 64);
        EXPECT_LE(nom_0.size(), 63u * 4) << nom;
        ecrit_profil(f, "ervaline", "nom_1", "x");
        EXPECT_EQ(lit_profil(f, "ervaline", "nom_1", "", 64), "x") << nom;
        EXPECT_EQ(enregistre_profil(f, chemin.string()), "") << nom;
        EXPECT_EQ(lit_fichier(chemin), texte_profil(f)) << nom;
    }
    EXPECT_EQ(lit(une_ligne, "ervaline", "nom_0"), std::string(63, 'x'));
}

TEST(LitProfil, FindsOneSectionAmongThousands) {
    std::string fichier = "; [pas une section]\n";
    for (int s = 0; s < 3000; ++s) {
        fichier += "[autre_" + std::to_string(s) + "]\r\nk=[" + std::to_string(s) + "]\r\n";
        if (s == 1500) fichier += "  [ Ervaline ] fin\r\nnom_0=premiere\r\n[ouverte\r\n";
    }
    fichier += "[ervaline]\r\nnom_0=seconde\r\nnom_1=seconde";
    const fichier_profil f = profil_de_texte(fichier);
    EXPECT_EQ(lit_profil(f, "ERVALINE", "nom_0", "-", 64), "premiere");
    EXPECT_EQ(lit_profil(f, "ervaline", "[ouverte", "-", 64), "-");
    EXPECT_EQ(lit_profil(f, "ervaline", "nom_1", "-", 64), "-");
    EXPECT_EQ(lit_profil(f, "autre_2999", "k", "-", 64), "[2999]");
    EXPECT_EQ(lit_profil(f, "autre_3000", "k", "-", 64), "-");
    EXPECT_EQ(lit_profil(f, "pas une section", "k", "-", 64), "-");
    EXPECT_EQ(texte_profil(f), fichier);
}

// One write: section, key, value.
struct ecriture {
    std::string section;
    std::string cle;
    std::string valeur;
};

// A file, the writes made to it in order, and the bytes expected after them.
struct cas_ecriture {
    const char* nom;
    std::string avant;
    std::vector<ecriture> ecritures;
    std::string apres;
};

TEST(EcritProfil, WritesByteForByte) {
    const cas_ecriture cas[] = {
        {"an existing key replaced in place, keeping its spelling",
         en_crlf(R"(; réglages
[Ervaline]
  NOM_0 = "ancien"
nom_1=x
)"),
         {{"ervaline", "nom_0", "nouveau"}},
         en_crlf(R"(; réglages
[Ervaline]
NOM_0=nouveau
nom_1=x
)")},
        {"only the first of duplicate keys changes",
         R"([ervaline]
nom_0=a
nom_0=b
)",
         {{"ervaline", "nom_0", "c"}},
         R"([ervaline]
nom_0=c
nom_0=b
)"},
        {"only the first of duplicate sections changes",
         R"([ervaline]
nom_0=a
[ervaline]
nom_0=b
nom_1=b
)",
         {{"ervaline", "nom_0", "c"}, {"ervaline", "nom_1", "c"}},
         R"([ervaline]
nom_0=c
nom_1=c
[ervaline]
nom_0=b
nom_1=b
)"},
        {"a missing key after the last key of its section",
         R"(; avant
[ervaline]
nom_0=a
; fin des noms
sans egal

[autre]
nom_2=y
)",
         {{"ervaline", "nom_1", "b"}, {"ervaline", "nom_2", "c"}},
         R"(; avant
[ervaline]
nom_0=a
nom_1=b
nom_2=c
; fin des noms
sans egal

[autre]
nom_2=y
)"},
        {"a missing key right after the line of a section without keys",
         R"([ervaline]
; pas encore de cle

[autre]
)",
         {{"ervaline", "nom_0", "a"}},
         R"([ervaline]
nom_0=a
; pas encore de cle

[autre]
)"},
        {"a missing section at the end, with no blank line",
         R"(nom_0=hors section
[autre]
k=v

)",
         {{"ervaline", "nom_0", "a"}, {"ervaline", "nom_1", "b"}},
         R"(nom_0=hors section
[autre]
k=v

[ervaline]
nom_0=a
nom_1=b
)"},
        {"a new file gets CR LF",
         "",
         {{"ervaline", "nom_0", "a"}, {"ervaline", "nom_1", "b"}},
         "[ervaline]\r\nnom_0=a\r\nnom_1=b\r\n"},
        {"an LF file stays LF",
         R"([ervaline]
nom_0=a
)",
         {{"ervaline", "nom_1", "b"}, {"autre", "k", "v"}},
         R"([ervaline]
nom_0=a
nom_1=b
[autre]
k=v
)"},
        {"a CR file stays CR",
         "[ervaline]\rnom_0=a\r",
         {{"ervaline", "nom_1", "b"}},
         "[ervaline]\rnom_0=a\rnom_1=b\r"},
        {"new lines take the first line ending, old lines keep theirs",
         "[ervaline]\nnom_0=a\r\nnom_1=b\r\n",
         {{"ervaline", "nom_0", "c"}, {"ervaline", "nom_2", "d"}},
         "[ervaline]\nnom_0=c\r\nnom_1=b\r\nnom_2=d\n"},
        {"a key added after a last line without ending",
         R"([ervaline]
nom_0=a)",
         {{"ervaline", "nom_1", "b"}},
         R"([ervaline]
nom_0=a
nom_1=b
)"},
        {"a section added after a last line without ending",
         R"([autre]
k=v)",
         {{"ervaline", "nom_0", "a"}},
         R"([autre]
k=v
[ervaline]
nom_0=a
)"},
        {"a last line without ending replaced keeps having none",
         R"([ervaline]
nom_0=a)",
         {{"ervaline", "nom_0", "b"}},
         R"([ervaline]
nom_0=b)"},
        {"a one-line file without ending gets CR LF",
         "[ervaline]",
         {{"ervaline", "nom_0", "a"}},
         "[ervaline]\r\nnom_0=a\r\n"},
        {"the value is written as given",
         R"([ervaline]
nom_0=a
)",
         {{"ervaline", "nom_0", " \"entre guillemets\" "}, {"ervaline", "nom_1", ""}},
         R"([ervaline]
nom_0= "entre guillemets" 
nom_1=
)"},
        {"a key of the same name in another section is not touched",
         R"([autre]
nom_0=x
[ervaline]
[troisieme]
nom_0=y
)",
         {{"ervaline", "nom_0", "a"}},
         R"([autre]
nom_0=x
[ervaline]
nom_0=a
[troisieme]
nom_0=y
)"},
        {"a byte order mark stays",
         "\xEF\xBB\xBF[ervaline]\nnom_0=a\n",
         {{"ervaline", "nom_0", "b"}},
         "\xEF\xBB\xBF[ervaline]\nnom_0=b\n"},
    };
    for (const cas_ecriture& c : cas) {
        fichier_profil f = profil_de_texte(c.avant);
        for (const ecriture& e : c.ecritures) ecrit_profil(f, e.section, e.cle, e.valeur);
        EXPECT_EQ(texte_profil(f), c.apres) << c.nom;
    }
}

TEST(EcritProfil, UnwrittenFileKeepsEveryByte) {
    const std::string_view fichiers[] = {
        "",
        "\n\n",
        "sans section\r\n[ervaline]\rnom_0 = 'a' \n\n; c\r\n[x\r\n[y]]\r",
        "[ervaline]\nnom_0=a",
        "\r\n\r",
        "\xEF\xBB\xBF",
        "[a]\0\n=\n=x\n\xC3\xA9=\xE2\x82\xAC\n"sv,
    };
    for (const std::string_view t : fichiers) {
        EXPECT_EQ(texte_profil(profil_de_texte(t)), t) << testing::PrintToString(t);
    }
}

TEST(EcritProfil, CopiesDoNotShareWrites) {
    fichier_profil a = profil_de_texte("[ervaline]\nnom_0=a\n");
    fichier_profil b = a;
    ecrit_profil(b, "ervaline", "nom_0", "b");
    EXPECT_EQ(lit_profil(a, "ervaline", "nom_0", "", 64), "a");
    EXPECT_EQ(lit_profil(b, "ervaline", "nom_0", "", 64), "b");
    EXPECT_EQ(texte_profil(a), "[ervaline]\nnom_0=a\n");
}

// Writes one by one, the file read again after each write, as a save key by key would.
std::string ecrit_cle_par_cle(const std::string& avant, const std::vector<ecriture>& ecritures) {
    std::string texte = avant;
    for (const ecriture& e : ecritures) {
        fichier_profil f = profil_de_texte(texte);
        ecrit_profil(f, e.section, e.cle, e.valeur);
        texte = texte_profil(f);
    }
    return texte;
}

TEST(EcritProfil, ManyWritesGiveTheBytesOfWritesKeyByKey) {
    // Values and names that change how the file reads once written: line breaks, keys
    // that read as comments, sections or another key, bytes that are not UTF-8.
    const std::vector<ecriture> etranges = {
        {"ervaline", "nom_0", "a"},
        {"ERVALINE", "NOM_0", "b"},
        {"ervaline", " nom_1 ", "c"},
        {"ervaline", "a=b", "1"},
        {"ervaline", "a=b", "2"},
        {"ervaline", ";commentaire", "3"},
        {"ervaline", ";commentaire", "4"},
        {"ervaline", "nom_2", "5"},
        {"ervaline", "[cachee]", "6"},
        {"ervaline", "[ouverte", "7]"},
        {"ervaline", "lignes", "l1\nl2=x\r[autre]\r\nk=v"},
        {"autre", "k", "w"},
        {"s]t", "k", "v"},
        {"[u", "k", "v"},
        {"x\ny", "k", "v"},
        {"ervaline", "nom_3",
         "entr\xE9"
         "e"},
        {"ervaline", "nom_4", "\xE2\x82\xAC"},
        {"ervaline", "nom_0", "fin"},
        {"nouvelle", "k", "v"},
        {"ervaline", "nom_5", "apres"},
    };
    std::vector<ecriture> reglages;
    for (int i = 0; i < 8; ++i) {
        for (const char* cle : {"nom_", "lundi_", "valid_", "commande_marche_"}) {
            reglages.push_back({"ervaline", cle + std::to_string(i), "v" + std::to_string(i)});
        }
    }
    const std::string debuts[] = {
        "",
        "[ervaline]\nnom_0=a",
        "[ervaline]\r\nNOM_0=x\r\n; c\r\n[autre]\r\nk=v\r\n",
        "pre\n[ervaline]\n[ervaline]\nnom_1=x\n\n",
        "[ervaline]\rnom_0=x\r\n",
        // Added lines end in CR; one before the empty LF line would read as one CR LF.
        "[ervaline]\rnom_0=x\n\n[autre]\nk=v\n",
        "\xEF\xBB\xBF[ervaline]\nnom_0=x\n",
        "[ervaline]\nnom_0=entr\xE9"
        "e\n",
        "[autre]\nk=v",
        "; [pas une section]\n  [Autre] \nk=v [x]\n[ouverte=1\n\t[ervaline] fin\rnom_0=a\r\n"
        "[z]\nk=v",
    };
    for (const std::string& debut : debuts) {
        for (const std::vector<ecriture>* ecritures : {&etranges, &std::as_const(reglages)}) {
            fichier_profil f = profil_de_texte(debut);
            for (const ecriture& e : *ecritures) ecrit_profil(f, e.section, e.cle, e.valeur);
            const std::string attendu = ecrit_cle_par_cle(debut, *ecritures);
            EXPECT_EQ(texte_profil(f), attendu) << testing::PrintToString(debut);

            // What the model reads is what a reader of the saved file reads.
            const fichier_profil relu = profil_de_texte(attendu);
            for (const ecriture& e : *ecritures) {
                EXPECT_EQ(lit_profil(f, e.section, e.cle, "-", 64),
                          lit_profil(relu, e.section, e.cle, "-", 64))
                    << testing::PrintToString(debut) << " " << testing::PrintToString(e.cle);
            }
        }
    }
}

// A full settings file: 30 keys for each of 8 channels, every value marked `marque`.
std::string fichier_complet(const std::string& marque) {
    fichier_profil f = profil_de_texte("");
    for (int i = 0; i < 8; ++i) {
        for (int n = 0; n < 30; ++n) {
            ecrit_profil(f, "ervaline", "cle_" + std::to_string(n) + "_" + std::to_string(i),
                         marque + std::to_string(n * i));
        }
    }
    return texte_profil(f);
}

TEST(EnregistreProfil, CreatesAndReplacesTheFileAndLeavesNothingElse) {
    dossier_temporaire d;
    const fs::path chemin = d.chemin / "ervaline.ini";
    fichier_profil f = charge_profil(chemin.string());
    ecrit_profil(f, "ervaline", "nom_0", "a");
    ASSERT_EQ(enregistre_profil(f, chemin.string()), "");
    EXPECT_EQ(lit_fichier(chemin), "[ervaline]\r\nnom_0=a\r\n");

    f = charge_profil(chemin.string());
    ecrit_profil(f, "ervaline", "nom_0", "b");
    ASSERT_EQ(enregistre_profil(f, chemin.string()), "");
    EXPECT_EQ(lit_fichier(chemin), "[ervaline]\r\nnom_0=b\r\n");
    EXPECT_EQ(noms_dans(d.chemin), std::vector<std::string>{"ervaline.ini"});
}

TEST(EnregistreProfil, KeepsThePermissionBits) {
    dossier_temporaire d;
    const fs::path chemin = d.chemin / "ervaline.ini";
    for (const unsigned mode : {0640u, 0604u, 0600u}) {
        ecrit_fichier(chemin, "[ervaline]\nnom_0=a\n");
        ::chmod(chemin.c_str(), mode);
        fichier_profil f = charge_profil(chemin.string());
        ecrit_profil(f, "ervaline", "nom_0", "b");
        ASSERT_EQ(enregistre_profil(f, chemin.string()), "");
        EXPECT_EQ(mode_de(chemin), mode) << std::oct << mode;
        EXPECT_EQ(lit_fichier(chemin), "[ervaline]\nnom_0=b\n");
    }
}

TEST(EnregistreProfil, ALinkStaysALink) {
    dossier_temporaire d;
    const fs::path vrai = d.chemin / "vrai.ini", lien = d.chemin / "ervaline.ini";
    ecrit_fichier(vrai, "[ervaline]\nnom_0=a\n");
    fs::create_symlink(vrai, lien);
    fichier_profil f = charge_profil(lien.string());
    ecrit_profil(f, "ervaline", "nom_0", "b");
    ASSERT_EQ(enregistre_profil(f, lien.string()), "");
    EXPECT_TRUE(fs::is_symlink(lien));
    EXPECT_EQ(lit_fichier(vrai), "[ervaline]\nnom_0=b\n");
}

TEST(EnregistreProfil, AFailedSaveSaysWhyAndKeepsTheOldFile) {
    dossier_temporaire d;
    const fs::path chemin = d.chemin / "ervaline.ini";
    const std::string ancien = "[ervaline]\nnom_0=ancien\n";
    const auto prepare = [&] {
        ecrit_fichier(chemin, ancien);
        fichier_profil f = charge_profil(chemin.string());
        ecrit_profil(f, "ervaline", "nom_0", std::string(8192, 'n'));
        return f;
    };

    {
        // A file size limit fails the write itself, even for root.
        const fichier_profil f = prepare();
        rlimit avant{};
        ::getrlimit(RLIMIT_FSIZE, &avant);
        rlimit petite = avant;
        petite.rlim_cur = 4096;
        const auto ancien_signal = ::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &petite);
        const std::string raison = enregistre_profil(f, chemin.string());
        ::setrlimit(RLIMIT_FSIZE, &avant);
        ::signal(SIGXFSZ, ancien_signal);
        EXPECT_EQ(raison, "File too large");
        EXPECT_EQ(lit_fichier(chemin), ancien);
        EXPECT_EQ(noms_dans(d.chemin), std::vector<std::string>{"ervaline.ini"});
    }
    {
        const fichier_profil f = prepare();
        EXPECT_EQ(enregistre_profil(f, (chemin / "sous_un_fichier.ini").string()),
                  "Not a directory");
        EXPECT_EQ(enregistre_profil(f, (d.chemin / "absent" / "ervaline.ini").string()),
                  "No such file or directory");
        EXPECT_EQ(lit_fichier(chemin), ancien);
    }
    {
        // A folder in the file's place: the reader could not read it, so nothing is saved.
        fs::create_directory(d.chemin / "dossier.ini");
        fichier_profil f = charge_profil((d.chemin / "dossier.ini").string());
        ecrit_profil(f, "ervaline", "nom_0", "x");
        EXPECT_EQ(enregistre_profil(f, (d.chemin / "dossier.ini").string()), "Is a directory");
        EXPECT_TRUE(fs::is_directory(d.chemin / "dossier.ini"));
        fs::remove(d.chemin / "dossier.ini");
    }
}

TEST(EnregistreProfil, AFolderOrFileWithoutPermissionFailsAndKeepsTheOldFile) {
    if (essai::relance_en_tant_que_personne()) return;
    dossier_temporaire d;
    const fs::path chemin = d.chemin / "ervaline.ini";
    const std::string ancien = "[ervaline]\nnom_0=ancien\n";
    {
        ecrit_fichier(chemin, ancien);
        fichier_profil f = charge_profil(chemin.string());
        ecrit_profil(f, "ervaline", "nom_0", "nouveau");
        ::chmod(d.chemin.c_str(), 0555);
        EXPECT_EQ(enregistre_profil(f, chemin.string()), "Permission denied");
        ::chmod(d.chemin.c_str(), 0755);
        EXPECT_EQ(lit_fichier(chemin), ancien);
        EXPECT_EQ(noms_dans(d.chemin), std::vector<std::string>{"ervaline.ini"});
    }
    {
        // A file the reader could not read would lose its content if replaced.
        ecrit_fichier(chemin, ancien);
        ::chmod(chemin.c_str(), 0200);
        fichier_profil f = charge_profil(chemin.string());
        ecrit_profil(f, "ervaline", "nom_1", "x");
        EXPECT_EQ(enregistre_profil(f, chemin.string()), "Permission denied");
        ::chmod(chemin.c_str(), 0600);
        EXPECT_EQ(lit_fichier(chemin), ancien);
    }
}

TEST(EnregistreProfil, AKilledSaveLeavesTheOldOrTheNewFile) {
    dossier_temporaire d;
    const fs::path chemin = d.chemin / "ervaline.ini";
    const std::string a = fichier_complet("A"), b = fichier_complet("BBBB");
    const fichier_profil profils[] = {profil_de_texte(a), profil_de_texte(b)};
    ecrit_fichier(chemin, a);

    std::mt19937 alea(20240611);
    std::uniform_int_distribution<int> delai_us(0, 2000);
    int vus[2] = {0, 0};
    for (int essai = 0; essai < 200; ++essai) {
        int tube[2];
        ASSERT_EQ(::pipe(tube), 0);
        const pid_t enfant = ::fork();
        ASSERT_GE(enfant, 0);
        if (enfant == 0) {
            // Each child starts with the other content and says when its first save is
            // done: the kill then lands in a later save, over a file that holds the
            // first content.
            ::close(tube[0]);
            for (unsigned n = static_cast<unsigned>(essai);; ++n) {
                if (!enregistre_profil(profils[n % 2], chemin.string()).empty()) ::_exit(1);
                const char fait = 1;
                if (n == static_cast<unsigned>(essai) && ::write(tube[1], &fait, 1) != 1) {
                    ::_exit(2);
                }
            }
        }
        ::close(tube[1]);
        char fait = 0;
        const bool premier_fait = ::read(tube[0], &fait, 1) == 1;
        ::close(tube[0]);
        if (premier_fait) ::usleep(static_cast<useconds_t>(delai_us(alea)));
        ::kill(enfant, SIGKILL);
        int etat = 0;
        ::waitpid(enfant, &etat, 0);
        ASSERT_TRUE(premier_fait) << "the saving child failed, essai " << essai;
        ASSERT_TRUE(WIFSIGNALED(etat)) << "the saving child stopped by itself, essai " << essai;

        const std::string vu = lit_fichier(chemin);
        ASSERT_TRUE(vu == a || vu == b) << "essai " << essai << ": " << vu.size() << " bytes";
        ++vus[vu == b];
        for (const auto& e : fs::directory_iterator(d.chemin)) {
            if (e.path() != chemin) fs::remove(e.path());
        }
    }
    // Both contents were seen, so the test did not only watch one old file.
    EXPECT_GT(vus[0], 0);
    EXPECT_GT(vus[1], 0);
}

}  // namespace
}  // namespace horlivet
