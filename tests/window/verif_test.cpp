// Which slots fail the checks is tested against the lists of the plan viewer
// (plan_test); here, what the window shows of them.

#include "window/verif.h"

#include <gtest/gtest.h>

#include "support/faux.h"

namespace horlivet {
namespace {

using namespace test;

struct Verif : testing::Test {
    programme p;
    faux_monde m;
    void SetUp() override { prepare(p, m); }
};

TEST_F(Verif, WarningTextsAreExact) {
    message_incoherence(p, 0);
    message_recouvrement(p, 7);
    using message = std::pair<std::string, std::string>;
    EXPECT_EQ(
        m.messages,
        (std::vector<message>{
            {"ervaline", "le séquencement des heures de l'ervaline : 1\r\nne semble pas cohérent"},
            {"ervaline",
             "attention , il est préférable  d'ordonner les heures afin "
             "d'éviter les recouvrements  d'actions \r\n(l'ervaline "
             "concerné est le : 8"}}));
}

TEST_F(Verif, ChecksReadTheSavedTimesNotTheCombos) {
    plage(p, 0, 1, 8, 0, 9, 0);
    ecrit_position(p.fenetre, champ::H_arret_1, 0, 7);  // edited, not saved
    verif_suite(p);
    verif_suite_2(p);
    EXPECT_TRUE(m.messages.empty());
}

TEST_F(Verif, SlotColoursFollowTheSlotBoxAndTheDays) {
    ervaline& f = p.fenetre;
    auto couleurs = [&](int k) {
        std::vector<couleur> r;
        for (champ c : {H_marche(k), H_arret(k), M_marche(k), M_arret(k)})
            r.push_back(lit(f, c, 4).fond);
        return r;
    };
    const std::vector<couleur> verts(4, vert_clair), gris(4, gris_clair);

    ecrit_coche(f, champ::valid_3, 4, true);  // no day yet
    EXPECT_EQ(couleurs(3), gris);
    ecrit_coche(f, champ::jeudi, 4, true);
    EXPECT_EQ(couleurs(3), verts);
    EXPECT_EQ(couleurs(1), gris);  // a disabled slot stays grey
    cache_marque(f);
    ecrit_coche(f, champ::valid_3, 4, false);
    EXPECT_EQ(couleurs(3), gris);
    EXPECT_TRUE(marque_visible(f));  // whatever the colour
}

}  // namespace
}  // namespace horlivet
