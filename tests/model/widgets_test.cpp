#include "model/widgets.h"

#include <stdexcept>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "model/horaires.h"

namespace horlivet {
namespace {

TEST(Widgets, WritesByCodeNotifyOnlyRealChangesAndValueEditsReachTheHandlers) {
    ervaline f = cree_ervaline();
    std::vector<std::pair<champ, int>> editions, affichages;
    f.sur_edition = [&](champ c, int i) { editions.emplace_back(c, i); };
    f.sur_affichage = [&](champ c, int i) { affichages.emplace_back(c, i); };

    ecrit_texte(f, champ::nom, 3, "Pompe");
    ecrit_texte(f, champ::nom, 3, "Pompe");  // unchanged: no notification
    ecrit_coche(f, champ::Mardi, 2, true);
    ecrit_position(f, champ::H_marche_4, 7, 23);
    ecrit_fond(f, champ::H_marche_4, 7, vert_clair);  // the view only
    ecrit_visible(f, champ::erva, 5, false);          // the view only

    const std::vector<std::pair<champ, int>> attendues = {
        {champ::nom, 3}, {champ::Mardi, 2}, {champ::H_marche_4, 7}};
    EXPECT_EQ(editions, attendues);
    EXPECT_EQ(affichages.size(), 5u);
}

TEST(Widgets, OptionGroupKeepsExactlyOneSelected) {
    ervaline f = cree_ervaline();
    selectionne_option(f, 4);
    selectionne_option(f, 6);
    int selectionnes = 0;
    for (int i = 0; i < nb_voies; ++i) selectionnes += coche(f, champ::Option1, i);
    EXPECT_EQ(selectionnes, 1);
    EXPECT_TRUE(coche(f, champ::Option1, 6));
    EXPECT_THROW(selectionne_option(f, 8), std::out_of_range);
    EXPECT_TRUE(coche(f, champ::Option1, 6));
}

TEST(Widgets, NewWindowHasLightYellowNamesAndSelectors) {
    const ervaline f = cree_ervaline();
    for (int i = 0; i < nb_voies; ++i) {
        EXPECT_EQ(lit(f, champ::nom, i).fond, jaune_clair);
        EXPECT_EQ(lit(f, champ::Option1, i).fond, jaune_clair);
    }
    EXPECT_THROW(lit(f, champ::nom, -1), std::out_of_range);
}

TEST(Horaires, RefreshTakesTheCombosAndRefusesBadIndices) {
    ervaline f = cree_ervaline();
    ecrit_position(f, champ::H_marche_1, 2, 23);
    ecrit_position(f, champ::M_marche_1, 2, 59);
    ecrit_position(f, champ::H_arret_3, 2, 7);
    ecrit_position(f, champ::M_arret_3, 2, 5);
    horaires h;
    rafraichit_horaires(h, f, 2);
    EXPECT_EQ(debut_k(h, 1, 2), 23 * 3600 + 59 * 60);
    EXPECT_EQ(fin_k(h, 3, 2), 7 * 3600 + 5 * 60);
    EXPECT_EQ(debut_k(h, 1, 3), 0);  // other channels untouched

    ecrit_position(f, champ::H_marche_1, 2, 8);  // an edit alone does not reach horaires
    EXPECT_EQ(debut_k(h, 1, 2), 23 * 3600 + 59 * 60);

    EXPECT_THROW(debut_k(h, 1, 8), std::out_of_range);
    EXPECT_THROW(fin_k(h, 0, 0), std::out_of_range);
    EXPECT_THROW(rafraichit_horaires(h, f, -1), std::out_of_range);
}

}  // namespace
}  // namespace horlivet
