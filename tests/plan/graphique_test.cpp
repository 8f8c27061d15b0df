#include "plan/graphique.h"

#include <algorithm>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "plan/plan.h"
#include "support/faux.h"

namespace horlivet {
namespace {

using namespace test;

long compte(const std::string& texte, const std::string& motif) {
    const std::regex r(motif);
    return std::distance(std::sregex_iterator(texte.begin(), texte.end(), r), {});
}

// The bars of the runs in the chart, as "channel.slot x y width".
std::vector<std::string> barres(const std::string& svg) {
    const std::regex groupe("<g class=\"occurrence\" data-voie=\"(\\d)\" data-plage=\"(\\d)\">"),
        barre("<rect x=\"([\\d.]+)\" y=\"([\\d.]+)\" width=\"([\\d.]+)\"");
    std::vector<std::string> r;
    for (std::sregex_iterator g(svg.begin(), svg.end(), groupe), fin; g != fin; ++g) {
        const auto bout = svg.begin() + static_cast<long>(svg.find("</g>", g->position()));
        for (std::sregex_iterator b((*g)[0].second, bout, barre); b != fin; ++b) {
            r.push_back(std::to_string(std::stoi((*g)[1]) - 1) + "." + (*g)[2].str() + " " +
                        (*b)[1].str() + " " + (*b)[2].str() + " " + (*b)[3].str());
        }
    }
    return r;
}

// A week with the awkward cases, over the reader's defaults (a file without keys).
const std::vector<horaire> semaine = {
    {0, {0, 1, 2, 3, 4}, {{1, 8, 30, 9, 0, 1}, {2, 9, 0, 11, 0, 1}}},  // overlapping
    {1, {0, 3}, {{1, 22, 0, 6, 0, 1}}},                      // overnight over unticked days
    {2, {6}, {{3, 23, 0, 1, 0, 1}}},                         // Sunday night, stops a week later
    {3, {2}, {{1, 7, 0, 7, 0, 1}, {4, 23, 59, 23, 59, 1}}},  // start and stop in a tick
    // 23:59 to midnight; disabled slots: one set, one with only its default start, one left
    // at its defaults (slot 3), which is not drawn.
    {4, {5, 6}, {{2, 23, 59, 0, 0, 1}, {1, 12, 0, 13, 0, 0}, {4, 1, 0, 5, 0, 0}}},
    {5, {4}, {{1, 18, 0, 17, 59, 1}}},  // almost a whole week
    {6, {}, {{1, 8, 0, 9, 0, 1}}},      // enabled, no day
};

// Each run is a bar where it falls; each run that does not happen a faint one. Ticked
// fresh from a Monday for three weeks, the scheduler's launches in the second week are
// exactly the starts and stops of the runs that fall in it.
TEST(Graphique, RunsAreWhatTheSchedulerLaunchesInAWeekDrawnWhereTheyFall) {
    programme p;
    std::vector<std::string> messages;
    charge_plan(p, "/nonexistent/ervaline.ini", messages);
    for (const horaire& h : semaine) h(p);
    ecrit_texte(p.fenetre, champ::nom, 0, "Chauffe <eau> & \"bain\"");
    const std::string svg = graphique_svg(p, "a<b>&c");
    std::vector<std::string> barres_par_voie;  // "runs/faint runs"
    for (char i = '1'; i <= '8'; ++i) {
        const std::string voie = "\" data-voie=\"" + std::string(1, i) + "\"";
        barres_par_voie.push_back(std::to_string(compte(svg, "class=\"occurrence" + voie)) + "/" +
                                  std::to_string(compte(svg, "class=\"inactive" + voie)));
    }
    EXPECT_EQ(barres_par_voie,
              (std::vector<std::string>{"10/4", "2/5", "1/6", "2/12", "2/9", "1/6", "0/7", "0/0"}));
    EXPECT_EQ(compte(svg, "<svg "), 1);
    EXPECT_TRUE(svg.ends_with("</svg>\n"));
    EXPECT_NE(svg.find(">a&lt;b&gt;&amp;c<"), std::string::npos);
    EXPECT_NE(svg.find(">Chauffe &lt;eau&gt; &amp; &quot;bain&quot;<"), std::string::npos);
    // Where the runs are drawn: 156 px a day from x = 220, in the channel's row of 60 px
    // from y = 92 a lane 12 px lower for each slot number, never thinner than 3 px; cut in
    // two where a run passes Sunday's end, its second piece from Monday's midnight.
    const std::vector<std::string> b = barres(svg);
    for (const char* barre :
         {"0.2 278.5 112.0 13.0", "2.3 1305.5 244.0 6.5", "2.3 220.0 244.0 942.5",
          "3.1 577.5 280.0 3.0", "4.2 1311.9 352.0 3.0", "4.2 220.0 352.0 780.0"})
        EXPECT_NE(std::find(b.begin(), b.end(), barre), b.end()) << barre;
    // Under each name its enabled slots, or a word for none (channel 8 alone).
    EXPECT_EQ(compte(svg, ">no slot enabled<"), 1);
    EXPECT_NE(svg.find(">3: 23:00–01:00<"), std::string::npos);
    const std::vector<occurrence> runs = occurrences(p);
    // Unticked days are greyed in their own column: channel 3 has Wednesday alone.
    const std::string gris = " y=\"272.0\" width=\"156.0\" height=\"60.0\" fill=\"#e4e4e4\"/>";
    EXPECT_EQ(compte(svg, gris), 6);
    EXPECT_EQ(svg.find("<rect x=\"532.0\"" + gris), std::string::npos);
    EXPECT_NE(svg.find("<rect x=\"1156.0\"" + gris), std::string::npos);

    // Ticks off the minute: a tick exactly on it would also see a stop set one minute
    // before the start (channel 6) in the closed stop window, and stop it at once.
    for (const int decalage : {7, 19}) {
        SCOPED_TRACE("ticks at second " + std::to_string(decalage));
        banc_faux b;
        for (const horaire& h : semaine) h(b.p);
        commandes_nommees(b.p);
        const sys_seconds debut = sys_days(2026y / December / 7d) + seconds(decalage);  // Monday
        simule(b.p, b.m, debut, debut + days(21));
        std::multiset<std::string> lances, attendus;
        const auto note = [&](std::multiset<std::string>& v, const std::string& quoi,
                              sys_seconds quand) {
            if (quand >= debut + days(7) && quand < debut + days(14))
                v.insert(quoi + "@" + std::to_string((quand - debut).count()));
        };
        for (const auto& l : b.m.lancements) note(lances, l.fichier, l.quand);
        for (const occurrence& o : runs) {
            for (const sys_seconds jour : {debut + days(o.jour), debut + days(o.jour + 7)}) {
                note(attendus, "M" + std::to_string(o.voie), jour + seconds(o.debut));
                note(attendus, "A" + std::to_string(o.voie), jour + seconds(o.fin));
            }
        }
        EXPECT_EQ(lances, attendus);
    }
}

}  // namespace
}  // namespace horlivet
