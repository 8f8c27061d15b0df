#include "plan/plan.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/horaires_du_jour.h"
#include "plan/graphique.h"
#include "scheduler/tick.h"
#include "support/faux.h"

namespace horlivet {
namespace {

using namespace test;

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

// The awkward cases of the look ahead, one channel each.
const std::vector<horaire> semaine = {
    {0, {0, 1}, {{1, 23, 59, 23, 59, 1}}},  // caught in its last seconds, else the next day
    {1, {0, 3}, {{1, 22, 0, 6, 0, 1}}},     // stops on the next ticked day
    {2, {0}, {{1, 7, 0, 7, 0, 1}}},         // starts and stops in one tick
    {3, {0}, {{1, 22, 0, 6, 0, 1}}},        // stops beyond the days looked at
    {4, {0, 1}, {{2, 23, 0, 23, 59, 1}}},   // a stop only after a start of this run
    {5, {0, 1, 2, 3, 4, 5, 6}, {{1, 8, 0, 9, 0, 0}, {2, 8, 30, 9, 0, 1}}},  // one disabled
    {6, {6}, {{3, 12, 0, 12, 30, 1}}},                                      // the only ticked day
    {7, {2}, {{1, 18, 0, 19, 0, 1}, {4, 6, 0, 6, 30, 1}}},                  // the earliest first
};

// The first start and stop of each channel as the scheduler itself, started at
// `maintenant`, launches them within jours_simules days.
std::vector<std::string> reference(sys_seconds maintenant) {
    banc_faux b;
    for (const horaire& h : semaine) h(b.p);
    commandes_nommees(b.p);
    simule(b.p, b.m, maintenant + 20s, maintenant + days(jours_simules) + 1s);
    std::vector<std::string> r(2 * nb_voies, "none");
    for (const auto& l : b.m.lancements) {
        std::string& premier = r.at(2 * std::size_t(l.fichier.at(1) - '0') + (l.fichier[0] == 'A'));
        if (premier == "none")
            premier = decrit(lancement_prevu{date_de(l.quand), l.quand - maintenant});
    }
    return r;
}

TEST(ProchainsLancements, MatchTheSchedulerRunFromNowAlsoOverSummerTime) {
    banc_faux b;
    for (const horaire& h : semaine) h(b.p);
    // The look ahead runs on a copy that must not raise the handlers of the real window.
    int evenements = 0;
    b.p.fenetre.sur_edition = b.p.fenetre.sur_affichage = [&](champ, int) { ++evenements; };
    for (const sys_seconds maintenant :
         {le(0, 0, 0), le(0, 6, 59, 5), le(0, 8, 29, 55), le(0, 8, 45), le(0, 12, 0), le(0, 22, 30),
          le(0, 23, 30), le(0, 23, 59, 30), le(0, 23, 59, 45)}) {
        SCOPED_TRACE(decrit(lancement_prevu{date_de(maintenant), {}}));
        const auto prochains = prochains_lancements(b.p, maintenant);
        std::vector<std::string> vus;
        for (const auto& l : prochains) {
            vus.push_back(decrit(l.marche));
            vus.push_back(decrit(l.arret));
        }
        const auto attendus = reference(maintenant);
        EXPECT_EQ(vus, attendus);
        // All come but channel 4's stop, once today's start of it has passed.
        EXPECT_EQ(std::count(attendus.begin(), attendus.end(), "none"), maintenant > le(0, 22, 0));
    }
    EXPECT_EQ(evenements, 0);
    EXPECT_TRUE(b.m.lancements.empty() && b.m.lignes.empty()) << "the viewer launched";

    // Summer time comes as the program meets it. Paris: UTC+1, then UTC+2 from 01:00 UTC on
    // Sunday 28 March 2027.
    banc_faux banc_ete;
    const sys_seconds ete = sys_days(2027y / March / 28d) + 1h;
    const auto paris = [ete](sys_seconds t) { return date_de(t + (t >= ete ? 2h : 1h)); };
    horaire{0, {6}, {{1, 1, 0, 2, 30, 1}}}(banc_ete.p);  // stops in the hour that never comes
    horaire{1, {6}, {{1, 2, 15, 4, 0, 1}}}(banc_ete.p);  // starts in it
    const auto l = prochains_lancements(banc_ete.p, ete - 2h, paris);  // midnight, Paris
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
    const plan r = calcule_plan(p, {"autre chose\r\nsur deux lignes"}, le(0, 7, 0));
    EXPECT_TRUE(a_des_avertissements(r));
    const std::string t = texte_plan(p, r, "/x/ervaline.ini", date_de(le(0, 7, 0)));
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
    EXPECT_FALSE(a_des_avertissements(calcule_plan(programme{}, {}, le(0, 7, 0))));
}

// Sunset 10 min later each day from Monday 7, none on Thursday: seen from Wednesday, each
// day's run starts at its own sunset+30, and Thursday's, which does not start, is named.
TEST(Plan, SunSlotsHaveEachDaysTimesAndTheDaysWithoutSunAreNamed) {
    banc_faux b;
    programme& p = b.p;
    horaire{0, {0, 1, 2, 3, 4, 5, 6}, {{1, 18, 0, 23, 0, 1}}}(p);
    p.g.variables.place = lieu{69.65, 18.96};
    regles_k(p.g.variables, 1, 0).soleil_debut = lit_regle_soleil("coucher+30");
    p.s.soleil = [](double, double, sys_seconds jour) {
        const auto n = (floor<days>(jour) - sys_days(lundi_7)).count();
        return soleil_brut{n == 3 ? -1 : 0, jour, floor<days>(jour) + 16h + n * 10min};
    };
    retient_fixes(p);
    std::vector<std::string> debuts;
    for (const occurrence& o : occurrences(p, horaires_de_la_semaine(p, date_de(le(2, 12, 0)))))
        debuts.push_back(std::string(nom_jour(o.jour)) + " " + texte_heure(o.debut));
    EXPECT_EQ(debuts, (std::vector<std::string>{"Mon 17:40", "Tue 17:50", "Wed 16:50", "Fri 17:10",
                                                "Sat 17:20", "Sun 17:30"}));
    const std::string t =
        texte_plan(p, calcule_plan(p, {}, le(2, 12, 0)), "e.ini", date_de(le(2, 12, 0)));
    for (const char* attendu : {"  note   slot 1: start follows coucher+30\n",
                                "  note   slot 1 does not start Thu 2026-12-10: the sun",
                                "  start  Wed 2026-12-09 16:50:00"})
        EXPECT_NE(t.find(attendu), std::string::npos) << attendu << "\nin:\n" << t;
}

}  // namespace
}  // namespace horlivet
