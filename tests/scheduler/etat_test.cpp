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
                if (alea() % 2 != 0) n->marche.decalage = (int(alea() % 1561) - 720) * 60;
            }
        }
        ASSERT_EQ(relu(texte_etat(g)), texte_etat(g));
    }

    // Each bad line alone, and why.
    const std::string debut = "channel 2 slot 1 started 2026-12-07 ";
    const std::pair<std::string, std::string> mauvaises[] = {
        {"channel 0 slot 1 started 2026-12-07 08:00:20 times 08:00-09:00", "no channel 1 to 8"},
        {"channel 9 slot 1 started 2026-12-07 08:00:20 times 08:00-09:00", "no channel 1 to 8"},
        {"channel 2 slot 5 started 2026-12-07 08:00:20 times 08:00-09:00", "no slot 1 to 4"},
        {"channel 2 slot 1 started 2026-02-29 08:00:20 times 08:00-09:00",
         "no start date and time"},
        {debut + "24:00:00 times 08:00-09:00", "no start date and time"},
        {debut + "08:00:20 times 08:60-09:00", "no slot times"},
        {debut + "08:00:20 times 08:00", "no slot times"},
        {debut + "08:00:20 times 08:00-09:00000", "no slot times"},
        {debut + "08:00:20 +2400 times 08:00-09:00", "no UTC offset such as +0200"},
        {debut + "08:00:20 0200 times 08:00-09:00", "no UTC offset such as +0200"},
        {debut + "08:00:20 +02000 times 08:00-09:00", "no UTC offset such as +0200"},
        {debut + "08:00:20 times 08:00-09:00 extra", "not a started slot"},
        {"voie 2 slot 1 started 2026-12-07 08:00:20 times 08:00-09:00", "not a started slot"},
    };
    for (const auto& [ligne, raison] : mauvaises) {
        const lecture_etat l = lit_etat(ligne);
        ASSERT_EQ(l.fautes.size(), 1u) << ligne;
        EXPECT_EQ(l.fautes[0], "line 1 left out (" + raison + "): " + ligne);
    }

    // Five bad lines said, control bytes escaped and long lines cut; the others counted.
    const std::string bonne = "channel 8 slot 4 started 2026-12-07 08:00:20 times 08:00-09:00";
    std::string texte = "# a comment\n\n" + bonne + "\r\n";
    texte += "channel 1 slot 1 started 2026-12-07 8:00:20 -0330 times 22:00-6:00\n";
    texte += "\x1b[2J\x7f\xff\ttab\r\n" + std::string(100, 'x') + "\n" + bonne + "\n";
    for (int n = 0; n < 9; ++n) texte += mauvaises[n].first + "\n";
    EXPECT_EQ(relu(texte),
              texte_etat(globales{}) +
                  "channel 1 slot 1 started 2026-12-07 08:00:20 -0330 times 22:00-06:00\n" + bonne +
                  "\n");
    const lecture_etat l = lit_etat(texte);
    EXPECT_EQ(l.fautes, (std::vector<std::string>{
                            "line 5 left out (not a started slot): \\x1b[2J\\x7f\\xff\ttab",
                            "line 6 left out (not a started slot): " + std::string(80, 'x') + "...",
                            "line 7 left out (the slot is listed twice): " + bonne,
                            "line 8 left out (no channel 1 to 8): " + mauvaises[0].first,
                            "line 9 left out (no channel 1 to 8): " + mauvaises[1].first}));
    EXPECT_EQ(l.autres_fautes, 7);
}

// Runs of the program one after the other in one folder, with one world: its clock, its
// launches and the state file go on from one run to the next.
struct Redemarrage : testing::Test {
    essai::dossier_temporaire d;
    faux_monde m;
    std::unique_ptr<programme> p;
    const std::string etat = (d.chemin / "horlivet.etat").string();
    // What the state file's writes answer (none: they succeed); the launches that found
    // the file without channel 1, the one the rows launch for.
    std::string refus;
    std::string hors_etat;
    tirage_aleatoire tire;  // the runs' draws, when set

    // A run from `debut` to `fin`: Form_Load from the settings file, an edit saved, the
    // ticks, and the shutdown or a kill.
    void run(sys_seconds debut, sys_seconds fin, void (*edition)(programme&), bool arret) {
        p = std::make_unique<programme>();
        p->s = faux_services(m);
        // A crash right after a launch must leave the file listing its slot: a start is
        // noted before it is launched, a stop dropped after.
        p->s.lance = [this, lance = p->s.lance](const std::string& fichier,
                                                const std::string& dossier) {
            const auto t = m.fichiers.find(etat);
            if (t == m.fichiers.end() || t->second.find("channel 1 ") == std::string::npos)
                hors_etat += fichier + " ";
            return lance(fichier, dossier);
        };
        if (!refus.empty()) p->s.remplace_fichier = [this](auto&, auto) { return refus; };
        p->s.aleatoire = tire;
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
    const auto sans_jour = [](programme& q) {
        ecrit_coche(q.fenetre, jour(0), 0, false);
        ecrit_coche(q.fenetre, jour(1), 0, false);
    };
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
        const char* refus = "";
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
        {"no day ticked any more: restored as on and said, no stop until shutdown", nullptr,
         lundi(8, 10), false, sans_jour, lundi(9, 30),
         "M0@0 08:00:10 | channel 1 (Pompe) slot 1 restored as on; no day of its channel is "
         "ticked, so its stop comes only when a ticked day reaches its stop minute or at "
         "shutdown"},
        {"a clean shutdown leaves nothing to restore", nullptr, lundi(8, 10), true, nullptr,
         lundi(8, 20),
         "M0@0 08:00:10 A0@0 08:10:10 M0@1 08:00:00 A0@1 09:00:00 | no started slot to restore"},
        {"no state file, a first start: nothing said", nullptr, jamais, false, nullptr,
         lundi(8, 20), "M0@1 08:00:00 A0@1 09:00:00 "},
        {"a file over 64 KiB: nothing restored", "#\n", jamais, false, nullptr, lundi(8, 20),
         "M0@1 08:00:00 A0@1 09:00:00 | too large; no started slot restored"},
        {"an empty state file: nothing to restore", "", jamais, false, nullptr, lundi(8, 20),
         "M0@1 08:00:00 A0@1 09:00:00 | no started slot to restore"},
        {"a pause that ended while down ends at startup, nothing started",
         "channel 1 paused since 2026-12-06 10:00:00 until 2026-12-07 08:10:00\n", jamais, false,
         nullptr, lundi(8, 20),
         "M0@1 08:00:00 A0@1 09:00:00 | no started slot to restore| channel 1: pause ended while "
         "the program was down; its "
         "next start comes from its schedule"},
        {"a pause in force at startup holds and stays in the file",
         "channel 1 paused since 2026-12-06 10:00:00 until 2026-12-08 12:00:00\n", jamais, false,
         nullptr, lundi(7, 0),
         "| no started slot to restore| channel 1 stays paused until 2026-12-08 12:00:00"},
        {"held on by a killed run, its end passed while down: stopped at startup",
         "channel 1 held on since 2026-12-07 07:00:00 until 2026-12-07 08:00:00 start\n", jamais,
         false, nullptr, lundi(8, 20),
         "A0@0 08:20:00 M0@1 08:00:00 A0@1 09:00:00 | no started slot to restore| channel 1: "
         "override ended while the "
         "program was down; its next start comes from its schedule"},
        {"malformed lines left out, the rest used",
         "channel 1 slot 1\n\x01\x02\nchannel 1 slot 1 started 2026-12-07 08:00:00 times "
         "08:00-09:00\nchannel 2 slot 9\n",
         jamais, false, nullptr, lundi(8, 20),
         "A0@0 09:00:00 M0@1 08:00:00 A0@1 09:00:00 | line 1 left out (not a started slot): "
         "channel 1 slot 1| line 2 left out (not a started slot): \\x01\\x02| line 4 left out "
         "(not a started slot): channel 2 slot 9"},
        {"a state file that cannot be written: said once, the launches go on", nullptr, jamais,
         false, nullptr, lundi(8, 20),
         "M0@1 08:00:00 A0@1 09:00:00 | Permission denied; a crash would leave the started "
         "slots without their stop",
         "Permission denied"},
    };
    for (const cas& c : table) {
        SCOPED_TRACE(c.nom);
        m = faux_monde{};
        refus = c.refus;
        hors_etat.clear();
        // Channel 0, Monday and Tuesday, slot 1 08:00-09:00.
        essai::ecrit_fichier(d.chemin / "ervaline.ini",
                             "[ervaline]\nnom_0=Pompe\nlundi_0=on\nmardi_0=on\nheure_deb_1_0=8\n"
                             "heure_fin_1_0=9\nvalid_0=on\ncommande_marche_0=M0\n"
                             "commande_arret_0=A0\n");
        if (c.etat_initial != nullptr) m.fichiers[etat] = c.etat_initial;
        if (c.etat_initial != nullptr && *c.etat_initial == '#')
            m.fichiers[etat].resize(65537, '#');
        if (c.fin != jamais) run(lundi(7, 59, 50), c.fin, nullptr, c.arret);
        if (c.edition != nullptr) run(c.fin + 5min, c.fin + 10min, c.edition, false);
        run(c.reprise, lundi(12, 0) + days(1), nullptr, false);
        EXPECT_EQ(vus(), c.vus);
        if (!refus.empty()) continue;
        EXPECT_EQ(hors_etat, "");
        // The last run is still going: its file lists what it has started.
        EXPECT_EQ(m.fichiers[etat], texte_etat(p->g));
    }
}

// A run killed before its start minute drew +7: the next run that day starts at 08:07,
// though it would draw -5. A rule that does not read is said at each load, once.
TEST_F(Redemarrage, TheDaysDrawOutlivesARestartAndABadRuleLeavesTheFixedTime) {
    essai::ecrit_fichier(d.chemin / "ervaline.ini",
                         "[ervaline]\nlundi_0=on\nheure_deb_1_0=8\nheure_fin_1_0=9\nvalid_0=on\n"
                         "commande_marche_0=M0\ncommande_arret_0=A0\n[horlivet]\n"
                         "aleatoire_deb_1_0=10\nsoleil_fin_1_0=crepuscule\n");
    int tirage = 7;
    tire = [&tirage](int, int) { return tirage; };
    run(lundi(7, 0), lundi(7, 10), nullptr, false);
    tirage = -5;
    run(lundi(7, 20), lundi(9, 30), nullptr, false);
    EXPECT_EQ(lances(m), (std::vector<std::string>{"M0@0 08:07:00", "A0@0 09:00:00"}));
    ASSERT_EQ(m.signalements.size(), 2u);
    EXPECT_NE(m.signalements[0].find("[horlivet] soleil_fin_1_0=crepuscule is not a sun rule"),
              std::string::npos);
    EXPECT_NE(m.signalements[1].find("no started slot to restore"), std::string::npos);
}

// Europe/Paris in 2027: +0200 from March 28 to October 31 at 01:00 UTC, +0100 otherwise.
date_heure paris(sys_seconds t) {
    const bool ete =
        t >= sys_days(2027y / March / 28) + 1h && t < sys_days(2027y / October / 31) + 1h;
    date_heure d = date_de(t + (ete ? 2h : 1h));
    d.decalage = ete ? 7200 : 3600;
    return d;
}

TEST_F(Redemarrage, TheStartLaunchIsARealInstantSoTheHoursSummerTimeRepeatsOrSkipsCount) {
    // Channel 0 on Sundays, slot 1 01:50-02:05 and slot 2 02:10-02:40; the clock reads
    // real instants (UTC) as Paris does. The state file, then a run from `reprise` for
    // 40 min.
    const sys_seconds automne = sys_days(2027y / October / 31),
                      printemps = sys_days(2027y / March / 28);
    struct cas {
        const char* nom;
        const char* etat_initial;
        sys_seconds reprise;
        std::vector<std::pair<const char*, sys_seconds>> lances;
    };
    const cas table[] = {
        {"started in the first pass of 02:00, restarted in the second: stopped at restore, once",
         "channel 1 slot 2 started 2027-10-31 02:10:04 +0200 times 02:10-02:40\n",
         automne + 1h + 20min,
         {{"A0", automne + 1h + 20min}}},
        {"a line without an offset reads as it always did: the stop at 02:40 of the second pass",
         "channel 1 slot 2 started 2027-10-31 02:10:04 times 02:10-02:40\n",
         automne + 1h + 20min,
         {{"A0", automne + 1h + 40min}}},
        {"a stop in the hour summer time skips: at restore",
         "channel 1 slot 1 started 2027-03-28 01:50:04 +0100 times 01:50-02:05\n",
         printemps + 1h + 10min,
         {{"A0", printemps + 1h + 10min}}},
    };
    for (const cas& c : table) {
        SCOPED_TRACE(c.nom);
        m = faux_monde{};
        m.zone = paris;
        essai::ecrit_fichier(d.chemin / "ervaline.ini",
                             "[ervaline]\nnom_0=Pompe\ndimanche_0=on\nheure_deb_1_0=1\n"
                             "minute_deb_1_0=50\nheure_fin_1_0=2\nminute_fin_1_0=5\nvalid_0=on\n"
                             "heure_deb_2_0=2\nminute_deb_2_0=10\nheure_fin_2_0=2\n"
                             "minute_fin_2_0=40\nvalid_2_0=on\ncommande_marche_0=M0\n"
                             "commande_arret_0=A0\n");
        m.fichiers[etat] = c.etat_initial;
        run(c.reprise, c.reprise + 40min, nullptr, false);
        faux_monde attendu;
        for (const auto& [fichier, quand] : c.lances)
            attendu.lancements.push_back({fichier, "", quand});
        EXPECT_EQ(lances(m), lances(attendu));
        EXPECT_EQ(m.signalements, std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace horlivet
