#include "model/soleil.h"

#include <gtest/gtest.h>

#include "model/horaires_du_jour.h"

namespace horlivet {
namespace {

TEST(Soleil, ReadsTheRulesAPersonWritesAndRefusesTheRest) {
    const struct {
        const char* texte;
        const char* relu;  // "" when refused
    } table[] = {
        {"coucher+30 apres 17:00 avant 22:00", "coucher+30 apres 17:00 avant 22:00"},
        {"  lever - 15 ", "lever-15"},
        {"coucher avant 9:05 après 08:00", "coucher apres 08:00 avant 09:05"},
        {"lever+0", "lever"},
        {"midi", ""},
        {"coucher+30min", ""},
        {"coucher+721", ""},
        {"coucher apres 24:00", ""},
        {"coucher apres 17:00 apres 18:00", ""},
        {"coucher avant", ""},
        {"", ""},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.texte);
        const auto r = lit_regle_soleil(c.texte);
        EXPECT_EQ(r ? texte_regle_soleil(*r) : "", c.relu);
    }
}

// The draw at its extremes: a start drawn as late and a stop as early as they may be
// still meet, never cross; the day's draw is kept for the day.
TEST(Soleil, ADrawnStartNeverPassesItsDrawnStop) {
    programme p;
    p.h.debut[0][0] = heure_de(10, 0);
    p.h.fin[0][0] = heure_de(10, 10);
    regles_k(p.g.variables, 1, 0).alea_debut = 15;
    regles_k(p.g.variables, 1, 0).alea_fin = 15;
    bool vers_le_haut = true;
    p.s.aleatoire = [&vers_le_haut](int min, int max) {
        vers_le_haut = !vers_le_haut;
        return vers_le_haut ? min : max;
    };
    retient_fixes(p);
    date_heure d;
    EXPECT_TRUE(horaires_du_jour(p, d));
    EXPECT_EQ(p.h.debut[0][0], heure_de(10, 5));
    EXPECT_EQ(p.h.fin[0][0], heure_de(10, 5));
    p.g.variables.date = 0;
    EXPECT_FALSE(horaires_du_jour(p, d));
    EXPECT_EQ(p.h.debut[0][0], heure_de(10, 5));
}

// Every slot side of a day asks for the same days' events: each is worked out once, and
// each side still gets its own date's event. The events move a minute a day, so an
// event of the wrong day gives the wrong minute or none.
TEST(Soleil, TheDaysEventsAreWorkedOutOnceForAllTheSlots) {
    programme p;
    p.g.variables.place = lieu{48.8566, 2.3522};
    int appels = 0;
    p.s.soleil = [&appels](double, double, std::chrono::sys_seconds jour) {
        ++appels;
        const auto minute =
            std::chrono::minutes(jour.time_since_epoch() / std::chrono::days(1) % 60);
        return soleil_brut{0, jour + std::chrono::hours(8) - minute,
                           jour + std::chrono::hours(17) + minute};
    };
    for (int k = 1; k <= nb_plages; ++k) {
        for (int i = 0; i < nb_voies; ++i) {
            regles_k(p.g.variables, k, i).soleil_debut = regle_soleil{true, k, {}, {}};
            regles_k(p.g.variables, k, i).soleil_fin = regle_soleil{};
        }
    }
    retient_fixes(p);
    date_heure d;  // 2026-01-01: day 20454 of the epoch, 54 minutes
    horaires_du_jour(p, d);
    EXPECT_LE(appels, 3);
    for (int k = 1; k <= nb_plages; ++k) {
        for (int i = 0; i < nb_voies; ++i) {
            SCOPED_TRACE(k * 10 + i);
            EXPECT_EQ(p.h.debut[static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(i)],
                      heure_de(17, 54 + k));
            EXPECT_EQ(p.h.fin[static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(i)],
                      heure_de(7, 6));
        }
    }
}

}  // namespace
}  // namespace horlivet
