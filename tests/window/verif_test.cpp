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

    // The texts of the warnings shown, in order.
    std::vector<std::string> messages() const {
        std::vector<std::string> r;
        for (const auto& [titre, texte] : m.messages) {
            EXPECT_EQ(titre, "ervaline");
            r.push_back(texte);
        }
        return r;
    }
};

TEST_F(Verif, WarningTextsAreExact) {
    EXPECT_EQ(texte_incoherence(0),
              "le séquencement des heures de l'ervaline : 1\r\nne semble pas cohérent");
    EXPECT_EQ(texte_recouvrement(7),
              "attention , il est préférable  d'ordonner les heures afin d'éviter les "
              "recouvrements  d'actions \r\n(l'ervaline concerné est le : 8");
    message_incoherence(p, 7);
    message_recouvrement(p, 0);
    ASSERT_EQ(m.messages.size(), 2u);
    EXPECT_EQ(m.messages[0], std::make_pair(std::string("ervaline"), texte_incoherence(7)));
    EXPECT_EQ(m.messages[1], std::make_pair(std::string("ervaline"), texte_recouvrement(0)));
}

TEST_F(Verif, EachEnabledSlotMustStopAfterItStarts) {
    struct cas {
        const char* nom;
        int h1, m1, h2, m2;
        bool active;
        bool averti;
    };
    const cas table[] = {
        {"start equal to stop", 8, 0, 8, 0, true, true},
        {"crossing midnight", 22, 0, 2, 0, true, true},
        {"ordinary", 8, 0, 8, 1, true, false},
        {"disabled, whatever its times", 22, 0, 2, 0, false, false},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.nom);
        m.messages.clear();
        plage(p, 3, 2, c.h1, c.m1, c.h2, c.m2, c.active);
        verif_suite(p);
        EXPECT_EQ(m.messages.size(), c.averti ? 1u : 0u);
    }
}

TEST_F(Verif, OneWarningPerCallNamingTheHighestFailingChannel) {
    plage(p, 2, 1, 9, 0, 8, 0);
    plage(p, 5, 3, 9, 0, 9, 0);
    plage(p, 5, 4, 10, 0, 9, 0);
    plage(p, 6, 1, 8, 0, 9, 0);  // passes
    verif_suite(p);
    EXPECT_EQ(messages(), std::vector<std::string>{texte_incoherence(5)});

    m.messages.clear();
    plage(p, 3, 1, 11, 0, 10, 0);  // an incoherent slot 1 and a coherent slot 2
    plage(p, 3, 2, 12, 0, 13, 0);
    plage(p, 2, 1, 8, 0, 9, 0, false);
    plage(p, 5, 3, 8, 0, 9, 0, false);
    plage(p, 5, 4, 8, 0, 9, 0, false);
    verif_suite(p);
    EXPECT_EQ(messages(), std::vector<std::string>{texte_incoherence(3)});
}

TEST_F(Verif, EachEnabledSlotMustStartAfterThePreviousEnabledOneStopped) {
    struct cas {
        const char* nom;
        std::vector<std::array<int, 5>> plages;  // h1, m1, h2, m2, enabled
        bool averti;
    };
    const cas table[] = {
        {"touching slots count as overlap", {{8, 0, 10, 0, 1}, {10, 0, 11, 0, 1}}, true},
        {"slots out of order", {{10, 0, 11, 0, 1}, {8, 0, 9, 0, 1}}, true},
        {"a disabled slot is skipped and is no reference",
         {{8, 0, 10, 0, 1}, {9, 0, 23, 0, 0}, {11, 0, 12, 0, 1}},
         false},
        {"the first reference is midnight", {{8, 0, 9, 0, 0}, {0, 0, 1, 0, 1}}, true},
        {"slot 1 at midnight is never compared", {{0, 0, 1, 0, 1}, {2, 0, 3, 0, 1}}, false},
        {"a slot's own start and stop are not its concern",
         {{9, 0, 8, 0, 1}, {10, 0, 11, 0, 1}},
         false},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.nom);
        m.messages.clear();
        for (int k = 1; k <= nb_plages; ++k) plage(p, 1, k, 0, 0, 0, 0, false);
        int k = 1;
        for (const auto& s : c.plages) plage(p, 1, k++, s[0], s[1], s[2], s[3], s[4] != 0);
        verif_suite_2(p);
        EXPECT_EQ(messages(), c.averti ? std::vector<std::string>{texte_recouvrement(1)}
                                       : std::vector<std::string>{});
    }
}

TEST_F(Verif, ChecksReadTheSavedTimesNotTheCombos) {
    plage(p, 0, 1, 8, 0, 9, 0);
    ecrit_position(p.fenetre, champ::H_arret_1, 0, 7);  // edited, not saved
    verif_suite(p);
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
    ecrit_coche(f, champ::valid_3, 4, true);
    ecrit_coche(f, champ::jeudi, 4, false);  // the last day unticked
    EXPECT_EQ(couleurs(3), gris);
    EXPECT_TRUE(coche(f, champ::valid_3, 4));
}

}  // namespace
}  // namespace horlivet
