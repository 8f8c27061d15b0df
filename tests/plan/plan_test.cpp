#include "plan/plan.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "scheduler/tick.h"
#include "support/faux.h"

namespace horlivet {
namespace {

using namespace test;

constexpr year_month_day lundi_7{2026y, December, 7d};  // a Monday

// A launch as "2026-12-14 22:00:00 +561600s", or "none".
std::string decrit(const std::optional<lancement_prevu>& l) {
    if (!l) return "none";
    const date_heure& d = l->quand;
    char texte[64];
    std::snprintf(texte, sizeof texte, "%04d-%02d-%02d %02d:%02d:%02d +%llds", d.annee, d.mois,
                  d.jour, d.secondes / 3600, d.secondes / 60 % 60, d.secondes % 60,
                  static_cast<long long>(l->dans.count()));
    return texte;
}

// The scheduler itself, started at `maintenant` on the same schedule: the first start and
// stop launch of each channel within jours_simules days, ticks one period apart.
std::array<std::array<std::string, 2>, nb_voies> reference(const horaire& h,
                                                           sys_seconds maintenant) {
    banc_faux b;
    h(b.p);
    commandes_nommees(b.p);
    simule(b.p, b.m, maintenant + 20s, maintenant + days(jours_simules) + 1s);
    std::array<std::array<std::string, 2>, nb_voies> r;
    r.fill({"none", "none"});
    for (const auto& l : b.m.lancements) {
        std::string& premier = r.at(std::size_t(l.fichier.at(1) - '0'))[l.fichier[0] == 'A'];
        if (premier == "none")
            premier = decrit(lancement_prevu{date_de(l.quand), l.quand - maintenant});
    }
    return r;
}

TEST(ProchainsLancements, MatchTheSchedulerRunFromNow) {
    auto le = [](int jour, int h, int mi, int s = 0) { return a(lundi_7, h, mi, s) + days(jour); };
    struct cas {
        const char* nom;
        horaire h;
        sys_seconds maintenant;
        const char* lance;  // which of start, stop come within the days looked at
    };
    const std::vector<cas> table = {
        cas("a same-minute slot starts and stops in one tick",
            horaire{2, {0}, {{1, 7, 0, 7, 0, 1}}}, le(0, 6, 59, 5), "MA"),
        cas("an overnight slot stops on the next ticked day, over unticked ones",
            horaire{1, {0, 3}, {{1, 22, 0, 6, 0, 1}}}, le(0, 12, 0), "MA"),
        cas("unticked days are skipped up to the only ticked one",
            horaire{6, {6}, {{3, 12, 0, 12, 30, 1}}}, le(0, 0, 0), "MA"),
        cas("a slot at 23:59 is caught in its last seconds",
            horaire{0, {0, 1}, {{1, 23, 59, 23, 59, 1}}}, le(0, 23, 59, 30), "MA"),
        cas("a 23:59 slot whose minute has passed waits for the next day",
            horaire{0, {0, 1}, {{1, 23, 59, 23, 59, 1}}}, le(0, 23, 59, 45), "MA"),
        cas("a stop at 23:59 comes only after a start of this run",
            horaire{4, {0, 1}, {{2, 23, 0, 23, 59, 1}}}, le(0, 23, 30), "MA"),
        cas("now inside a slot: its stop is not before the next start",
            horaire{0, {0, 1}, {{1, 8, 30, 9, 0, 1}}}, le(0, 8, 45), "MA"),
        cas("a start in the first minute after now is not missed",
            horaire{0, {0}, {{1, 8, 30, 9, 0, 1}}}, le(0, 8, 29, 55), "MA"),
        cas("a stop beyond the days looked at is not listed",
            horaire{3, {0}, {{1, 22, 0, 6, 0, 1}}}, le(0, 22, 30), "M-"),
        cas("a disabled slot never launches",
            horaire{5, {0, 1, 2, 3, 4, 5, 6}, {{1, 8, 0, 9, 0, 0}}}, le(0, 0, 0), "--"),
        cas("the earliest of several slots comes first",
            horaire{7, {2}, {{1, 18, 0, 19, 0, 1}, {4, 6, 0, 6, 30, 1}}}, le(0, 0, 0), "MA"),
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.nom);
        banc_faux b;
        c.h(b.p);
        // The look ahead runs on a copy that must not raise the handlers of the real window.
        int evenements = 0;
        b.p.fenetre.sur_edition = b.p.fenetre.sur_affichage = [&](champ, int) { ++evenements; };
        const auto prochains = prochains_lancements(b.p, c.maintenant);
        EXPECT_EQ(evenements, 0);
        const auto attendus = reference(c.h, c.maintenant);
        for (std::size_t i = 0; i < nb_voies; ++i) {
            SCOPED_TRACE("channel " + std::to_string(i + 1));
            EXPECT_EQ(decrit(prochains[i].marche), attendus[i][0]);
            EXPECT_EQ(decrit(prochains[i].arret), attendus[i][1]);
        }
        const auto& l = prochains[std::size_t(c.h.voie)];
        EXPECT_EQ(std::string() + (l.marche ? 'M' : '-') + (l.arret ? 'A' : '-'), c.lance);
        EXPECT_TRUE(b.m.lancements.empty() && b.m.lignes.empty()) << "the viewer launched";
    }
}

TEST(ProchainsLancements, SummerTimeComesAsTheProgramMeetsIt) {
    // Paris: UTC+1, then UTC+2 from 01:00 UTC on Sunday 28 March 2027.
    const sys_seconds ete = sys_days(2027y / March / 28d) + 1h;
    const auto paris = [ete](sys_seconds t) { return date_de(t + (t >= ete ? 2h : 1h)); };
    banc_faux b;
    programme& p = b.p;
    horaire{0, {6}, {{1, 1, 0, 2, 30, 1}}}(p);                // stops in the hour that never comes
    horaire{1, {6}, {{1, 2, 15, 4, 0, 1}}}(p);                // starts in it
    const auto l = prochains_lancements(p, ete - 2h, paris);  // midnight, Paris
    EXPECT_EQ(decrit(l[0].marche), "2027-03-28 01:00:00 +3600s");
    EXPECT_EQ(decrit(l[0].arret), "2027-03-28 03:00:00 +7200s");
    EXPECT_EQ(decrit(l[1].marche), "2027-03-28 03:00:00 +7200s");
    EXPECT_EQ(decrit(l[1].arret), "2027-03-28 04:00:00 +10800s");
}

TEST(Plan, ThePrintedPlanNamesEachFaultAndItsReference) {
    banc_faux b;
    programme& p = b.p;
    ecrit_texte(p.fenetre, champ::nom, 0, "Pompe");
    ecrit_texte(p.fenetre, champ::nom, 3, "Four");
    horaire{0, {0, 1, 2, 3, 4}, {{1, 8, 0, 10, 0, 1}, {2, 9, 0, 11, 0, 1}}}(p);
    horaire{3, {}, {{1, 22, 0, 6, 0, 1}, {3, 0, 0, 0, 30, 1}}}(p);
    const sys_seconds maintenant = a(lundi_7, 7, 0);
    const plan r = calcule_plan(p, {"autre chose\r\nsur deux lignes"}, maintenant);
    EXPECT_TRUE(a_des_avertissements(r));
    const std::string t = texte_plan(p, r, "/x/ervaline.ini", date_de(maintenant));
    for (const char* attendu :
         {"channel 4 (Four) slot 1 22:00–06:00: does not stop after it starts\n",
          "channel 1 (Pompe) slot 2 09:00–11:00: does not start after slot 1 stops at 10:00\n",
          "channel 4 (Four) slot 3 00:00–00:30: does not start after slot 1 stops at 06:00\n",
          "  autre chose  sur deux lignes\n", "  days   Mon Tue Wed Thu Fri\n",
          "  slots  1: 22:00–06:00 (overnight)   3: 00:00–00:30\n",
          "  start  Mon 2026-12-07 08:00:00   in 01:00:00\n",
          "  stop   Mon 2026-12-07 10:00:00   in 03:00:00\n"}) {
        EXPECT_NE(t.find(attendu), std::string::npos) << attendu << "\nin:\n" << t;
    }
    EXPECT_FALSE(a_des_avertissements(calcule_plan(programme{}, {}, maintenant)));
}

}  // namespace
}  // namespace horlivet
