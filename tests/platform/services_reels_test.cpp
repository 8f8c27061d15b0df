// The end of the process as the real services make it: at once, status 0, with what
// was buffered written out, the reports on standard error, a message on one line.

#include "platform/services_reels.h"

#include <cstdio>

#include <gtest/gtest.h>

#include "commun/fichiers.h"

namespace horlivet {
namespace {

TEST(ServicesReels, SignaleWritesOneLineAndTermineEndsAtOnceWithWhatWasBufferedWritten) {
    const essai::dossier_temporaire d;
    const std::string tampon = (d.chemin / "tampon").string();
    EXPECT_EXIT(
        {
            const services s = services_reels();
            std::fputs("en attente", std::fopen(tampon.c_str(), "w"));
            s.signale("journal x: plein");
            s.message("Erreur", "ligne 1\r\nligne 2\nligne 3");
            s.termine(0);
        },
        testing::ExitedWithCode(0),
        "^horlivet: journal x: plein\nErreur: ligne 1  ligne 2 ligne 3\n$");
    EXPECT_EQ(essai::lit_fichier(tampon), "en attente");
}

}  // namespace
}  // namespace horlivet
