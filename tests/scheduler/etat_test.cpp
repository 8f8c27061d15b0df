#include "scheduler/etat.h"

#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "commun/fichiers.h"
#include "scheduler/tick.h"
#include "support/faux.h"

namespace horlivet {
namespace {

using namespace test;

constexpr year_month_day lundi_7{2026y, December, 7d};  // a Monday
sys_seconds lundi(int h, int mn, int s = 0) { return a(lundi_7, h, mn, s); }
sys_seconds mardi(int h, int mn, int s = 0) { return a(lundi_7, h, mn, s) + days(1); }

TEST(LitEtat, ReadsTheLinesItWritesAndLeavesOutEveryOtherLineSayingWhy) {
    // Whatever set of started slots, the text reads back as the same set.
    std::mt19937 alea(15);
    for (int essai = 0; essai < 50; ++essai) {
        globales g;
        for (auto& plage : g.notees) {
            for (auto& n : plage) {
                if (alea() % 3 != 0) continue;
                n = plage_notee{date_de(sys_seconds(seconds(alea() % 4000000000u))),
                                heure_de(int(alea() % 24), int(alea() % 60)),
                                heure_de(int(alea() % 24), int(alea() % 60))};
            }
        }
        globales relu;
        for (const ligne_etat& l : lit_etat(texte_etat(g)).plages)
            relu.notees[std::size_t(l.k - 1)][std::size_t(l.i)] = l.plage;
        ASSERT_EQ(texte_etat(relu), texte_etat(g));
    }

    const std::string bonne = "channel 8 slot 4 started 2026-12-07 08:00:20 times 08:00-09:00";
    const lecture_etat l = lit_etat(
        "# a comment\n"
        "\n" +
        bonne +
        "\r\n"
        "channel 1 slot 1 started 2026-12-07 8:00:20 times 22:00-6:00\n"
        "channel 0 slot 1 started 2026-12-07 08:00:20 times 08:00-09:00\n"
        "channel 9 slot 1 started 2026-12-07 08:00:20 times 08:00-09:00\n"
        "channel 2 slot 5 started 2026-12-07 08:00:20 times 08:00-09:00\n"
        "channel 2 slot 1 started 2026-02-29 08:00:20 times 08:00-09:00\n"
        "channel 2 slot 1 started 2026-12-07 24:00:00 times 08:00-09:00\n"
        "channel 2 slot 1 started 2026-12-07 08:00:20 times 08:60-09:00\n"
        "channel 2 slot 1 started 2026-12-07 08:00:20 times 08:00\n"
        "channel -2 slot 1 started 2026-12-07 08:00:20 times 08:00-09:00\n"
        "channel 2 slot 1 started 2026-12-07 08:00:20 times 08:00-09:00 extra\n"
        "voie 2 slot 1 started 2026-12-07 08:00:20 times 08:00-09:00\n" +
        bonne.substr(0, 30) + "\n" + bonne);
    ASSERT_EQ(l.plages.size(), 2u);
    EXPECT_EQ(l.plages[0].i, 7);
    EXPECT_EQ(l.plages[0].k, 4);
    EXPECT_EQ(instant_de(l.plages[0].plage.marche), lundi(8, 0, 20));
    EXPECT_EQ(l.plages[0].plage.marche.jour_semaine, 0);
    EXPECT_EQ(l.plages[1].plage.debut, heure_de(22, 0));
    EXPECT_EQ(l.plages[1].plage.fin, heure_de(6, 0));
    const std::vector<std::string> fautes = {
        "line 5 left out (no channel 1 to 8)",      "line 6 left out (no channel 1 to 8)",
        "line 7 left out (no slot 1 to 4)",         "line 8 left out (no start date and time)",
        "line 9 left out (no start date and time)", "line 10 left out (no slot times)",
        "line 11 left out (no slot times)",         "line 12 left out (no channel 1 to 8)",
        "line 13 left out (not a started slot)",    "line 14 left out (not a started slot)",
        "line 15 left out (not a started slot)",    "line 16 left out (the slot is listed twice)"};
    ASSERT_EQ(l.fautes.size(), fautes.size());
    for (std::size_t n = 0; n < fautes.size(); ++n)
        EXPECT_EQ(l.fautes[n].substr(0, fautes[n].size()), fautes[n]) << l.fautes[n];
}

// Runs of the program one after the other in one folder, with one world: its clock, its
// launches and the state file go on from one run to the next. Each run starts with
// Form_Load from the settings file; all but the last end without their shutdown (a
// kill) unless they end with it.
struct Redemarrage : testing::Test {
    essai::dossier_temporaire d;
    faux_monde m;
    std::unique_ptr<programme> p;

    // Channel 0, Monday and Tuesday, slot 1 08:00-09:00.
    void ecrit_reglages() {
        essai::ecrit_fichier(d.chemin / "ervaline.ini",
                             "[ervaline]\nnom_0=Pompe\nlundi_0=on\nmardi_0=on\nheure_deb_1_0=8\n"
                             "heure_fin_1_0=9\nvalid_0=on\ncommande_marche_0=M0\n"
                             "commande_arret_0=A0\n");
    }

    void demarre(sys_seconds quand) {
        p = std::make_unique<programme>();
        p->s = faux_services(m);
        route_handlers(*p);
        m.maintenant = quand;
        m.signalements.clear();
        Form_Load(*p, d.chemin.string());
    }

    std::string fichier_etat() const { return (d.chemin / "horlivet.etat").string(); }

    // The launches as "file@day hh:mm:ss", day counted from Monday 7 (0).
    std::vector<std::string> lances() const {
        std::vector<std::string> r;
        for (const auto& l : m.lancements) {
            const long long t = (l.quand - sys_days(lundi_7)).count();
            char texte[64];
            std::snprintf(texte, sizeof texte, "%s@%lld %02lld:%02lld:%02lld", l.fichier.c_str(),
                          t / 86400, t / 3600 % 24, t / 60 % 60, t % 60);
            r.emplace_back(texte);
        }
        return r;
    }
};

TEST_F(Redemarrage, AStartedSlotIsStoppedOnceAtItsStopOrAtStartupWhenItsStopPassed) {
    // One run of the program: from `debut` to `fin`, an edit saved at its start, a clean
    // shutdown at its end or not.
    struct run {
        sys_seconds debut, fin;
        std::function<void(programme&)> edition = nullptr;
        bool arret = false;
    };
    const auto decale_fin = [](programme& q) {
        ecrit_position(q.fenetre, champ::H_arret_1, 0, 10);
    };
    const auto desactive = [](programme& q) { ecrit_coche(q.fenetre, champ::valid, 0, false); };
    struct cas {
        const char* nom;
        std::optional<std::string> etat_initial;  // the state file before the first run
        std::vector<run> runs;                    // the last one runs to Tuesday 12:00
        std::vector<std::string> attendus;
        std::vector<std::string> dits;  // standard error of the last run, after the path
    };
    const std::string slot_1 = "channel 1 slot 1 started 2026-12-07 08:00:00 times 08:00-09:00\n";
    const cas table[] = {
        {"killed and restarted inside the slot: the stop at its time",
         {},
         {{lundi(7, 59), lundi(8, 10)}, {lundi(8, 20), {}}},
         {"M0@0 08:00:00", "A0@0 09:00:00", "M0@1 08:00:00", "A0@1 09:00:00"},
         {}},
        {"restarted inside the start minute: no second start",
         {},
         {{lundi(7, 59, 50), lundi(8, 0, 20)}, {lundi(8, 0, 30), {}}},
         {"M0@0 08:00:10", "A0@0 09:00:10", "M0@1 08:00:10", "A0@1 09:00:10"},
         {}},
        {"restarted after the stop minute: the stop at startup",
         {},
         {{lundi(7, 59), lundi(8, 10)}, {lundi(9, 30), {}}},
         {"M0@0 08:00:00", "A0@0 09:30:00", "M0@1 08:00:00", "A0@1 09:00:00"},
         {}},
        {"restarted in the stop minute before a tick saw it: the stop at startup",
         {},
         {{lundi(7, 59), lundi(8, 10)}, {lundi(9, 0, 30), {}}},
         {"M0@0 08:00:00", "A0@0 09:00:30", "M0@1 08:00:10", "A0@1 09:00:10"},
         {}},
        {"restarted the next day inside the next slot: stopped and started again meanwhile",
         {},
         {{lundi(7, 59), lundi(8, 10)}, {mardi(8, 30), {}}},
         {"M0@0 08:00:00", "A0@1 09:00:00"},
         {}},
        {"times changed and saved by another run: not restored",
         {},
         {{lundi(7, 59), lundi(8, 10)},
          {lundi(8, 15), lundi(8, 20), decale_fin},
          {lundi(8, 25), {}}},
         {"M0@0 08:00:00", "M0@1 08:00:00", "A0@1 10:00:00"},
         {"channel 1 (Pompe) slot 1 not restored: its times were 08:00-09:00 when it started "
          "and are 08:00-10:00 now; its stop command is not launched"}},
        {"disabled and saved by another run: not restored",
         {},
         {{lundi(7, 59), lundi(8, 10)},
          {lundi(8, 15), lundi(8, 20), desactive},
          {lundi(8, 25), {}}},
         {"M0@0 08:00:00"},
         {"channel 1 (Pompe) slot 1 not restored: the slot is disabled now; its stop command "
          "is not launched"}},
        {"a clean shutdown leaves nothing to restore",
         {},
         {{lundi(7, 59), lundi(8, 10), nullptr, true}, {lundi(8, 20), {}}},
         {"M0@0 08:00:00", "A0@0 08:10:00", "M0@1 08:00:00", "A0@1 09:00:00"},
         {"no started slot to restore"}},
        {"no state file: nothing to restore",
         {},
         {{lundi(8, 20), {}}},
         {"M0@1 08:00:00", "A0@1 09:00:00"},
         {"No such file or directory; no started slot restored"}},
        {"an empty state file: nothing to restore",
         "",
         {{lundi(8, 20), {}}},
         {"M0@1 08:00:00", "A0@1 09:00:00"},
         {"no started slot to restore"}},
        {"malformed lines left out, the rest used",
         "channel 1 slot 1\n\x01\x02\n" + slot_1 + "channel 2 slot 9\n",
         {{lundi(8, 20), {}}},
         {"A0@0 09:00:00", "M0@1 08:00:00", "A0@1 09:00:00"},
         {"line 1 left out (not a started slot): channel 1 slot 1",
          "line 2 left out (not a started slot): \x01\x02",
          "line 4 left out (not a started slot): channel 2 slot 9"}},
    };
    for (const cas& c : table) {
        SCOPED_TRACE(c.nom);
        m = faux_monde{};
        ecrit_reglages();
        if (c.etat_initial) m.fichiers[fichier_etat()] = *c.etat_initial;
        for (std::size_t n = 0; n < c.runs.size(); ++n) {
            const run& r = c.runs[n];
            demarre(r.debut);
            if (r.edition) {
                r.edition(*p);
                enregistre_Click(*p);
            }
            const bool dernier = n + 1 == c.runs.size();
            for (; m.maintenant < (dernier ? mardi(12, 0) : r.fin); m.maintenant += 20s)
                Timer1_Timer(*p);
            if (r.arret) FIN_Click(*p);
        }
        EXPECT_EQ(lances(), c.attendus);
        std::vector<std::string> dits;
        for (const std::string& s : m.signalements)
            dits.push_back(s.substr(fichier_etat().size() + 2));
        EXPECT_EQ(dits, c.dits);
        // The last run is still going: its file lists what it has started.
        EXPECT_EQ(m.fichiers[fichier_etat()], texte_etat(p->g));
    }
}

}  // namespace
}  // namespace horlivet
