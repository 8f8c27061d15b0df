// Which slots fail the ordering checks, and what the window says of them.

#include "window/verif.h"

#include <gtest/gtest.h>

#include "support/faux.h"

namespace horlivet {
namespace {

using namespace test;

TEST(Verif, EveryFailingSlotIsListedFromTheSavedTimesAndOneWarningNamesTheLastChannel) {
    banc_faux b;
    programme& p = b.p;
    // Channel 1: slot 2 overlaps slot 1; slot 4 starts when slot 2 stops, slot 3
    // (disabled) between them counts for nothing.
    horaire{
        0,
        {},
        {{1, 8, 0, 10, 0, 1}, {2, 9, 0, 11, 0, 1}, {3, 12, 0, 13, 0, 0}, {4, 11, 0, 12, 0, 1}}}(p);
    horaire{2, {}, {{1, 0, 0, 1, 0, 1}}}(p);  // slot 1 at midnight is never compared
    horaire{3, {}, {{2, 0, 0, 1, 0, 1}}}(p);  // the first enabled slot starts at midnight
    horaire{4, {}, {{1, 8, 0, 9, 0, 1}}}(p);
    ecrit_position(p.fenetre, champ::H_arret_1, 4, 7);  // edited, not saved: still in order
    // Slot 1 stops before it starts; slot 2 after its stop is in order.
    horaire{5, {}, {{1, 22, 0, 6, 0, 1}, {2, 7, 0, 8, 0, 1}}}(p);
    horaire{6, {}, {{1, 22, 0, 6, 0, 0}}}(p);  // a disabled slot is never incoherent
    // Slot 2 stops as it starts, slot 3 starts at that same minute.
    horaire{7, {}, {{2, 10, 0, 10, 0, 1}, {3, 10, 0, 11, 0, 1}}}(p);

    EXPECT_EQ(plages_incoherentes(p), (std::vector<faute_plage>{{5, 1, 0}, {7, 2, 0}}));
    EXPECT_EQ(plages_recouvrantes(p),
              (std::vector<faute_plage>{{0, 2, 1}, {0, 4, 2}, {3, 2, 0}, {7, 3, 2}}));
    verif_suite(p);
    verif_suite_2(p);
    EXPECT_EQ(
        b.m.messages,
        (std::vector<std::pair<std::string, std::string>>{
            {"ervaline", "le séquencement des heures de l'ervaline : 8\r\nne semble pas cohérent"},
            {"ervaline",
             "attention , il est préférable  d'ordonner les heures afin d'éviter les "
             "recouvrements  d'actions \r\n(l'ervaline concerné est le : 8"}}));

    // In order: no warning.
    banc_faux vide;
    verif_suite(vide.p);
    verif_suite_2(vide.p);
    EXPECT_TRUE(vide.m.messages.empty());
}

}  // namespace
}  // namespace horlivet
