// The folder's lock: taken over whatever a dead holder left, refused through a link or on
// anything but a regular file, and a second attempt names the holder.

#include "platform/verrou.h"

#include <filesystem>
#include <functional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "commun/fichiers.h"

namespace horlivet {
namespace {

namespace fs = std::filesystem;
using essai::ecrit_fichier;
using essai::lit_fichier;

TEST(Verrou, TakenOverWhatADeadHolderLeftRefusedOnALinkOrNonFileAndNamesItsHolder) {
    const std::string nous = std::to_string(getpid()) + "\n";
    const struct {
        const char* nom;
        std::function<void(const fs::path&)> prepare;
        verrou::issue attendu;
    } lignes[] = {
        {"no file", [](const fs::path&) {}, verrou::issue::pris},
        {"a dead holder's longer id",
         [](const fs::path& f) { ecrit_fichier(f, "4194304999\nreste"); }, verrou::issue::pris},
        {"a link to a file outside",
         [](const fs::path& f) { fs::create_symlink(f.parent_path() / "dehors", f); },
         verrou::issue::impossible},
        {"a FIFO", [](const fs::path& f) { mkfifo(f.c_str(), 0644); }, verrou::issue::impossible},
        {"a folder", [](const fs::path& f) { fs::create_directory(f); }, verrou::issue::impossible},
    };
    for (const auto& ligne : lignes) {
        SCOPED_TRACE(ligne.nom);
        const essai::dossier_temporaire d;
        const fs::path fichier = d.chemin / fichier_verrou;
        ecrit_fichier(d.chemin / "dehors", "intact");
        ligne.prepare(fichier);
        EXPECT_EQ(prend_verrou(d.chemin.string()).etat, ligne.attendu);
        EXPECT_EQ(lit_fichier(d.chemin / "dehors"), "intact");
        if (ligne.attendu != verrou::issue::pris) continue;
        EXPECT_EQ(lit_fichier(fichier), nous);
        // Another open of the file, as a second program makes it, finds it held.
        const verrou second = prend_verrou(d.chemin.string());
        EXPECT_EQ(second.etat, verrou::issue::occupe);
        EXPECT_EQ(second.detenteur, getpid());
        EXPECT_EQ(lit_fichier(fichier), nous);
    }
}

}  // namespace
}  // namespace horlivet
