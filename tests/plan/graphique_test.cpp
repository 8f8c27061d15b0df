#include "plan/graphique.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "plan/plan.h"
#include "scheduler/tick.h"
#include "support/faux.h"

namespace horlivet {
namespace {

using namespace test;

constexpr year_month_day lundi_7{2026y, December, 7d};  // a Monday

std::size_t compte(const std::string& texte, const std::string& motif) {
    std::size_t n = 0;
    for (auto o = texte.find(motif); o != std::string::npos; o = texte.find(motif, o + 1)) ++n;
    return n;
}

struct cas_graphique {
    const char* nom;
    std::function<void(programme&)> h;
    std::size_t actives;
    std::size_t inactives;
};

TEST(Graphique, OneBarPerRunAndOneFaintBarPerRunThatDoesNotHappen) {
    const std::vector<cas_graphique> table = {
        {"nothing enabled, no day", [](programme&) {}, 0, 0},
        {"weekdays",
         [](programme& p) {
             jours(p, 0, {0, 1, 2, 3, 4});
             plage(p, 0, 1, 8, 30, 9, 0);
         },
         5, 2},
        {"an overnight slot on one day is one bar, cut at Sunday's end",
         [](programme& p) {
             jours(p, 3, {6});
             plage(p, 3, 2, 22, 0, 6, 0);
         },
         1, 6},
        {"a same-minute slot and a 23:59 slot are bars too",
         [](programme& p) {
             jours(p, 5, {2});
             plage(p, 5, 1, 7, 0, 7, 0);
             plage(p, 5, 4, 23, 59, 23, 59);
         },
         2, 6 * 2},
        {"enabled slots of a channel without days only show faint",
         [](programme& p) { plage(p, 7, 1, 8, 0, 9, 0); }, 0, 7},
        {"several channels add up",
         [](programme& p) {
             jours(p, 1, {0, 6});
             plage(p, 1, 1, 6, 0, 7, 0);
             plage(p, 1, 2, 18, 0, 19, 0);
             jours(p, 2, {5});
             plage(p, 2, 1, 12, 0, 13, 0);
         },
         5, 2 * 5 + 6},
        {"a disabled slot that was set shows faint on ticked days, one at its defaults not",
         [](programme& p) {
             jours(p, 4, {0, 1});
             plage(p, 4, 1, 8, 0, 9, 0);
             plage(p, 4, 3, 10, 0, 11, 0, false);
             plage(p, 4, 2, 1, 0, 0, 0, false);  // as a file without its keys gives it
         },
         2, 5 + 2},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.nom);
        // As loaded from a file without keys: every slot at the reader's defaults.
        programme p;
        std::vector<std::string> messages;
        charge_plan(p, "/nonexistent/ervaline.ini", messages);
        c.h(p);
        const std::string svg = graphique_svg(p, "plan");
        EXPECT_EQ(compte(svg, "class=\"occurrence\""), c.actives);
        EXPECT_EQ(compte(svg, "class=\"inactive\""), c.inactives);
        EXPECT_EQ(compte(svg, "<svg "), 1u);
        EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");
    }
}

TEST(Graphique, NamesAndTitleAreEscaped) {
    programme p;
    faux_monde m;
    prepare(p, m);
    ecrit_texte(p.fenetre, champ::nom, 0, "Chauffe <eau> & \"bain\"");
    jours(p, 0, {0});
    plage(p, 0, 1, 8, 0, 9, 0);
    const std::string svg = graphique_svg(p, "a<b>&c");
    EXPECT_NE(svg.find("Chauffe &lt;eau&gt; &amp; &quot;bain&quot;"), std::string::npos);
    EXPECT_NE(svg.find("a&lt;b&gt;&amp;c"), std::string::npos);
    EXPECT_EQ(svg.find("<eau>"), std::string::npos);
    EXPECT_EQ(svg.find("a<b>"), std::string::npos);
}

// The runs of the chart against the scheduler itself, on a schedule with the awkward
// cases: ticked fresh from a Monday for three weeks, the launches of the second week are
// exactly the starts and stops of the runs that fall in it.
TEST(Graphique, RunsAreWhatTheSchedulerLaunchesInAWeek) {
    programme p;
    faux_monde m;
    prepare(p, m);
    jours(p, 0, {0, 1, 2, 3, 4});
    plage(p, 0, 1, 8, 30, 9, 0);
    plage(p, 0, 2, 9, 0, 11, 0);  // overlaps slot 1
    jours(p, 1, {0, 3});
    plage(p, 1, 1, 22, 0, 6, 0);  // overnight over unticked days
    jours(p, 2, {6});
    plage(p, 2, 3, 23, 0, 1, 0);  // Sunday night, stops a week later
    jours(p, 3, {2});
    plage(p, 3, 1, 7, 0, 7, 0);  // start and stop in one tick
    plage(p, 3, 4, 23, 59, 23, 59);
    jours(p, 4, {5, 6});
    plage(p, 4, 2, 23, 59, 0, 0);  // Saturday 23:59 to Sunday midnight
    plage(p, 4, 1, 12, 0, 13, 0, false);
    jours(p, 5, {4});
    plage(p, 5, 1, 18, 0, 17, 59);  // almost a whole week
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
        const sys_seconds debut = sys_days(lundi_7);
        const sys_seconds semaine_2 = debut + days(7);
        const sys_seconds semaine_3 = debut + days(14);
        for (m.maintenant = debut + seconds(decalage); m.maintenant < debut + days(21);
             m.maintenant += 20s) {
            Timer1_Timer(p);
        }
        std::vector<std::string> lances;
        for (const auto& l : m.lancements) {
            if (l.quand >= semaine_2 && l.quand < semaine_3) {
                lances.push_back(l.fichier + "@" + std::to_string((l.quand - semaine_2).count()));
            }
        }

        std::vector<std::string> attendus;
        for (const occurrence& o : occurrences(p)) {
            for (const sys_seconds semaine : {debut, semaine_2}) {
                const sys_seconds jour = semaine + days(o.jour) + seconds(decalage);
                for (const auto& [sorte, quand] : {std::pair{'M', jour + seconds(o.debut)},
                                                   std::pair{'A', jour + seconds(o.fin)}}) {
                    if (quand >= semaine_2 && quand < semaine_3) {
                        attendus.push_back(sorte + std::to_string(o.voie) + "@" +
                                           std::to_string((quand - semaine_2).count()));
                    }
                }
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
