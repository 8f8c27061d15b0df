#include "plan/graphique.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "plan/plan.h"
#include "scheduler/tick.h"
#include "support/faux.h"

namespace horlivet {
namespace {

using namespace test;

std::size_t compte(const std::string& texte, const std::string& motif) {
    std::size_t n = 0;
    for (auto o = texte.find(motif); o != std::string::npos; o = texte.find(motif, o + 1)) ++n;
    return n;
}

TEST(Graphique, OneBarPerRunAndOneFaintBarPerRunThatDoesNotHappen) {
    struct cas {
        const char* nom;
        std::vector<horaire> h;
        std::size_t actives, inactives;
    };
    const std::vector<cas> table = {
        cas("nothing enabled, no day", {}, 0, 0),
        cas("weekdays", {{0, {0, 1, 2, 3, 4}, {{1, 8, 30, 9, 0, 1}}}}, 5, 2),
        cas("an overnight slot on one day is one bar, cut at Sunday's end",
            {{3, {6}, {{2, 22, 0, 6, 0, 1}}}}, 1, 6),
        cas("a same-minute slot and a 23:59 slot are bars too",
            {{5, {2}, {{1, 7, 0, 7, 0, 1}, {4, 23, 59, 23, 59, 1}}}}, 2, 6 * 2),
        cas("enabled slots of a channel without days only show faint",
            {{7, {}, {{1, 8, 0, 9, 0, 1}}}}, 0, 7),
        cas("several channels add up",
            {{1, {0, 6}, {{1, 6, 0, 7, 0, 1}, {2, 18, 0, 19, 0, 1}}},
             {2, {5}, {{1, 12, 0, 13, 0, 1}}}},
            5, 2 * 5 + 6),
        // Slot 2 as a file without its keys leaves it.
        cas("a disabled slot that was set shows faint on ticked days, one at its defaults not",
            {{4, {0, 1}, {{1, 8, 0, 9, 0, 1}, {3, 10, 0, 11, 0, 0}, {2, 1, 0, 0, 0, 0}}}}, 2,
            5 + 2),
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.nom);
        // As loaded from a file without keys: every slot at the reader's defaults.
        programme p;
        std::vector<std::string> messages;
        charge_plan(p, "/nonexistent/ervaline.ini", messages);
        for (const horaire& h : c.h) h(p);
        const std::string svg = graphique_svg(p, "a<b>&c");
        EXPECT_EQ(compte(svg, "class=\"occurrence\""), c.actives);
        EXPECT_EQ(compte(svg, "class=\"inactive\""), c.inactives);
        EXPECT_EQ(compte(svg, "<svg "), 1u);
        EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
        EXPECT_NE(svg.find("a&lt;b&gt;&amp;c"), std::string::npos);
    }
}

TEST(Graphique, NamesAreEscaped) {
    programme p;
    faux_monde m;
    prepare(p, m);
    ecrit_texte(p.fenetre, champ::nom, 0, "Chauffe <eau> & \"bain\"");
    horaire{0, {0}, {{1, 8, 0, 9, 0, 1}}}(p);
    const std::string svg = graphique_svg(p, "plan");
    EXPECT_NE(svg.find("Chauffe &lt;eau&gt; &amp; &quot;bain&quot;"), std::string::npos);
    EXPECT_EQ(svg.find("<eau>"), std::string::npos);
}

// The runs of the chart against the scheduler itself, on a schedule with the awkward
// cases: ticked fresh from a Monday for three weeks, the launches of the second week are
// exactly the starts and stops of the runs that fall in it.
TEST(Graphique, RunsAreWhatTheSchedulerLaunchesInAWeek) {
    programme p;
    faux_monde m;
    prepare(p, m);
    for (const horaire& h : std::vector<horaire>{
             {0, {0, 1, 2, 3, 4}, {{1, 8, 30, 9, 0, 1}, {2, 9, 0, 11, 0, 1}}},  // overlapping
             {1, {0, 3}, {{1, 22, 0, 6, 0, 1}}},  // overnight over unticked days
             {2, {6}, {{3, 23, 0, 1, 0, 1}}},     // Sunday night, stops a week later
             {3, {2}, {{1, 7, 0, 7, 0, 1}, {4, 23, 59, 23, 59, 1}}},     // start and stop in a tick
             {4, {5, 6}, {{2, 23, 59, 0, 0, 1}, {1, 12, 0, 13, 0, 0}}},  // 23:59 to midnight
             {5, {4}, {{1, 18, 0, 17, 59, 1}}},                          // almost a whole week
         }) {
        h(p);
    }
    for (int i = 0; i < nb_voies; ++i) {
        ecrit_texte(p.fenetre, champ::Commande_marche, i, "M" + std::to_string(i));
        ecrit_texte(p.fenetre, champ::commande_arret, i, "A" + std::to_string(i));
    }

    // Ticks off the minute: a tick exactly on it would also see a stop set one minute
    // before the start (channel 6) in the closed stop window, and stop it at once.
    for (const int decalage : {7, 19}) {
        SCOPED_TRACE("ticks at second " + std::to_string(decalage));
        for (auto& plage : p.g.attente) plage.fill(true);
        p.g.date_dernier_debut = {};
        m.lancements.clear();
        const sys_seconds debut = sys_days(2026y / December / 7d);  // a Monday
        const sys_seconds semaine_2 = debut + days(7), semaine_3 = debut + days(14);
        for (m.maintenant = debut + seconds(decalage); m.maintenant < debut + days(21);
             m.maintenant += 20s) {
            Timer1_Timer(p);
        }
        std::vector<std::string> lances, attendus;
        const auto note = [&](std::vector<std::string>& v, const std::string& quoi,
                              sys_seconds quand) {
            if (quand >= semaine_2 && quand < semaine_3)
                v.push_back(quoi + "@" + std::to_string((quand - semaine_2).count()));
        };
        for (const auto& l : m.lancements) note(lances, l.fichier, l.quand);
        for (const occurrence& o : occurrences(p)) {
            for (const sys_seconds semaine : {debut, semaine_2}) {
                const sys_seconds jour = semaine + days(o.jour) + seconds(decalage);
                note(attendus, "M" + std::to_string(o.voie), jour + seconds(o.debut));
                note(attendus, "A" + std::to_string(o.voie), jour + seconds(o.fin));
            }
        }
        std::sort(lances.begin(), lances.end());
        std::sort(attendus.begin(), attendus.end());
        EXPECT_EQ(lances, attendus);
    }
    EXPECT_EQ(occurrences(p).size(), 10u + 2 + 1 + 2 + 2 + 1);
}

}  // namespace
}  // namespace horlivet
