#include "model/widgets.h"

#include <stdexcept>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "model/horaires.h"

namespace horlivet {
namespace {

TEST(Widgets, WritesByCodeNotifyOnlyRealChangesValueEditsReachTheHandlersOneOptionIsSet) {
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
    EXPECT_EQ(editions, (std::vector<std::pair<champ, int>>{
                            {champ::nom, 3}, {champ::Mardi, 2}, {champ::H_marche_4, 7}}));
    EXPECT_EQ(affichages.size(), 5u);

    // The option group keeps exactly one selected; a day or a slot number out of range is
    // refused where an unchecked array would be indexed.
    selectionne_option(f, 4);
    selectionne_option(f, 6);
    for (int i = 0; i < nb_voies; ++i) EXPECT_EQ(coche(f, champ::Option1, i), i == 6);
    EXPECT_THROW(jour(7), std::out_of_range);
    EXPECT_THROW(valid_k(0), std::out_of_range);
    EXPECT_THROW(debut_k(horaires{}, 5, 0), std::out_of_range);
    EXPECT_THROW(fin_k(horaires{}, 0, 0), std::out_of_range);

    // A combo shows the item at its position, or nothing outside its list.
    f.liste_heures = {" 0", " 1"};
    for (const auto& [position, texte] :
         std::vector<std::pair<int, std::string>>{{-1, ""}, {0, " 0"}, {1, " 1"}, {2, ""}}) {
        ecrit_position(f, champ::H_arret_2, 1, position);
        EXPECT_EQ(texte_combo(f, champ::H_arret_2, 1), texte) << position;
    }
}

}  // namespace
}  // namespace horlivet
