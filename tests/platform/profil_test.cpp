#include "platform/profil.h"

#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
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
namespace fs = std::filesystem;
using essai::ecrit_fichier;
using essai::en_crlf;
using essai::lit_fichier;

// The start of most files below.
const std::string e = "[ervaline]\n";

// A file, what the key asked for reads as, and the question.
struct cas_lecture {
    const char* nom;
    std::string fichier;
    std::string attendu;
    std::string cle = "nom_0";
    std::string section = "ervaline";
    std::string defaut = "defaut";
    std::size_t taille = 64;
};

TEST(LitProfil, ReadsAsTheClassicProfileFunctions) {
    const std::string longue(70, 'n'), e_aigu = "\xC3\xA9", smiley = "\xF0\x9F\x98\x80";
    const std::string a62(62, 'a'), a63(63, 'a');
    std::string soixante_dix_e;
    for (int n = 0; n < 70; ++n) soixante_dix_e += e_aigu;

    const cas_lecture cas[] = {
        // Blanks: space, tab, and the DOS ones.
        {"blanks around the names",
         "\f[ \t\x1A\vervaline\v\t ]\n \t\vnom_0\x1A\t = \t\f Pompe\x1A\v\t \n", "Pompe"},
        {"names in another case", "[ErVaLiNe]\nNOM_0=Pompe\n", "Pompe", " Nom_0\t", " ervalinE "},
        {"double quotes removed", e + "nom_0=\"Pompe\"\n", "Pompe"},
        {"unmatched quotes kept", e + "nom_0=\"Pompe'\n", "\"Pompe'"},
        {"inner blanks kept", e + "nom_0 =  \"  Pompe  \"  \n", "  Pompe  "},
        {"one pair of quotes removed", e + "nom_0=\"\"Pompe\"\"\n", "\"Pompe\""},
        {"a lone quote stays", e + "nom_0=\"\n", "\""},
        {"empty quotes", e + "nom_0=''\n", ""},
        {"duplicate keys", e + "nom_0=premier\nNOM_0=second\n", "premier"},
        {"duplicate sections", e + "nom_0=premier\n[autre]\nx=1\n[ERVALINE]\nnom_0=second\n",
         "premier"},
        {"only in 2nd duplicate", e + "nom_0=premier\n" + e + "nom_1=second\n", "defaut", "nom_1"},
        {"commented key after blanks", e + "   ;nom_0=x\nnom_1=x\n", "defaut"},
        {"semicolon inside the value", e + "nom_0=a ; b\n", "a ; b"},
        {"key before the first section", "nom_0=avant\n" + e + "nom_1=x\n", "defaut"},
        {"lines without '='", e + "nom_0\nnom_0 Pompe\n", "defaut"},
        {"value after the first '='", e + "nom_0==a=b\n", "=a=b"},
        {"present empty value", e + "nom_0=\n", ""},
        {"value of blanks only", e + "nom_0=  \t \n", ""},
        {"missing key", e + "nom_1=x\n", "defaut"},
        {"missing section", "[autre]\nnom_0=x\n", "defaut"},
        {"default loses its trailing spaces only", "", "  x y", "nom_0", "ervaline", "  x y  "},
        {"section ends at ]", "[ervaline] ; ma section\nnom_0=x\n", "x"},
        {"unclosed bracket is no section", e + "[autre\nnom_0=x\n", "x"},
        {"CR line endings", "[ervaline]\rnom_0=a\rnom_1=b\r", "b", "nom_1"},
        {"mixed line endings", "[ervaline]\r\nnom_0=a\rnom_1=b\nnom_2=c", "c", "nom_2"},
        // The caller cuts at a NUL byte; the reader does not.
        {"NUL bytes are text", "[e\0]\nnom\0_0=a\0b\n"s, "a\0b"s, "nom\0_0"s, "e\0"s},
        {"byte order mark", "\xEF\xBB\xBF" + e + "nom_0=a\n", "a"},
        {"cut counts characters", e + "nom_0=" + soixante_dix_e + "\n",
         soixante_dix_e.substr(0, 63 * 2)},
        {"two-byte 63rd kept", e + "nom_0=" + a62 + e_aigu + "zz\n", a62 + e_aigu},
        {"two-byte 64th left whole", e + "nom_0=" + a63 + e_aigu + "\n", a63},
        {"four-byte 63rd kept", e + "nom_0=" + a62 + smiley + "z\n", a62 + smiley},
        {"cut after unquoting", e + "nom_0=\"" + a63 + "\"\n", a63},
        {"default cut too", "", longue.substr(0, 63), "nom_0", "ervaline", longue},
        {"size one gives empty", e + "nom_0=abc\n", "", "nom_0", "ervaline", "d", 1},
        // A line that is not UTF-8 is Windows-1252, its undefined bytes the C1 controls.
        {"Windows-1252", "[ervaline]\r\nnom_0=entr\xE9\x80\x81\x9F\r\n",
         "entr\xC3\xA9\xE2\x82\xAC\xC2\x81\xC5\xB8"},
        {"an overlong form is not UTF-8", e + "nom_0=\xC0\xAF", "\xC3\x80\xC2\xAF"},
        {"a surrogate is not UTF-8", e + "nom_0=\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
        {"a cut sequence is not UTF-8", e + "nom_0=\xE2\x82", "\xC3\xA2\xE2\x80\x9A"},
        {"above U+10FFFF is not UTF-8", e + "nom_0=\xF4\x90\x80\x80",
         "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC"},
        {"0xFF is not UTF-8", e + "nom_0=\xFF", "\xC3\xBF"},
        {"0xE9 after 32 ASCII bytes", e + "nom_0=" + a62.substr(0, 15) + "\xE9",
         a62.substr(0, 15) + "\xC3\xA9"},
        {"a UTF-8 line beside a stray byte", e + "nom_0=\xC3\x89t\xC3\xA9\n; \xB0\n",
         "\xC3\x89t\xC3\xA9"},
        {"a Windows-1252 line beside UTF-8", e + "nom_0=\xC9t\xE9\n; \xC2\xB0\n",
         "\xC3\x89t\xC3\xA9"},
        {"a Windows-1252 section", "[\xE9t\xE9]\nnom_0=a\n", "a", "nom_0", "\xC3\xA9t\xC3\xA9"},
    };
    for (const cas_lecture& c : cas) {
        EXPECT_EQ(lit_profil(profil_de_texte(c.fichier), c.section, c.cle, c.defaut, c.taille),
                  c.attendu)
            << c.nom;
    }
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

// A file, the lines "key=value" written in order to its section "ervaline", and the
// bytes expected after them.
struct cas_ecriture {
    const char* nom;
    std::string avant;
    std::string ecritures;
    std::string apres;
};

TEST(EcritProfil, WritesByteForByteAndCopiesDoNotShareWrites) {
    const cas_ecriture cas[] = {
        {"a key replaced in place, keeping its spelling",
         en_crlf("; réglages\n[Ervaline]\n  NOM_0 = \"ancien\"\nnom_1=x\n"), "nom_0=nouveau\n",
         en_crlf("; réglages\n[Ervaline]\nNOM_0=nouveau\nnom_1=x\n")},
        {"a line that already reads as the value keeps its bytes",
         e + "nom_0 = \"a\" \nNom_1\t=\tb\x1A\n", "nom_0=a\nNOM_1= 'b' \n",
         e + "nom_0 = \"a\" \nNom_1\t=\tb\x1A\n"},
        {"only the first of duplicate keys changes", e + "nom_0=a\nnom_0=b\n", "nom_0=c\n",
         e + "nom_0=c\nnom_0=b\n"},
        {"only the first of duplicate sections changes", e + "nom_0=a\n" + e + "nom_0=b\nnom_1=b\n",
         "nom_0=c\nnom_1=c\n", e + "nom_0=c\nnom_1=c\n" + e + "nom_0=b\nnom_1=b\n"},
        {"a missing key after the last key of its section",
         "; avant\n" + e + "nom_0=a\n; fin\nsans egal\n\n[autre]\nnom_2=y\n", "nom_1=b\nnom_2=c\n",
         "; avant\n" + e + "nom_0=a\nnom_1=b\nnom_2=c\n; fin\nsans egal\n\n[autre]\nnom_2=y\n"},
        {"a missing key right after the line of a section without keys",
         e + "; pas de cle\n\n[autre]\n", "nom_0=a\n", e + "nom_0=a\n; pas de cle\n\n[autre]\n"},
        {"a missing section at the end, with no blank line", "nom_0=hors section\n[autre]\nk=v\n\n",
         "nom_0=a\nnom_1=b\n", "nom_0=hors section\n[autre]\nk=v\n\n" + e + "nom_0=a\nnom_1=b\n"},
        {"a new file gets CR LF", "", "nom_0=a\nnom_1=b\n", "[ervaline]\r\nnom_0=a\r\nnom_1=b\r\n"},
        {"a CR file stays CR", "[ervaline]\rnom_0=a\r", "nom_1=b\n",
         "[ervaline]\rnom_0=a\rnom_1=b\r"},
        {"new lines take the first line ending, old lines keep theirs",
         e + "nom_0=a\r\nnom_1=b\r\n", "nom_0=c\nnom_2=d\n", e + "nom_0=c\r\nnom_1=b\r\nnom_2=d\n"},
        {"a key added after a last line without ending", e + "nom_0=a", "nom_1=b\n",
         e + "nom_0=a\nnom_1=b\n"},
        {"a section added after a last line without ending", "[autre]\nk=v", "nom_0=a\n",
         "[autre]\nk=v\n" + e + "nom_0=a\n"},
        {"a last line without ending replaced keeps having none", e + "nom_0=a", "nom_0=b\n",
         e + "nom_0=b"},
        {"a one-line file without ending gets CR LF", "[ervaline]", "nom_0=a\n",
         "[ervaline]\r\nnom_0=a\r\n"},
        {"a Ctrl-Z ending the file stays last", e + "nom_0=a\x1A\x1A", "nom_1=b\n",
         e + "nom_0=a\nnom_1=b\n\x1A\x1A"},
        {"the value is written as given", e + "nom_0=a\n", "nom_0= \"entre guillemets\" \nnom_1=\n",
         e + "nom_0= \"entre guillemets\" \nnom_1=\n"},
        {"a key of the same name in another section is not touched",
         "[autre]\nnom_0=x\n" + e + "[troisieme]\nnom_0=y\n", "nom_0=a\n",
         "[autre]\nnom_0=x\n" + e + "nom_0=a\n[troisieme]\nnom_0=y\n"},
        {"a byte order mark stays", "\xEF\xBB\xBF" + e + "nom_0=a\n", "nom_0=b\n",
         "\xEF\xBB\xBF" + e + "nom_0=b\n"},
        {"a Windows-1252 file stays so, its undefined bytes too",
         "[ervaline]\r\nnom_0=\x81\x8D\x8F\x90\x9D\xE9\r\n", "nom_1=\xE2\x82\xAC\n",
         "[ervaline]\r\nnom_0=\x81\x8D\x8F\x90\x9D\xE9\r\nnom_1=\x80\r\n"},
        {"a character Windows-1252 lacks puts its line alone in UTF-8, and the lines after it",
         "[ervaline]\r\nnom_0=entr\xE9\x81\x8D\x8F\x90\x9D\r\n", "nom_1=\xCE\xA9\nnom_2=\xC3\xA9\n",
         "[ervaline]\r\nnom_0=entr\xE9\x81\x8D\x8F\x90\x9D\r\nnom_1=\xCE\xA9\r\nnom_2="
         "\xC3\xA9\r\n"},
        {"a text whose Windows-1252 bytes are UTF-8 goes in UTF-8", e + "nom_0=\xE9\n; \xB0\n",
         "nom_0=\xC3\xA8\nnom_1=\xC3\x83\xC2\xA9\n",
         e + "nom_0=\xE8\nnom_1=\xC3\x83\xC2\xA9\n; \xB0\n"},
        {"a stray byte leaves the UTF-8 lines alone and UTF-8 the lines written",
         e + "nom_0=\xC3\x89t\xC3\xA9\n; \xB0\n[fin]\nk=\xE2\x82\xAC\n",
         "nom_2=\xC3\xA9\nnom_1=\xE2\x86\x92\n",
         e + "nom_0=\xC3\x89t\xC3\xA9\nnom_2=\xC3\xA9\nnom_1=\xE2\x86\x92\n; "
             "\xB0\n[fin]\nk=\xE2\x82\xAC\n"},
        {"a byte order mark says UTF-8", "\xEF\xBB\xBF" + e + "; \xB0\n", "nom_0=\xC3\xA9\n",
         "\xEF\xBB\xBF" + e + "nom_0=\xC3\xA9\n; \xB0\n"},
    };
    for (const cas_ecriture& c : cas) {
        fichier_profil f = profil_de_texte(c.avant);
        std::istringstream ecritures(c.ecritures);
        for (std::string l; std::getline(ecritures, l);) {
            ecrit_profil(f, "ervaline", l.substr(0, l.find('=')), l.substr(l.find('=') + 1));
        }
        EXPECT_EQ(texte_profil(f), c.apres) << c.nom;
    }
    const fichier_profil a = profil_de_texte(e + "nom_0=a\n");
    fichier_profil b = a;
    ecrit_profil(b, "ervaline", "nom_0", "b");
    EXPECT_EQ(lit_profil(a, "ervaline", "nom_0", "", 64), "a");
    EXPECT_EQ(lit_profil(b, "ervaline", "nom_0", "", 64), "b");
    EXPECT_EQ(texte_profil(a), e + "nom_0=a\n");
}

// Each field of "a|b|c|": its writes, three by three.
std::vector<std::string> champs(std::string_view t) {
    std::vector<std::string> r;
    for (std::size_t fin; (fin = t.find('|')) != t.npos; t.remove_prefix(fin + 1))
        r.emplace_back(t.substr(0, fin));
    return r;
}

TEST(EcritProfil, AnUnwrittenFileKeepsEveryByteAndWritesGiveTheBytesOfWritesKeyByKey) {
    // Values and names that change how the file reads once written: line breaks, keys
    // that read as comments, sections or another key, bytes that are not UTF-8. One write
    // after the other, as section|key|value|.
    std::vector<std::string> reglages,
        bizarres = champs(
            "ervaline|nom_0|a|ERVALINE|NOM_0|b|ervaline| nom_1 |c|ervaline|a=b|1|ervaline|a=b|2|"
            "ervaline|;commentaire|3|ervaline|;commentaire|4|ervaline|nom_2|5|ervaline|[cachee]|6|"
            "ervaline|[ouverte|7]|ervaline|lignes|l1\nl2=x\r[autre]\r\nk=v|autre|k|w|s]t|k|v|"
            "[u|k|v|x\ny|k|v|ervaline|nom_3|entr\xE9|ervaline|nom_4|\xE2\x82\xAC|"
            "ervaline|nom_1| 'c' "
            "|ervaline|nom_6|fin\x1A|ervaline|nom_7|\xCE\xA9|ervaline|nom_0|fin|"
            "nouvelle|k|v|ervaline|nom_5|apres|");
    for (int i = 0; i < 8; ++i) {
        for (const char* cle : {"nom_", "lundi_", "valid_", "commande_marche_"}) {
            reglages.insert(reglages.end(),
                            {"ervaline", cle + std::to_string(i), "v" + std::to_string(i)});
        }
    }
    std::mt19937 alea(1234);
    std::string hasard(1 << 16, '\0');
    for (char& c : hasard) c = static_cast<char>(alea());
    const std::string debuts[] = {
        "",
        "\n\n",
        "\r\n\r",
        "\xEF\xBB\xBF",
        e + "nom_0=a",
        e + "nom_0=a\0b\nnom\0_1=c\n[a\0b]\nk=v\n"s,
        "[a]\0\n=\n=x\n\xC3\xA9=\xE2\x82\xAC\n"s,
        "sans section\r\n[ervaline]\rnom_0 = 'a' \n\n; c\r\n[x\r\n[y]]\r",
        "\x81\x8D\x8F\x90\x9D\xE9\x80\x1A\n\x1A",
        "[ervaline]\r\nNOM_0=x\r\n; c\r\n[autre]\r\nk=v\r\n",
        "pre\n[ervaline]\n[ervaline]\nnom_1=x\n\n",
        "[ervaline]\rnom_0=x\r\n",
        // Added lines end in CR; one before the empty LF line would read as one CR LF.
        "[ervaline]\rnom_0=x\n\n[autre]\nk=v\n",
        "\xEF\xBB\xBF" + e + "nom_0=x\n",
        e + "nom_0=entr\xE9\n",
        // Windows-1252 kept by the writes until the last, Ctrl-Z kept last.
        "; caf\xE9\n[ervaline]\r\nnom_0=x\x1A",
        "; [pas une section]\n  [Autre] \nk=v [x]\n[ouverte=1\n\t[ervaline] fin\rnom_0=a\r\n"
        "[z]\nk=v",
        hasard,
    };
    for (const std::string& debut : debuts) {
        const std::string trace = testing::PrintToString(debut.substr(0, 80));
        EXPECT_EQ(texte_profil(profil_de_texte(debut)), debut) << trace;
        for (const std::vector<std::string>* w : {&bizarres, &reglages}) {
            fichier_profil f = profil_de_texte(debut);
            std::string attendu = debut;
            for (std::size_t n = 0; n < w->size(); n += 3) {
                ecrit_profil(f, (*w)[n], (*w)[n + 1], (*w)[n + 2]);
                // The same write on the file read again, as a save key by key would.
                fichier_profil relu = profil_de_texte(attendu);
                ecrit_profil(relu, (*w)[n], (*w)[n + 1], (*w)[n + 2]);
                attendu = texte_profil(relu);
            }
            EXPECT_EQ(texte_profil(f), attendu) << trace;
            // What the model reads is what a reader of the saved file reads.
            const fichier_profil relu = profil_de_texte(attendu);
            for (std::size_t n = 0; n < w->size(); n += 3) {
                EXPECT_EQ(lit_profil(f, (*w)[n], (*w)[n + 1], "-", 64),
                          lit_profil(relu, (*w)[n], (*w)[n + 1], "-", 64))
                    << trace << " " << testing::PrintToString((*w)[n + 1]);
            }
        }
    }
}

TEST(EcritProfil, AWriteKeepsEveryOtherLineByteForByteAndItsLineReadsBackInTheFilesEncoding) {
    // Lines in UTF-8 beyond ASCII ('u'), Windows-1252 ('w') or ASCII; texts with their
    // Windows-1252 bytes when those read back as the text (not as UTF-8).
    const std::map<std::string, char> lignes = {
        {"[ervaline]", 'a'},         {"[autre]", 'a'},       {"nom_0=a", 'a'},
        {"nom_1=caf\xE9", 'w'},      {"; \xB0", 'w'},        {"nom_2=\xC3\xA9", 'u'},
        {"nom_3=\xC3\xA9\xFF", 'w'}, {"; \xE2\x82\xAC", 'u'}};
    const std::pair<std::string, std::string> textes[] = {
        {"x", "x"},       {"\xC3\xA9", "\xE9"},     {"\xE2\x82\xAC", "\x80"},
        {"\xCE\xA9", ""}, {"\xC3\x83\xC2\xA9", ""}, {"\xC2\x81", "\x81"}};
    std::mt19937 alea(22);
    for (int essai = 0; essai < 3000; ++essai) {
        std::vector<std::string> avant, apres;
        std::string fichier;
        for (std::size_t n = 1 + alea() % 8; n > 0; --n) {
            avant.push_back(std::next(lignes.begin(), alea() % lignes.size())->first);
            fichier += avant.back() + "\n";
        }
        const std::string cle = "nom_" + std::to_string(alea() % 5);
        const auto& [texte, cp1252] = textes[alea() % std::size(textes)];
        fichier_profil f = profil_de_texte(fichier);
        ecrit_profil(f, "ervaline", cle, texte);
        std::istringstream lu(texte_profil(f));
        for (std::string l; std::getline(lu, l);) apres.push_back(l);
        SCOPED_TRACE(testing::PrintToString(fichier) + " " + cle + "=" + texte);
        std::size_t debut = 0, fin = 0;  // lines alike at the start, at the end
        while (debut < std::min(avant.size(), apres.size()) && avant[debut] == apres[debut])
            ++debut;
        while (debut + fin < std::min(avant.size(), apres.size()) &&
               avant.rbegin()[fin] == apres.rbegin()[fin])
            ++fin;
        ASSERT_LE(avant.size() - debut - fin, 1u);  // the line replaced
        ASSERT_LE(apres.size() - debut - fin, 2u);  // the lines written
        std::string autres;                         // the encodings of the lines before the write
        for (const std::string& l : avant) autres += lignes.at(l);
        const bool en_cp1252 = autres.find('w') != autres.npos && autres.find('u') == autres.npos;
        for (std::size_t n = debut; n < apres.size() - fin; ++n) {
            if (!apres[n].starts_with(cle + "=")) continue;
            EXPECT_EQ(apres[n], cle + "=" + (en_cp1252 && !cp1252.empty() ? cp1252 : texte));
        }
        EXPECT_EQ(lit_profil(profil_de_texte(texte_profil(f)), "ervaline", cle, "", 64), texte);
    }
}

TEST(EnregistreProfil, ASaveReplacesTheFileAsItWasOrSaysWhyAndKeepsTheOldFile) {
    // Root ignores permission bits.
    if (essai::relance_en_tant_que_personne()) return;
    const essai::dossier_temporaire d;
    const fs::path chemin = d.chemin / "ervaline.ini", vrai = d.chemin / "vrai.ini";
    const std::string ancien = e + "nom_0=ancien\n";
    rlimit limite{};
    ::getrlimit(RLIMIT_FSIZE, &limite);
    rlimit petite = limite;
    petite.rlim_cur = 4096;
    const auto ancien_signal = ::signal(SIGXFSZ, SIG_IGN);
    struct cas {
        const char* raison;  // empty for a save that succeeds
        fs::path cible;
        // Called with true before the load, with false after the save.
        std::function<void(bool)> change = [](bool) {};
    };
    const auto limitee = [&](bool avant) { ::setrlimit(RLIMIT_FSIZE, avant ? &petite : &limite); };
    const auto fermee = [&](bool avant) { ::chmod(d.chemin.c_str(), avant ? 0555 : 0755); };
    const cas table[] = {
        {"", chemin},
        // A link stays a link, to a file that keeps its mode.
        {"", chemin,
         [&](bool avant) {
             if (avant) {
                 fs::rename(chemin, vrai);
                 fs::create_symlink(vrai, chemin);
                 ::chmod(vrai.c_str(), 0604);
                 return;
             }
             EXPECT_TRUE(fs::is_symlink(chemin));
             EXPECT_EQ(fs::status(vrai).permissions(), static_cast<fs::perms>(0604));
             fs::remove(chemin);
             fs::rename(vrai, chemin);
         }},
        {"File too large", chemin, limitee},
        {"Not a directory", chemin / "x.ini"},
        {"No such file or directory", d.chemin / "absent" / "x.ini"},
        // A folder closed to new files: the file is written in place, or kept as it was.
        {"", chemin, fermee},
        {"File too large", chemin, [&](bool avant) { fermee(avant), limitee(avant); }},
        {"Permission denied", chemin,
         [&](bool avant) { fermee(avant), ::chmod(chemin.c_str(), avant ? 0444 : 0644); }},
        // A file the reader could not read would lose its content if replaced.
        {"Permission denied", chemin,
         [&](bool avant) { ::chmod(chemin.c_str(), avant ? 0200 : 0600); }},
        // A folder in the file's place cannot be read either.
        {"Is a directory", d.chemin / "dossier.ini",
         [&](bool avant) {
             avant ? fs::create_directory(d.chemin / "dossier.ini")
                   : fs::remove(d.chemin / "dossier.ini");
         }},
    };
    for (const cas& c : table) {
        SCOPED_TRACE(c.raison);
        ecrit_fichier(chemin, ancien);
        c.change(true);
        fichier_profil f = charge_profil(c.cible.string());
        ecrit_profil(f, "ervaline", "nom_0", std::string(8192, 'n'));
        const std::string raison = enregistre_profil(f, c.cible.string());
        c.change(false);
        EXPECT_EQ(raison, c.raison);
        EXPECT_EQ(lit_fichier(chemin), *c.raison != '\0' ? ancien : texte_profil(f));
        EXPECT_EQ(essai::noms_dans(d.chemin), std::vector<std::string>{"ervaline.ini"});
    }
    ::signal(SIGXFSZ, ancien_signal);
}

TEST(EnregistreProfil, AKilledSaveLeavesTheOldOrTheNewFile) {
    const essai::dossier_temporaire d;
    const fs::path chemin = d.chemin / "ervaline.ini";
    // Large enough that a kill often lands inside a write.
    const std::string contenus[] = {e + "nom_0=" + std::string(1 << 18, 'a') + "\n",
                                    "[ervaline]\r\nnom_0=" + std::string(1 << 19, 'b') + "\r\n"};
    const fichier_profil profils[] = {profil_de_texte(contenus[0]), profil_de_texte(contenus[1])};
    ecrit_fichier(chemin, contenus[0]);
    std::mt19937 alea(20240611);
    int vus[2] = {0, 0};
    for (unsigned essai = 0; essai < 200; ++essai) {
        int tube[2];
        ASSERT_EQ(::pipe(tube), 0);
        const pid_t enfant = ::fork();
        ASSERT_GE(enfant, 0);
        if (enfant == 0) {
            // Saves the contents in turn and says when its first save is done: the kill
            // then lands in a later save, over a file that holds one of them.
            for (unsigned n = essai;; ++n) {
                if (!enregistre_profil(profils[n % 2], chemin.string()).empty()) ::_exit(1);
                if (n == essai && ::write(tube[1], "1", 1) != 1) ::_exit(2);
            }
        }
        ::close(tube[1]);
        char fait = 0;
        const bool premier_fait = ::read(tube[0], &fait, 1) == 1;
        ::close(tube[0]);
        if (premier_fait) ::usleep(alea() % 2000);
        ::kill(enfant, SIGKILL);
        int etat = 0;
        ::waitpid(enfant, &etat, 0);
        ASSERT_TRUE(premier_fait && WIFSIGNALED(etat)) << "the saving child failed, " << essai;
        const std::string vu = lit_fichier(chemin);
        ASSERT_TRUE(vu == contenus[0] || vu == contenus[1]) << essai << ": " << vu.size();
        ++vus[vu == contenus[1]];
        for (const auto& x : fs::directory_iterator(d.chemin))
            if (x.path() != chemin) fs::remove(x.path());
    }
    // Both contents were seen: the test did not only watch one old file.
    EXPECT_TRUE(vus[0] > 0 && vus[1] > 0);
}

}  // namespace
}  // namespace horlivet
