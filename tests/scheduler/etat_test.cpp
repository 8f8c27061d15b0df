#include "scheduler/etat.h"

#include <memory>
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

sys_seconds lundi(int h, int mn, int s = 0) { return le(0, h, mn, s); }

// The text of the slots a file's text lists, as the program writes it.
std::string relu(std::string_view texte) {
    globales g;
    for (const ligne_etat& l : lit_etat(texte).plages)
        g.notees[std::size_t(l.k - 1)][std::size_t(l.i)] = l.plage;
    return texte_etat(g);
}

TEST(LitEtat, ReadsTheLinesItWritesAndLeavesOutEveryOtherLineSayingWhy) {
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
        ASSERT_EQ(relu(texte_etat(g)), texte_etat(g));
    }

    const std::string bonne = "channel 8 slot 4 started 2026-12-07 08:00:20 times 08:00-09:00";
    const std::string texte =
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
        "channel 2 slot 1 started 2026-12-07 08:00:20 times 08:00-09:00000\n"
        "channel -2 slot 1 started 2026-12-07 08:00:20 times 08:00-09:00\n"
        "channel 2 slot 1 started 2026-12-07 08:00:20 times 08:00-09:00 extra\n"
        "voie 2 slot 1 started 2026-12-07 08:00:20 times 08:00-09:00\n" +
        bonne.substr(0, 30) + "\n" + bonne;
    EXPECT_EQ(relu(texte), texte_etat(globales{}) +
                               "channel 1 slot 1 started 2026-12-07 08:00:20 times 22:00-06:00\n" +
                               bonne + "\n");
    std::vector<std::string> fautes;
    for (const std::string& f : lit_etat(texte).fautes) fautes.push_back(f.substr(0, f.find(':')));
    EXPECT_EQ(fautes,
              (std::vector<std::string>{
                  "line 5 left out (no channel 1 to 8)", "line 6 left out (no channel 1 to 8)",
                  "line 7 left out (no slot 1 to 4)", "line 8 left out (no start date and time)",
                  "line 9 left out (no start date and time)", "line 10 left out (no slot times)",
                  "line 11 left out (no slot times)", "line 12 left out (no slot times)",
                  "line 13 left out (no channel 1 to 8)", "line 14 left out (not a started slot)",
                  "line 15 left out (not a started slot)", "line 16 left out (not a started slot)",
                  "line 17 left out (the slot is listed twice)"}));
}

// Runs of the program one after the other in one folder, with one world: its clock, its
// launches and the state file go on from one run to the next.
struct Redemarrage : testing::Test {
    essai::dossier_temporaire d;
    faux_monde m;
    std::unique_ptr<programme> p;
    const std::string etat = (d.chemin / "horlivet.etat").string();

    // A run from `debut` to `fin`: Form_Load from the settings file, an edit saved, the
    // ticks, and the shutdown or a kill.
    void run(sys_seconds debut, sys_seconds fin, void (*edition)(programme&), bool arret) {
        p = std::make_unique<programme>();
        p->s = faux_services(m);
        route_handlers(*p);
        m.maintenant = debut;
        m.signalements.clear();
        Form_Load(*p, d.chemin.string());
        if (edition != nullptr) {
            edition(*p);
            enregistre_Click(*p);
        }
        for (; m.maintenant < fin; m.maintenant += 20s) Timer1_Timer(*p);
        if (arret) FIN_Click(*p);
    }

    // The launches as "file@day hh:mm:ss", day 0 the Monday, and standard error after
    // the path, each line ended by '|'.
    std::string vus() const {
        std::string r;
        for (const std::string& l : lances(m)) r += l + " ";
        for (const std::string& s : m.signalements) r += "| " + s.substr(etat.size() + 2);
        return r;
    }
};

TEST_F(Redemarrage, AStartedSlotIsStoppedOnceAtItsStopOrAtStartupWhenItsStopPassed) {
    // Slot 1 of channel 0 ends at 10:00, or is disabled, both saved by a run between.
    const auto decale_fin = [](programme& q) {
        ecrit_position(q.fenetre, champ::H_arret_1, 0, 10);
    };
    const auto desactive = [](programme& q) { ecrit_coche(q.fenetre, champ::valid, 0, false); };
    // The state file before the first run (none when null); a first run from Monday
    // 07:59:50 to `fin` (none when never), shut down or killed; a run from fin + 5 min to
    // fin + 10 min that saves an edit; the last run from `reprise`, still going at Tuesday
    // 12:00; what they launch, and what the last one says.
    struct cas {
        const char* nom;
        const char* etat_initial;
        sys_seconds fin;
        bool arret;
        void (*edition)(programme&);
        sys_seconds reprise;
        std::string vus;
    };
    const sys_seconds jamais{};
    const cas table[] = {
        {"killed and restarted inside the slot: the stop at its time", nullptr, lundi(8, 10), false,
         nullptr, lundi(8, 20), "M0@0 08:00:10 A0@0 09:00:00 M0@1 08:00:00 A0@1 09:00:00 "},
        {"restarted inside the start minute: no second start", nullptr, lundi(8, 0, 20), false,
         nullptr, lundi(8, 0, 30), "M0@0 08:00:10 A0@0 09:00:10 M0@1 08:00:10 A0@1 09:00:10 "},
        {"restarted after the stop minute: the stop at startup", nullptr, lundi(8, 10), false,
         nullptr, lundi(9, 30), "M0@0 08:00:10 A0@0 09:30:00 M0@1 08:00:00 A0@1 09:00:00 "},
        {"restarted in the stop minute before a tick saw it: the stop at startup", nullptr,
         lundi(8, 10), false, nullptr, lundi(9, 0, 30),
         "M0@0 08:00:10 A0@0 09:00:30 M0@1 08:00:10 A0@1 09:00:10 "},
        {"restarted the next day inside the next slot: stopped and started meanwhile", nullptr,
         lundi(8, 10), false, nullptr, lundi(8, 30) + days(1), "M0@0 08:00:10 A0@1 09:00:00 "},
        {"times changed and saved by another run: not restored", nullptr, lundi(8, 10), false,
         decale_fin, lundi(8, 25),
         "M0@0 08:00:10 M0@1 08:00:00 A0@1 10:00:00 | channel 1 (Pompe) slot 1 not restored: "
         "its times were 08:00-09:00 when it started and are 08:00-10:00 now; its stop "
         "command is not launched"},
        {"disabled and saved by another run: not restored", nullptr, lundi(8, 10), false, desactive,
         lundi(8, 25),
         "M0@0 08:00:10 | channel 1 (Pompe) slot 1 not restored: the slot is disabled now; its "
         "stop command is not launched"},
        {"a clean shutdown leaves nothing to restore", nullptr, lundi(8, 10), true, nullptr,
         lundi(8, 20),
         "M0@0 08:00:10 A0@0 08:10:10 M0@1 08:00:00 A0@1 09:00:00 | no started slot to restore"},
        {"no state file: nothing to restore", nullptr, jamais, false, nullptr, lundi(8, 20),
         "M0@1 08:00:00 A0@1 09:00:00 | No such file or directory; no started slot restored"},
        {"an empty state file: nothing to restore", "", jamais, false, nullptr, lundi(8, 20),
         "M0@1 08:00:00 A0@1 09:00:00 | no started slot to restore"},
        {"malformed lines left out, the rest used",
         "channel 1 slot 1\n\x01\x02\nchannel 1 slot 1 started 2026-12-07 08:00:00 times "
         "08:00-09:00\nchannel 2 slot 9\n",
         jamais, false, nullptr, lundi(8, 20),
         "A0@0 09:00:00 M0@1 08:00:00 A0@1 09:00:00 | line 1 left out (not a started slot): "
         "channel 1 slot 1| line 2 left out (not a started slot): \x01\x02| line 4 left out "
         "(not a started slot): channel 2 slot 9"},
    };
    for (const cas& c : table) {
        SCOPED_TRACE(c.nom);
        m = faux_monde{};
        // Channel 0, Monday and Tuesday, slot 1 08:00-09:00.
        essai::ecrit_fichier(d.chemin / "ervaline.ini",
                             "[ervaline]\nnom_0=Pompe\nlundi_0=on\nmardi_0=on\nheure_deb_1_0=8\n"
                             "heure_fin_1_0=9\nvalid_0=on\ncommande_marche_0=M0\n"
                             "commande_arret_0=A0\n");
        if (c.etat_initial != nullptr) m.fichiers[etat] = c.etat_initial;
        if (c.fin != jamais) run(lundi(7, 59, 50), c.fin, nullptr, c.arret);
        if (c.edition != nullptr) run(c.fin + 5min, c.fin + 10min, c.edition, false);
        run(c.reprise, lundi(12, 0) + days(1), nullptr, false);
        EXPECT_EQ(vus(), c.vus);
        // The last run is still going: its file lists what it has started.
        EXPECT_EQ(m.fichiers[etat], texte_etat(p->g));
    }
}

}  // namespace
}  // namespace horlivet
