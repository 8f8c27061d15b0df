#include "model/widgets.h"

#include <stdexcept>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

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
    EXPECT_THROW(selectionne_option(f, 8), std::out_of_range);
    EXPECT_TRUE(coche(f, champ::Option1, 6));
    EXPECT_THROW(lit(f, champ::nom, -1), std::out_of_range);
}

}  // namespace
}  // namespace horlivet
