// command_M with the real launcher and the real journal file.

#include <algorithm>
#include <filesystem>
#include <sstream>
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

// The result field of a journal line: between "ON" and "commande".
std::string resultat(const std::string& ligne) {
    const std::size_t on = ligne.find("  ***    ON  ") + 13;
    const std::string r = ligne.substr(on, ligne.find("  commande : ") - on);
    return r.substr(r.find_first_not_of(' '));
}

// A file removed while its slot waits for its next start: that start fails with "Erreur
// 2", is journalled, and the slot's stop still follows.
TEST(LancementsReels, ACommandFileDeletedBetweenTwoLaunchesGivesErreur2) {
    banc_reel b;
    ecrit_fichier(b.actions() / "marche.sh", "#!/bin/sh\necho marche >> marques\n");
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

    std::vector<std::string> resultats;
    std::istringstream journal(lit_fichier(b.journal()));
    for (std::string ligne; std::getline(journal, ligne);) resultats.push_back(resultat(ligne));
    EXPECT_EQ(resultats, (std::vector<std::string>{"OK", "OK", "Erreur 2", "OK"}));
    // The scripts run beside each other: only what each wrote counts, not the order.
    std::string marques = lit_fichier(b.actions() / "marques");
    std::vector<std::string> lignes;
    std::istringstream flux(marques);
    for (std::string ligne; std::getline(flux, ligne);) lignes.push_back(ligne);
    std::sort(lignes.begin(), lignes.end());
    EXPECT_EQ(lignes, (std::vector<std::string>{"arret", "arret", "marche"}));
}

TEST(LancementsReels, HostileCommandTextsAreNeverInterpretedAndEachIsOneJournalLine) {
    struct cas {
        const char* nom;
        std::string texte;
        std::string resultat;
    };
    std::string accents;
    for (int n = 0; n < 5000; ++n) accents += "\xC3\xA9";
    const cas table[] = {
        {"command separator", "x; touch pwned", "Erreur 2"},
        {"after an existing file", "marche.sh; touch pwned", "Erreur 2"},
        {"command substitution", "$(touch pwned)", "Erreur 2"},
        {"backquotes", "`touch pwned`", "Erreur 2"},
        {"pipe and redirection", "| touch pwned > pwned", "Erreur 2"},
        {"line feed", "marche.sh\ntouch pwned", "Erreur 2"},
        {"CR LF", "marche.sh\r\ntouch pwned", "Erreur 2"},
        {"NUL byte", "marche.sh\0; touch pwned"s, "Erreur 2"},
        {"glob", "*", "Erreur 2"},
        {"home folder", "~/pwned", "Erreur 3"},
        {"option", "-c touch pwned", "Erreur 2"},
        {"format directives", "%n%s%s%s%x", "Erreur 2"},
        {"invalid UTF-8", "\xFF\xFE; touch pwned", "Erreur 2"},
        {"5000-character name", std::string(5000, 'a'), "Erreur 3"},
        {"5000 accented characters", accents, "Erreur 3"},
        {"a file that has a shell line for a name", "a; touch pwned $(id)", "OK"},
    };
    banc_reel b;
    // Each appends its name to "marques" in its working folder.
    for (const char* nom : {"marche.sh", "a; touch pwned $(id)"}) {
        ecrit_fichier(b.actions() / nom, "#!/bin/sh\necho '"s + nom + "' >> marques\n");
        fs::permissions(b.actions() / nom, fs::perms::owner_all);
    }

    for (const cas& c : table) {
        SCOPED_TRACE(c.nom);
        const std::string avant = lit_fichier(b.journal());
        ecrit_texte(b.p.fenetre, champ::Commande_marche, 0, c.texte);
        command_M(b.p, 0);
        ASSERT_TRUE(attend_fin_enfants());

        const std::string ligne = lit_fichier(b.journal()).substr(avant.size());
        ASSERT_TRUE(ligne.ends_with("\r\n")) << ligne;
        EXPECT_EQ(ligne.find_first_of("\r\n"), ligne.size() - 2) << "one line";
        EXPECT_EQ(resultat(ligne), c.resultat);
        EXPECT_FALSE(trouve_pwned(b.dossier.chemin));
        EXPECT_FALSE(fs::exists("pwned"));
    }
    // Only the file named like a shell line ran, as a file.
    EXPECT_EQ(lit_fichier(b.actions() / "marques"), "a; touch pwned $(id)\n");
    std::vector<std::string> noms = essai::noms_dans(b.actions());
    EXPECT_EQ(noms, (std::vector<std::string>{"a; touch pwned $(id)", "marche.sh", "marques"}));
}

}  // namespace
}  // namespace horlivet
