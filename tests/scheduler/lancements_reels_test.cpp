// command_M and command_A with the real launcher and the real journal file.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "commun/processus.h"
#include "scheduler/commande.h"
#include "scheduler/tick.h"
#include "support/reel.h"

namespace horlivet {
namespace {

using namespace test;
namespace fs = std::filesystem;
using namespace std::string_literals;
using essai::ecrit_fichier;
using essai::lit_fichier;

// Reaps until no child of ours is left; true when that happened in time.
bool attend_fin_enfants() {
    return essai::attend([] {
        recolte_enfants();
        return essai::nos_enfants().empty();
    });
}

// True when a file named "pwned" exists anywhere under `racine`.
bool trouve_pwned(const fs::path& racine) {
    for (const auto& e : fs::recursive_directory_iterator(racine))
        if (e.path().filename() == "pwned") return true;
    return false;
}

// A script that appends `marque` to the file "marques" of its working folder.
std::string script_marque(const std::string& marque) {
    return "#!/bin/sh\necho " + marque + " >> marques\n";
}

// The result field of each journal line, in order.
std::vector<std::string> resultats(const std::string& journal) {
    std::vector<std::string> r;
    std::size_t debut = 0;
    for (std::size_t fin; (fin = journal.find("\r\n", debut)) != std::string::npos;
         debut = fin + 2) {
        const std::string ligne = journal.substr(debut, fin - debut);
        const std::size_t on = ligne.find("  ***    ON  "), commande = ligne.find("  commande : ");
        std::string resultat = ligne.substr(on + 13, commande - on - 13);
        resultat.erase(0, resultat.find_first_not_of(' '));
        r.push_back(resultat);
    }
    return r;
}

TEST(LancementsReels, ACommandFileDeletedBetweenTwoLaunchesGivesErreur2) {
    banc_reel b;
    ecrit_fichier(b.actions() / "marche.sh", script_marque("marche"));
    fs::permissions(b.actions() / "marche.sh", fs::perms::owner_all);
    ecrit_fichier(b.actions() / "arret.bat", "echo arret >> marques\n");
    ecrit_texte(b.p.fenetre, champ::Commande_marche, 0, "marche.sh");
    ecrit_texte(b.p.fenetre, champ::commande_arret, 0, "arret.bat");
    jours(b.p, 0, {0, 1});
    plage(b.p, 0, 1, 8, 30, 9, 0);
    // The ticks come at once here: each script ends before the next launch, as it would
    // in the half hour between them.
    b.p.s.lance = [](const std::string& fichier, const std::string& dossier) {
        const int code = lance_fichier(fichier, dossier);
        attend_fin_enfants();
        return code;
    };

    const sys_seconds lundi = a(2026y / December / 7d, 8, 0);
    for (b.m.maintenant = lundi; b.m.maintenant < lundi + 2h; b.m.maintenant += 20s)
        Timer1_Timer(b.p);
    ASSERT_TRUE(attend_fin_enfants());
    fs::remove(b.actions() / "marche.sh");
    for (b.m.maintenant = lundi + 24h; b.m.maintenant < lundi + 26h; b.m.maintenant += 20s)
        Timer1_Timer(b.p);
    ASSERT_TRUE(attend_fin_enfants());

    EXPECT_EQ(resultats(lit_fichier(b.journal())),
              (std::vector<std::string>{"OK", "OK", "Erreur 2", "OK"}));
    EXPECT_EQ(lit_fichier(b.actions() / "marques"), "marche\narret\narret\n");
}

TEST(LancementsReels, HostileCommandTextsAreNeverInterpretedAndEachIsOneJournalLine) {
    struct cas {
        const char* nom;
        std::string texte;
        std::string resultat;
    };
    std::string chemin_long;
    while (chemin_long.size() < 5000) chemin_long += "dossier/";
    std::string accents;
    for (int n = 0; n < 5000; ++n) accents += "\xC3\xA9";
    const cas table[] = {
        {"command separator", "x; touch pwned", "Erreur 2"},
        {"after an existing file", "marche.sh; touch pwned", "Erreur 2"},
        {"command substitution", "$(touch pwned)", "Erreur 2"},
        {"backquotes", "`touch pwned`", "Erreur 2"},
        {"pipe and redirection", "| touch pwned > pwned", "Erreur 2"},
        {"and-list", "marche.sh && touch pwned", "Erreur 2"},
        {"quotes", "'; touch pwned; '", "Erreur 2"},
        {"line feed", "marche.sh\ntouch pwned", "Erreur 2"},
        {"CR LF", "marche.sh\r\ntouch pwned", "Erreur 2"},
        {"carriage return", "touch pwned\r", "Erreur 2"},
        {"NUL byte", "marche.sh\0; touch pwned"s, "Erreur 2"},
        {"glob", "*", "Erreur 2"},
        {"glob after a name", "marche.*", "Erreur 2"},
        {"home folder", "~/pwned", "Erreur 3"},
        {"parent folder", "../pwned", "Erreur 2"},
        {"option", "-c touch pwned", "Erreur 2"},
        {"format directives", "%n%s%s%s%x", "Erreur 2"},
        {"invalid UTF-8", "\xFF\xFE; touch pwned", "Erreur 2"},
        {"truncated UTF-8", "\xC3", "Erreur 2"},
        {"5000-character name", std::string(5000, 'a'), "Erreur 3"},
        {"5000-character path", chemin_long, "Erreur 3"},
        {"5000 accented characters", accents, "Erreur 3"},
        {"a file that has a shell line for a name", "a; touch pwned $(id)", "OK"},
    };
    banc_reel b;
    ecrit_fichier(b.actions() / "marche.sh", script_marque("marche"));
    fs::permissions(b.actions() / "marche.sh", fs::perms::owner_all);
    ecrit_fichier(b.actions() / "a; touch pwned $(id)", script_marque("nom"));
    fs::permissions(b.actions() / "a; touch pwned $(id)", fs::perms::owner_all);

    for (const cas& c : table) {
        SCOPED_TRACE(c.nom);
        const std::string avant = lit_fichier(b.journal());
        ecrit_texte(b.p.fenetre, champ::Commande_marche, 0, c.texte);
        command_M(b.p, 0);
        ASSERT_TRUE(attend_fin_enfants());

        const std::string ligne = lit_fichier(b.journal()).substr(avant.size());
        ASSERT_TRUE(ligne.ends_with("\r\n")) << ligne;
        EXPECT_EQ(ligne.find_first_of("\r\n"), ligne.size() - 2) << "one line";
        EXPECT_EQ(resultats(ligne), std::vector<std::string>{c.resultat});
        EXPECT_FALSE(trouve_pwned(b.dossier.chemin));
        EXPECT_FALSE(fs::exists("pwned"));
    }
    // Only the file named like a shell line ran, as a file.
    EXPECT_EQ(lit_fichier(b.actions() / "marques"), "nom\n");
    std::vector<std::string> noms = essai::noms_dans(b.actions());
    EXPECT_EQ(noms, (std::vector<std::string>{"a; touch pwned $(id)", "marche.sh", "marques"}));
}

}  // namespace
}  // namespace horlivet
