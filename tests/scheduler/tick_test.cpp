#include "scheduler/tick.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/faux.h"
#include "window/demarrage.h"

namespace horlivet {
namespace {

using namespace test;

constexpr year_month_day lundi_7{2026y, December, 7d};  // a Monday

struct Tick : testing::Test {
    programme p;
    faux_monde m;

    void SetUp() override {
        prepare(p, m);
        for (int i = 0; i < nb_voies; ++i) {
            ecrit_texte(p.fenetre, champ::Commande_marche, i, "M" + std::to_string(i));
            ecrit_texte(p.fenetre, champ::commande_arret, i, "A" + std::to_string(i));
        }
    }

    // Ticks every 20 s from `debut` (included) to `fin` (excluded).
    void simule(sys_seconds debut, sys_seconds fin) {
        for (m.maintenant = debut; m.maintenant < fin; m.maintenant += 20s) Timer1_Timer(p);
    }

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

TEST_F(Tick, AWeekOfTicksAtEveryOffsetLaunchesEachStartAndStopOnceInItsMinute) {
    for (int decalage : {0, 1, 7, 13, 19}) {
        SCOPED_TRACE("ticks at second offset " + std::to_string(decalage));
        p = programme{};
        m = faux_monde{};
        SetUp();
        jours(p, 0, {0, 1, 2, 3, 4});
        plage(p, 0, 1, 8, 30, 9, 0);
        jours(p, 3, {5});
        plage(p, 3, 2, 12, 0, 12, 45);
        simule(a(lundi_7, 0, 0, decalage), a(lundi_7, 0, 0, decalage) + days(7));

        const std::string s = (decalage < 10 ? ":0" : ":") + std::to_string(decalage);
        std::vector<std::string> attendus;
        for (const std::string d : {"0", "1", "2", "3", "4"}) {
            attendus.insert(attendus.end(), {"M0@" + d + " 08:30" + s, "A0@" + d + " 09:00" + s});
        }
        attendus.insert(attendus.end(), {"M3@5 12:00" + s, "A3@5 12:45" + s});
        EXPECT_EQ(lances(), attendus);
        EXPECT_EQ(m.lignes.size(), attendus.size());
    }
}

TEST_F(Tick, SameMinuteStartAndStopLaunchOnceEachInTheFirstTick) {
    jours(p, 2, {0});
    plage(p, 2, 1, 7, 0, 7, 0);
    simule(a(lundi_7, 6, 59, 5), a(lundi_7, 7, 5, 0));
    EXPECT_EQ(lances(), (std::vector<std::string>{"M2@0 07:00:05", "A2@0 07:00:05"}));
    EXPECT_FALSE(voie_active(p.g, 2));
}

TEST_F(Tick, StartingMidSlotLaunchesNothingThatDay) {
    jours(p, 0, {0, 1});
    plage(p, 0, 1, 8, 30, 9, 0);
    simule(a(lundi_7, 8, 45), a(lundi_7, 10, 0) + days(1));
    EXPECT_EQ(lances(), (std::vector<std::string>{"M0@1 08:30:00", "A0@1 09:00:00"}));
}

TEST_F(Tick, OvernightSlotStopsOnTheNextTickedDayAndDoesNotRestartBefore) {
    jours(p, 1, {0, 3});  // Monday and Thursday
    plage(p, 1, 1, 22, 0, 6, 0);
    simule(a(lundi_7, 0, 0), a(lundi_7, 0, 0) + days(5));
    EXPECT_EQ(lances(),
              (std::vector<std::string>{"M1@0 22:00:00", "A1@3 06:00:00", "M1@3 22:00:00"}));
}

TEST_F(Tick, ADisabledStartedSlotKeepsWaitingForItsStop) {
    jours(p, 0, {0, 1, 2});
    plage(p, 0, 1, 8, 30, 9, 0);
    simule(a(lundi_7, 8, 29), a(lundi_7, 8, 40));
    ecrit_coche(p.fenetre, champ::valid, 0, false);  // live, no save needed
    simule(a(lundi_7, 8, 40), a(lundi_7, 8, 50));
    ecrit_coche(p.fenetre, champ::valid, 0, true);
    simule(a(lundi_7, 8, 50), a(lundi_7, 9, 10));
    // Disabled through Tuesday's windows: neither its start nor its stop.
    ecrit_coche(p.fenetre, champ::valid, 0, false);
    simule(a(lundi_7, 9, 10), a(lundi_7, 9, 10) + days(1));
    ecrit_coche(p.fenetre, champ::valid, 0, true);
    simule(a(lundi_7, 9, 10) + days(1), a(lundi_7, 9, 10) + days(2));
    EXPECT_EQ(lances(), (std::vector<std::string>{"M0@0 08:30:00", "A0@0 09:00:00", "M0@2 08:30:00",
                                                  "A0@2 09:00:00"}));
}

TEST_F(Tick, DisabledWhileStartedThenEnabledAfterItsStopWindowStopsNextDay) {
    jours(p, 0, {0, 1});
    plage(p, 0, 1, 8, 30, 9, 0);
    simule(a(lundi_7, 8, 29), a(lundi_7, 8, 40));
    ecrit_coche(p.fenetre, champ::valid, 0, false);
    simule(a(lundi_7, 8, 40), a(lundi_7, 9, 10));
    ecrit_coche(p.fenetre, champ::valid, 0, true);
    simule(a(lundi_7, 9, 10), a(lundi_7, 9, 10) + days(1));
    // Still started: Tuesday's start is not launched, only its stop.
    EXPECT_EQ(lances(), (std::vector<std::string>{"M0@0 08:30:00", "A0@1 09:00:00"}));
}

TEST_F(Tick, OverlappingSlotsEachLaunchTheirOwnStartAndStop) {
    jours(p, 4, {0});
    plage(p, 4, 1, 8, 0, 10, 0);
    plage(p, 4, 2, 9, 0, 11, 0);
    simule(a(lundi_7, 7, 59), a(lundi_7, 11, 2));
    EXPECT_EQ(lances(), (std::vector<std::string>{"M4@0 08:00:00", "M4@0 09:00:00", "A4@0 10:00:00",
                                                  "A4@0 11:00:00"}));
}

TEST_F(Tick, LaunchesOfOneTickFollowChannelThenSlotThenStartBeforeStop) {
    for (int i : {5, 1}) jours(p, i, {0});
    plage(p, 5, 1, 7, 0, 7, 0);
    plage(p, 1, 3, 7, 0, 8, 0);
    plage(p, 1, 2, 6, 0, 7, 0);
    simule(a(lundi_7, 5, 59, 10), a(lundi_7, 7, 0, 10));
    m.lancements.clear();
    simule(a(lundi_7, 7, 0, 10), a(lundi_7, 7, 0, 11));
    EXPECT_EQ(lances(), (std::vector<std::string>{"A1@0 07:00:10", "M1@0 07:00:10", "M5@0 07:00:10",
                                                  "A5@0 07:00:10"}));
}

TEST_F(Tick, WindowsAreClosedMinutesThatNeverRunPastMidnight) {
    jours(p, 0, {0, 1});
    jours(p, 1, {0, 1});
    plage(p, 0, 1, 23, 59, 0, 0, true);
    plage(p, 1, 1, 0, 0, 23, 59, true);
    struct cas {
        const char* nom;
        sys_seconds quand;
        std::vector<std::string> attendus;
    };
    const std::vector<cas> table = {
        {"23:58:59 is early", a(lundi_7, 23, 58, 59), {}},
        {"midnight starts 00:00, not 23:59", a(lundi_7, 0, 0) + days(1), {"M1@1 00:00:00"}},
        {"00:01:00 closes the 00:00 window", a(lundi_7, 0, 1, 0) + days(1), {"M1@1 00:01:00"}},
        {"00:01:01 is late", a(lundi_7, 0, 1, 1), {}},
        {"23:59:59 is still in", a(lundi_7, 23, 59, 59) + days(1), {"M0@1 23:59:59"}},
    };
    for (const auto& c : table) {
        SCOPED_TRACE(c.nom);
        for (auto& plage : p.g.attente) plage.fill(true);
        p.g.date_dernier_debut = {};
        p.g.dernier_tick.reset();
        m.lancements.clear();
        m.maintenant = c.quand;
        Timer1_Timer(p);
        EXPECT_EQ(lances(), c.attendus);
    }
}

TEST_F(Tick, OnlyTodaysDayFlagCounts) {
    jours(p, 6, {6});  // Sunday only
    plage(p, 6, 1, 12, 0, 12, 30);
    simule(a(lundi_7, 0, 0), a(lundi_7, 0, 0) + days(7));
    EXPECT_EQ(lances(), (std::vector<std::string>{"M6@6 12:00:00", "A6@6 12:30:00"}));
}

TEST_F(Tick, AnUnsavedTimeEditIsNotUsedButDayAndSlotEditsAre) {
    plage(p, 0, 1, 8, 30, 9, 0, false);
    ecrit_position(p.fenetre, champ::H_marche_1, 0, 7);  // not saved: horaires keep 08:30
    jours(p, 0, {0});                                    // live
    ecrit_coche(p.fenetre, champ::valid, 0, true);       // live
    simule(a(lundi_7, 6, 0), a(lundi_7, 10, 0));
    EXPECT_EQ(lances(), (std::vector<std::string>{"M0@0 08:30:00", "A0@0 09:00:00"}));
}

TEST_F(Tick, AFailedStartIsJournalledOnceAndItsStopStillFollows) {
    jours(p, 0, {0});
    plage(p, 0, 1, 8, 30, 9, 0);
    m.code_lancement = 2;
    simule(a(lundi_7, 8, 0), a(lundi_7, 9, 30));
    EXPECT_EQ(lances(), (std::vector<std::string>{"M0@0 08:30:00", "A0@0 09:00:00"}));
    ASSERT_EQ(m.lignes.size(), 2u);
    EXPECT_NE(m.lignes[0].second.find("  Erreur 2  commande : M0\r\n"), std::string::npos);
}

TEST_F(Tick, ClockStepsLaunchNothingTwiceAndCatchUpTheWindowsTheyJumpOver) {
    // Ticks from `debut` to `fin`; the clock steps between one stretch and the next.
    struct troncon {
        sys_seconds debut, fin;
    };
    struct cas {
        const char* nom;
        std::vector<troncon> troncons;
        std::vector<std::string> attendus;
    };
    const auto lundi = [](int h, int mn) { return a(lundi_7, h, mn); };
    const auto mardi = [](int h, int mn) { return a(lundi_7, h, mn) + days(1); };
    const cas table[] = {
        {"back two hours after the day's launches",
         {{lundi(8, 0), lundi(10, 0)}, {lundi(8, 0), lundi(10, 0)}},
         {"M0@0 08:30:00", "A0@0 09:00:00", "M0@0 09:30:00", "A0@0 09:30:00"}},
        {"back an hour while started: the stop comes once",
         {{lundi(8, 0), lundi(8, 45)}, {lundi(7, 45), lundi(10, 0)}},
         {"M0@0 08:30:00", "A0@0 09:00:00", "M0@0 09:30:00", "A0@0 09:30:00"}},
        {"back an hour across midnight",
         {{lundi(23, 0), mardi(0, 10)}, {lundi(23, 10), mardi(0, 10)}},
         {"M1@0 23:30:00", "A1@0 23:45:00"}},
        {"forward a day while started: the stop comes at the next stop window",
         {{lundi(8, 0), lundi(8, 45)}, {mardi(8, 45), mardi(10, 0)}},
         {"M0@0 08:30:00", "A0@1 09:00:00", "M0@1 09:30:00", "A0@1 09:30:00"}},
        {"forward a day before the start: started at once, as the skipped ticks left it",
         {{lundi(8, 0), lundi(8, 20)}, {mardi(8, 40), mardi(10, 0)}},
         {"M0@1 08:40:00", "A0@1 09:00:00", "M0@1 09:30:00", "A0@1 09:30:00"}},
        {"forward a day, then back a day: the skipped ticks count as seen",
         {{lundi(8, 0), lundi(8, 45)}, {mardi(8, 45), mardi(9, 10)}, {lundi(8, 20), lundi(10, 0)}},
         {"M0@0 08:30:00", "A0@1 09:00:00", "M0@0 08:30:00", "A0@0 09:00:00"}},
    };
    for (const cas& c : table) {
        SCOPED_TRACE(c.nom);
        p = programme{};
        m = faux_monde{};
        SetUp();
        jours(p, 0, {0, 1, 2});
        plage(p, 0, 1, 8, 30, 9, 0);
        plage(p, 0, 2, 9, 30, 9, 30);
        jours(p, 1, {0, 1});
        plage(p, 1, 1, 23, 30, 23, 45);
        for (const troncon& t : c.troncons) simule(t.debut, t.fin);
        EXPECT_EQ(lances(), c.attendus);
        EXPECT_EQ(m.lignes.size(), c.attendus.size());
    }
}

TEST_F(Tick, MinutesNoTickSawAreCaughtUpWithTheNetStateOnly) {
    struct troncon {
        sys_seconds debut, fin;
    };
    struct cas {
        const char* nom;
        std::vector<troncon> troncons;
        std::vector<std::string> attendus;
        std::vector<std::string> rapports;
    };
    const auto le = [](int jour, int h, int mn) { return a(lundi_7, h, mn) + days(jour); };
    const cas table[] = {
        {"suspended across a stop: the stop once, at resume",
         {{le(0, 8, 0), le(0, 8, 45)}, {le(0, 9, 20), le(0, 9, 25)}},
         {"M0@0 08:30:00", "A0@0 09:20:00"},
         {"no tick saw the 0 h 35 min 20 s from 2026-12-07 08:44:40 to 2026-12-07 09:20:00 "
          "(local time): 1 launch catches up"}},
        {"suspended across a start: the start at resume, the stop at its time",
         {{le(0, 8, 0), le(0, 8, 20)}, {le(0, 8, 40), le(0, 9, 10)}},
         {"M0@0 08:40:00", "A0@0 09:00:00"},
         {"no tick saw the 0 h 20 min 20 s from 2026-12-07 08:19:40 to 2026-12-07 08:40:00 "
          "(local time): 1 launch catches up"}},
        {"suspended across a whole slot: nothing, not even a report",
         {{le(0, 8, 0), le(0, 8, 20)}, {le(0, 9, 10), le(0, 9, 20)}},
         {},
         {}},
        {"a tick 50 s late is no gap",
         {{le(0, 8, 0), le(0, 8, 29) + 50s}, {le(0, 8, 30) + 30s, le(0, 8, 31)}},
         {"M0@0 08:30:30"},
         {}},
        {"several days of two channels: only the net state, in channel order",
         {{le(0, 8, 0), le(0, 8, 45)}, {le(3, 10, 0), le(3, 10, 5)}},
         {"M0@0 08:30:00", "A0@3 10:00:00", "M2@3 10:00:00"},
         {"no tick saw the 3 d 1 h 15 min 20 s from 2026-12-07 08:44:40 to 2026-12-10 10:00:00 "
          "(local time): 2 launches catch up"}},
        {"over midnight into an unticked day: the overnight slot stays on",
         {{le(0, 21, 50), le(0, 22, 10)}, {le(1, 7, 0), le(1, 7, 10)}},
         {"M2@0 22:00:00"},
         {}},
        {"over the unticked day to the next ticked one: its stop, once",
         {{le(0, 21, 50), le(0, 22, 10)}, {le(2, 6, 30), le(2, 6, 35)}},
         {"M2@0 22:00:00", "A2@2 06:30:00"},
         {"no tick saw the 1 d 8 h 20 min 20 s from 2026-12-07 22:09:40 to 2026-12-09 06:30:00 "
          "(local time): 1 launch catches up"}},
        {"summer time, 02:00 becomes 03:00: the skipped stop and start at 03:00",
         {{le(6, 0, 50), le(6, 2, 0)}, {le(6, 3, 0), le(6, 4, 10)}},
         {"M3@6 01:00:00", "A3@6 03:00:00", "M3@6 03:00:00", "M3@6 03:00:00", "A3@6 03:30:00",
          "A3@6 04:00:00"},
         {"no tick saw the 1 h 0 min 20 s from 2026-12-13 01:59:40 to 2026-12-13 03:00:00 "
          "(local time): 2 launches catch up"}},
        {"winter time, 03:00 becomes 02:00: nothing twice",
         {{le(6, 0, 50), le(6, 3, 0)}, {le(6, 2, 0), le(6, 4, 10)}},
         {"M3@6 01:00:00", "M3@6 02:10:00", "M3@6 02:15:00", "A3@6 02:20:00", "A3@6 02:30:00",
          "M3@6 03:00:00", "A3@6 03:30:00", "A3@6 04:00:00"},
         {}},
    };
    for (const cas& c : table) {
        SCOPED_TRACE(c.nom);
        p = programme{};
        m = faux_monde{};
        SetUp();
        jours(p, 0, {0, 1, 2});
        plage(p, 0, 1, 8, 30, 9, 0);
        jours(p, 2, {0, 2});
        plage(p, 2, 1, 22, 0, 6, 0);
        jours(p, 3, {6});
        plage(p, 3, 1, 1, 0, 2, 30);
        plage(p, 3, 2, 2, 15, 4, 0);
        plage(p, 3, 3, 2, 10, 2, 20);
        plage(p, 3, 4, 3, 0, 3, 30);
        for (const troncon& t : c.troncons) simule(t.debut, t.fin);
        EXPECT_EQ(lances(), c.attendus);
        EXPECT_EQ(m.lignes.size(), c.attendus.size());
        EXPECT_EQ(m.signalements, c.rapports);
    }
}

TEST_F(Tick, ASlotMovedAndSavedStartsAtItsNewTimeUnlessItHasPassed) {
    jours(p, 0, {0});
    plage(p, 0, 1, 8, 0, 8, 30);
    simule(a(lundi_7, 7, 59), a(lundi_7, 9, 0));
    plage(p, 0, 1, 10, 0, 10, 0);  // moved later the same day, saved
    simule(a(lundi_7, 9, 0), a(lundi_7, 10, 0, 20));
    plage(p, 0, 1, 10, 0, 10, 30);  // the same start: not started again in its minute
    simule(a(lundi_7, 10, 0, 20), a(lundi_7, 12, 0));
    plage(p, 0, 1, 8, 0, 8, 30);  // back to a time already passed
    simule(a(lundi_7, 12, 0), a(lundi_7, 23, 0));
    EXPECT_EQ(lances(), (std::vector<std::string>{"M0@0 08:00:00", "A0@0 08:30:00", "M0@0 10:00:00",
                                                  "A0@0 10:00:00"}));
}

TEST_F(Tick, NothingHappensBeforeStartupSetTheFlags) {
    jours(p, 0, {0});
    plage(p, 0, 1, 8, 30, 9, 0);
    p.g.ticks_actifs = false;
    simule(a(lundi_7, 8, 30), a(lundi_7, 8, 31));
    EXPECT_TRUE(m.lancements.empty());
    EXPECT_EQ(m.lectures_horloge, 0);
}

}  // namespace
}  // namespace horlivet
