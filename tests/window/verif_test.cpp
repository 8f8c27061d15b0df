// Which slots fail the ordering checks, and what the window says of them.

#include "window/verif.h"

#include <random>

#include <gtest/gtest.h>

#include "support/faux.h"

namespace horlivet {
namespace {

using namespace test;

struct Verif : testing::Test, banc_faux {};

TEST_F(Verif, EveryFailingChannelAndSlotIsListed) {
    // Channel 1: slot 2 overlaps slot 1; slot 4 starts when slot 2 stops, slot 3
    // (disabled) between them counts for nothing.
    horaire{
        0,
        {},
        {{1, 8, 0, 10, 0, 1}, {2, 9, 0, 11, 0, 1}, {3, 12, 0, 13, 0, 0}, {4, 11, 0, 12, 0, 1}}}(p);
    horaire{2, {}, {{1, 0, 0, 1, 0, 1}}}(p);  // slot 1 at midnight is never compared
    horaire{3, {}, {{2, 0, 0, 1, 0, 1}}}(p);  // the first enabled slot starts at midnight
    // Slot 1 stops before it starts; slot 2 after its stop is in order.
    horaire{5, {}, {{1, 22, 0, 6, 0, 1}, {2, 7, 0, 8, 0, 1}}}(p);
    horaire{6, {}, {{1, 22, 0, 6, 0, 0}}}(p);  // a disabled slot is never incoherent
    // Slot 2 stops as it starts, slot 3 starts at that same minute.
    horaire{7, {}, {{2, 10, 0, 10, 0, 1}, {3, 10, 0, 11, 0, 1}}}(p);

    EXPECT_EQ(plages_incoherentes(p), (std::vector<faute_plage>{{5, 1, 0}, {7, 2, 0}}));
    EXPECT_EQ(plages_recouvrantes(p),
              (std::vector<faute_plage>{{0, 2, 1}, {0, 4, 2}, {3, 2, 0}, {7, 3, 2}}));
}

TEST_F(Verif, TheWindowWarnsExactlyWhenAListIsNotEmptyAndNamesItsLastChannel) {
    std::mt19937 hasard(20261207);
    std::uniform_int_distribution<int> heure(0, 23), minute(0, 3), bit(0, 2);
    for (int essai = 0; essai < 300; ++essai) {
        for (int i = 0; i < nb_voies; ++i) {
            for (int k = 1; k <= nb_plages; ++k) {
                plage(p, i, k, heure(hasard), minute(hasard) * 20, heure(hasard),
                      minute(hasard) * 20, bit(hasard) == 0);
            }
        }
        const struct {
            std::vector<faute_plage> liste;
            void (*verif)(programme&);
            std::string (*texte)(int);
        } paires[] = {{plages_incoherentes(p), verif_suite, texte_incoherence},
                      {plages_recouvrantes(p), verif_suite_2, texte_recouvrement}};
        for (const auto& paire : paires) {
            m.messages.clear();
            paire.verif(p);
            ASSERT_EQ(m.messages.size(), paire.liste.empty() ? 0u : 1u);
            if (!paire.liste.empty()) {
                EXPECT_EQ(m.messages[0].second, paire.texte(paire.liste.back().voie));
            }
        }
    }
}

TEST_F(Verif, WarningTextsAreExactAndTheChecksReadTheSavedTimesNotTheCombos) {
    message_incoherence(p, 0);
    message_recouvrement(p, 7);
    EXPECT_EQ(
        m.messages,
        (std::vector<std::pair<std::string, std::string>>{
            {"ervaline", "le séquencement des heures de l'ervaline : 1\r\nne semble pas cohérent"},
            {"ervaline",
             "attention , il est préférable  d'ordonner les heures afin d'éviter les "
             "recouvrements  d'actions \r\n(l'ervaline concerné est le : 8"}}));
    m.messages.clear();
    plage(p, 0, 1, 8, 0, 9, 0);
    ecrit_position(p.fenetre, champ::H_arret_1, 0, 7);  // edited, not saved
    verif_suite(p);
    verif_suite_2(p);
    EXPECT_TRUE(m.messages.empty());
}

}  // namespace
}  // namespace horlivet
