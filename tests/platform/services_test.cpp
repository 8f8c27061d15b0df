// The end of the process as the real services make it: at once, status 0, with what
// was buffered written out, the reports on standard error.

#include "platform/services.h"

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
            s.termine(0);
        },
        testing::ExitedWithCode(0), "^horlivet: journal x: plein\n$");
    EXPECT_EQ(essai::lit_fichier(tampon), "en attente");
}

}  // namespace
}  // namespace horlivet
