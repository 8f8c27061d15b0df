#include "scheduler/tick.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/horaires_du_jour.h"
#include "scheduler/manuel.h"
#include "support/faux.h"

namespace horlivet {
namespace {

using namespace test;

// Ticks from `debut` to `fin`, after `avant` changed the program or the world: the clock
// may step or stop between one stretch and the next.
struct troncon {
    sys_seconds debut, fin;
    std::function<void(programme&, faux_monde&)> avant{};
};

struct cas {
    const char* nom;
    std::vector<horaire> h;
    std::vector<troncon> troncons;
    std::vector<std::string> attendus;  // "file@day hh:mm:ss", day 0 the Monday
    std::vector<std::string> rapports{};
};

std::vector<troncon> un_tick(sys_seconds t) { return {{t, t + 1s}}; }

// A validity box ticked or cleared live, with no save.
void valide(programme& p, faux_monde&) { ecrit_coche(p.fenetre, champ::valid, 0, true); }
void invalide(programme& p, faux_monde&) { ecrit_coche(p.fenetre, champ::valid, 0, false); }

// A request by hand at `t`, before the stretch that starts there; it must be done.
std::function<void(programme&, faux_monde&)> main(sys_seconds t,
                                                  std::string (*action)(programme&, int,
                                                                        const std::string&)) {
    return [t, action](programme& p, faux_monde& m) {
        m.maintenant = t;
        EXPECT_EQ(action(p, 0, "test"), "");
    };
}
std::function<void(programme&, faux_monde&)> pause_jusqua(sys_seconds t, sys_seconds fin) {
    return [t, fin](programme& p, faux_monde& m) {
        m.maintenant = t;
        EXPECT_EQ(met_en_pause(p, 0, date_de(fin), "test"), "");
    };
}
// Channel 1 every day, 08:30-09:00 and 18:00-22:00.
const std::vector<horaire> manuel = {
    {0, {0, 1, 2, 3, 4, 5, 6}, {{1, 8, 30, 9, 0, 1}, {2, 18, 0, 22, 0, 1}}}};

// Clock steps and the minutes no tick saw, on one schedule each.
const std::vector<horaire> sauts = {{0, {0, 1, 2}, {{1, 8, 30, 9, 0, 1}, {2, 9, 30, 9, 30, 1}}},
                                    {1, {0, 1}, {{1, 23, 30, 23, 45, 1}}}};
const std::vector<horaire> trous = {
    {0, {0, 1, 2}, {{1, 8, 30, 9, 0, 1}}},
    {2, {0, 2}, {{1, 22, 0, 6, 0, 1}}},
    {3,
     {6},
     {{1, 1, 0, 2, 30, 1}, {2, 2, 15, 4, 0, 1}, {3, 2, 10, 2, 20, 1}, {4, 2, 40, 3, 30, 1}}}};
// Two slots each, the later slot first in the day on channel 1, overnight on channel 2.
const std::vector<horaire> ordre = {
    {0, {0, 1, 2, 3, 4, 5, 6}, {{1, 8, 0, 9, 0, 1}, {2, 10, 0, 12, 0, 1}}},
    {1, {0, 1, 2, 3, 4, 5, 6}, {{1, 7, 0, 8, 0, 1}, {2, 22, 0, 6, 0, 1}}}};
// Closed windows at both ends of the day.
const std::vector<horaire> minuit = {{0, {0, 1}, {{1, 23, 59, 0, 0, 1}}},
                                     {1, {0, 1}, {{1, 0, 0, 23, 59, 1}}}};

// Slot 1 of channel 1 starts at sunset, which `coucher` gives for the day that
// `jour` (a local midnight read as UTC) begins.
void au_coucher(programme& p, std::function<sys_seconds(sys_seconds)> coucher) {
    p.s.soleil = [coucher](double, double, sys_seconds jour) {
        return soleil_brut{0, jour + 7h, coucher(jour)};
    };
    p.g.variables.place = lieu{48.85, 2.35};
    regle_soleil r;
    r.coucher = true;
    r.decalage = 30;
    regles_k(p.g.variables, 1, 0).soleil_debut = r;
    retient_fixes(p);
}
// Sunset at 17:00 on Monday 7, two minutes later each day.
void coucher_tardif(programme& p, faux_monde&) {
    au_coucher(p, [](sys_seconds jour) {
        return jour + 17h + minutes(2 * duration_cast<days>(jour - sys_days(lundi_7)).count());
    });
}
// Summer time begins on Sunday at 01:00 UTC; sunset at 18:00 UTC, 19:00 then 20:00 local.
void coucher_ete(programme& p, faux_monde& m) {
    m.zone = [](sys_seconds t) {
        const int decalage = t >= le(6, 1, 0) ? 7200 : 3600;
        date_heure d = date_de(t + seconds(decalage));
        d.decalage = decalage;
        return d;
    };
    au_coucher(p, [](sys_seconds jour) { return jour + 18h; });
    regles_k(p.g.variables, 1, 0).soleil_debut->decalage = 0;
}

const cas table[] = {
    {"a sunset slot follows the sun through the week",
     {{0, {0, 1, 2, 3, 4, 5, 6}, {{1, 18, 0, 23, 0, 1}}}},
     {{le(0, 12, 0), le(7, 0, 0), coucher_tardif}},
     {"M0@0 17:30:00", "A0@0 23:00:00", "M0@1 17:32:00", "A0@1 23:00:00", "M0@2 17:34:00",
      "A0@2 23:00:00", "M0@3 17:36:00", "A0@3 23:00:00", "M0@4 17:38:00", "A0@4 23:00:00",
      "M0@5 17:40:00", "A0@5 23:00:00", "M0@6 17:42:00", "A0@6 23:00:00"}},
    // Launch times in UTC: the local 23:00 stop moves an hour, the sunset does not.
    {"on the day summer time begins, sunset is not off by the hour",
     {{0, {5, 6}, {{1, 18, 0, 23, 0, 1}}}},
     {{le(5, 12, 0), le(7, 0, 0), coucher_ete}},
     {"M0@5 18:00:00", "A0@5 22:00:00", "M0@6 18:00:00", "A0@6 21:00:00"}},
    // Once each in its window, on ticked days only, nothing mid-slot, overnight to the next
    // ticked day, a same-minute slot in one tick.
    {"a week from Monday 08:45:19",
     {{0, {0, 1, 4}, {{1, 8, 30, 9, 0, 1}}},
      {1, {0, 3}, {{1, 22, 0, 6, 0, 1}}},
      {2, {1}, {{1, 7, 0, 7, 0, 1}}},
      {6, {6}, {{3, 12, 0, 12, 30, 1}}}},
     {{le(0, 8, 45, 19), le(7, 8, 0)}},
     {"M1@0 22:00:19", "M2@1 07:00:19", "A2@1 07:00:19", "M0@1 08:30:19", "A0@1 09:00:19",
      "A1@3 06:00:19", "M1@3 22:00:19", "M0@4 08:30:19", "A0@4 09:00:19", "M6@6 12:00:19",
      "A6@6 12:30:19", "A1@7 06:00:19"}},
    {"disabled while started: no stop, no start while started, no launch while disabled",
     {{0, {0, 1, 2, 3}, {{1, 8, 30, 9, 0, 1}}}},
     {{le(0, 8, 29), le(0, 8, 40)},
      {le(0, 8, 40), le(0, 9, 10), invalide},
      {le(0, 9, 10), le(1, 9, 10), valide},
      {le(1, 9, 10), le(2, 9, 10), invalide},
      {le(2, 9, 10), le(3, 9, 10), valide}},
     {"M0@0 08:30:00", "A0@1 09:00:00", "M0@3 08:30:00", "A0@3 09:00:00"}},
    {"in one tick: channel, then slot, then start before stop; overlaps launch each",
     {{5, {0}, {{1, 7, 0, 7, 0, 1}}},
      {1, {0}, {{3, 7, 0, 8, 0, 1}, {2, 6, 0, 7, 0, 1}}},
      {4, {0}, {{1, 8, 0, 10, 0, 1}, {2, 9, 0, 11, 0, 1}}}},
     {{le(0, 5, 59, 10), le(0, 11, 2)}},
     {"M1@0 06:00:10", "A1@0 07:00:10", "M1@0 07:00:10", "M5@0 07:00:10", "A5@0 07:00:10",
      "A1@0 08:00:10", "M4@0 08:00:10", "M4@0 09:00:10", "A4@0 10:00:10", "A4@0 11:00:10"}},
    {"23:58:59 is early", minuit, un_tick(le(0, 23, 58, 59)), {}},
    {"00:00:00 starts 00:00, not 23:59", minuit, un_tick(le(1, 0, 0)), {"M1@1 00:00:00"}},
    {"00:01:00 closes the 00:00 window", minuit, un_tick(le(1, 0, 1, 0)), {"M1@1 00:01:00"}},
    {"00:01:01 is late", minuit, un_tick(le(0, 0, 1, 1)), {}},
    {"23:59:59 is still in", minuit, un_tick(le(1, 23, 59, 59)), {"M0@1 23:59:59"}},
    {"an unsaved time edit is not used; a failed start still leads to its stop",
     {{0, {0}, {{1, 8, 30, 9, 0, 1}}}},
     {{le(0, 6, 0), le(0, 10, 0),
       [](programme& p, faux_monde& m) {
           ecrit_position(p.fenetre, champ::H_marche_1, 0, 7);
           m.code_lancement = 2;
       }}},
     {"M0@0 08:30:00", "A0@0 09:00:00"}},
    {"a slot moved and saved starts at its new time unless it has passed",
     {{0, {0}, {{1, 8, 0, 8, 30, 1}}}},
     {{le(0, 7, 59), le(0, 9, 0)},
      {le(0, 9, 0), le(0, 10, 0, 20),
       [](programme& p, faux_monde&) { plage(p, 0, 1, 10, 0, 10, 0); }},
      // The same start: not started again in its minute.
      {le(0, 10, 0, 20), le(0, 12, 0),
       [](programme& p, faux_monde&) { plage(p, 0, 1, 10, 0, 10, 30); }},
      {le(0, 12, 0), le(0, 23, 0), [](programme& p, faux_monde&) { plage(p, 0, 1, 8, 0, 8, 30); }}},
     {"M0@0 08:00:00", "A0@0 08:30:00", "M0@0 10:00:00", "A0@0 10:00:00"}},
    {"nothing before startup set the flags",
     {{0, {0}, {{1, 8, 30, 9, 0, 1}}}},
     {{le(0, 8, 30), le(0, 8, 31), [](programme& p, faux_monde&) { p.g.ticks_actifs = false; }}},
     {}},
    {"back two hours after the day's launches",
     sauts,
     {{le(0, 8, 0), le(0, 10, 0)}, {le(0, 8, 0), le(0, 10, 0)}},
     {"M0@0 08:30:00", "A0@0 09:00:00", "M0@0 09:30:00", "A0@0 09:30:00"}},
    {"back an hour while started: the stop comes once",
     sauts,
     {{le(0, 8, 0), le(0, 8, 45)}, {le(0, 7, 45), le(0, 10, 0)}},
     {"M0@0 08:30:00", "A0@0 09:00:00", "M0@0 09:30:00", "A0@0 09:30:00"}},
    {"back an hour across midnight",
     sauts,
     {{le(0, 23, 0), le(1, 0, 10)}, {le(0, 23, 10), le(1, 0, 10)}},
     {"M1@0 23:30:00", "A1@0 23:45:00"}},
    {"forward a day while started: the stop comes at the next stop window",
     sauts,
     {{le(0, 8, 0), le(0, 8, 45)}, {le(1, 8, 45), le(1, 10, 0)}},
     {"M0@0 08:30:00", "A0@1 09:00:00", "M0@1 09:30:00", "A0@1 09:30:00"}},
    {"forward a day before the start: started at once, as the skipped ticks left it",
     sauts,
     {{le(0, 8, 0), le(0, 8, 20)}, {le(1, 8, 40), le(1, 10, 0)}},
     {"M0@1 08:40:00", "A0@1 09:00:00", "M0@1 09:30:00", "A0@1 09:30:00"},
     {"no tick saw the 1 d 0 h 20 min 20 s from 2026-12-07 08:19:40 to 2026-12-08 08:40:00 "
      "(local time): 1 launch catches up"}},
    {"forward a day, then back a day: the skipped ticks count as seen",
     sauts,
     {{le(0, 8, 0), le(0, 8, 45)}, {le(1, 8, 45), le(1, 9, 10)}, {le(0, 8, 20), le(0, 10, 0)}},
     {"M0@0 08:30:00", "A0@1 09:00:00", "M0@0 08:30:00", "A0@0 09:00:00"}},
    {"suspended across a stop: the stop once, at resume",
     trous,
     {{le(0, 8, 0), le(0, 8, 45)}, {le(0, 9, 20), le(0, 9, 25)}},
     {"M0@0 08:30:00", "A0@0 09:20:00"},
     {"no tick saw the 0 h 35 min 20 s from 2026-12-07 08:44:40 to 2026-12-07 09:20:00 "
      "(local time): 1 launch catches up"}},
    {"suspended across a start: the start at resume, the stop at its time",
     trous,
     {{le(0, 8, 0), le(0, 8, 20)}, {le(0, 8, 40), le(0, 9, 10)}},
     {"M0@0 08:40:00", "A0@0 09:00:00"},
     {"no tick saw the 0 h 20 min 20 s from 2026-12-07 08:19:40 to 2026-12-07 08:40:00 "
      "(local time): 1 launch catches up"}},
    {"suspended across a whole slot: nothing, not even a report",
     trous,
     {{le(0, 8, 0), le(0, 8, 20)}, {le(0, 9, 10), le(0, 9, 20)}},
     {}},
    {"a tick 50 s late is no gap",
     trous,
     {{le(0, 8, 0), le(0, 8, 29) + 50s}, {le(0, 8, 30) + 30s, le(0, 8, 31)}},
     {"M0@0 08:30:30"}},
    {"several days of two channels: only the net state, in channel order",
     trous,
     {{le(0, 8, 0), le(0, 8, 45)}, {le(3, 10, 0), le(3, 10, 5)}},
     {"M0@0 08:30:00", "A0@3 10:00:00", "M2@3 10:00:00"},
     {"no tick saw the 3 d 1 h 15 min 20 s from 2026-12-07 08:44:40 to 2026-12-10 10:00:00 "
      "(local time): 2 launches catch up"}},
    {"asleep from a later slot into an earlier one: the stop of Monday, then the start",
     ordre,
     {{le(0, 9, 59), le(0, 10, 1)}, {le(1, 8, 30), le(1, 9, 10)}},
     {"M0@0 10:00:00", "A0@1 08:30:00", "M0@1 08:30:00", "A0@1 09:00:00"},
     {"no tick saw the 22 h 29 min 20 s from 2026-12-07 10:00:40 to 2026-12-08 08:30:00 "
      "(local time): 2 launches catch up"}},
    {"over midnight into an unticked day: the overnight slot stays on",
     trous,
     {{le(0, 21, 50), le(0, 22, 10)}, {le(1, 7, 0), le(1, 7, 10)}},
     {"M2@0 22:00:00"}},
    {"over the unticked day to the next ticked one: its stop, once",
     trous,
     {{le(0, 21, 50), le(0, 22, 10)}, {le(2, 6, 30), le(2, 6, 35)}},
     {"M2@0 22:00:00", "A2@2 06:30:00"},
     {"no tick saw the 1 d 8 h 20 min 20 s from 2026-12-07 22:09:40 to 2026-12-09 06:30:00 "
      "(local time): 1 launch catches up"}},
    {"summer time, 02:00 becomes 03:00: the skipped stop and start at 03:00",
     trous,
     {{le(6, 0, 50), le(6, 2, 0)}, {le(6, 3, 0), le(6, 4, 10)}},
     {"M3@6 01:00:00", "M3@6 03:00:00", "A3@6 03:00:00", "M3@6 03:00:00", "A3@6 03:30:00",
      "A3@6 04:00:00"},
     {"no tick saw the 1 h 0 min 20 s from 2026-12-13 01:59:40 to 2026-12-13 03:00:00 "
      "(local time): 3 launches catch up"}},
    {"on by hand holds until the next start: the slot starts, nothing launched twice",
     manuel,
     {{le(0, 6, 0), le(0, 7, 0)}, {le(0, 7, 0), le(0, 9, 10), main(le(0, 7, 0), marche_forcee)}},
     {"M0@0 07:00:00", "A0@0 09:00:00"},
     {"channel 1 on by hand until 08:30 (test)",
      "channel 1 on by hand ends at its switching; the schedule takes over"}},
    {"on by hand while the slot waits: its stop minute stops it",
     manuel,
     {{le(0, 8, 0), le(0, 8, 40)},
      {le(0, 8, 40), le(0, 8, 50), main(le(0, 8, 40), arret_force)},
      {le(0, 8, 50), le(0, 10, 0), main(le(0, 8, 50), marche_forcee)}},
     {"M0@0 08:30:00", "A0@0 08:40:00", "M0@0 08:50:00", "A0@0 09:00:00"},
     {"channel 1 off by hand until 09:00 (test)", "channel 1 on by hand until 09:00 (test)",
      "channel 1 on by hand ends at its switching; the schedule takes over"}},
    {"off by hand: its stop minute launches nothing, the next start does",
     manuel,
     {{le(0, 8, 0), le(0, 8, 40)}, {le(0, 8, 40), le(0, 18, 1), main(le(0, 8, 40), arret_force)}},
     {"M0@0 08:30:00", "A0@0 08:40:00", "M0@0 18:00:00"},
     {"channel 1 off by hand until 09:00 (test)",
      "channel 1 off by hand ends at its switching; the schedule takes over"}},
    {"auto: back to the slot under way, one launch",
     manuel,
     {{le(0, 8, 0), le(0, 8, 40)},
      {le(0, 8, 40), le(0, 8, 50), main(le(0, 8, 40), arret_force)},
      {le(0, 8, 50), le(0, 9, 10), main(le(0, 8, 50), retour_au_programme)}},
     {"M0@0 08:30:00", "A0@0 08:40:00", "M0@0 08:50:00", "A0@0 09:00:00"},
     {"channel 1 off by hand until 09:00 (test)", "channel 1 back to its schedule (test)"}},
    {"paused over two days and a gap: nothing, then the evening slot under way at its end",
     manuel,
     {{le(0, 8, 0), le(0, 8, 40)},
      {le(0, 8, 40), le(1, 8, 20), pause_jusqua(le(0, 8, 40), le(2, 19, 0))},
      {le(2, 8, 50), le(2, 22, 10)}},
     {"M0@0 08:30:00", "A0@0 08:40:00", "M0@2 19:00:00", "A0@2 22:00:00"},
     {"channel 1 paused until 2026-12-09 19:00 (test)",
      "channel 1: pause over, back to its schedule"}},
    {"winter time, 03:00 becomes 02:00: nothing twice",
     trous,
     {{le(6, 0, 50), le(6, 3, 0)}, {le(6, 2, 0), le(6, 4, 10)}},
     {"M3@6 01:00:00", "M3@6 02:10:00", "M3@6 02:15:00", "A3@6 02:20:00", "A3@6 02:30:00",
      "M3@6 02:40:00", "A3@6 03:30:00", "A3@6 04:00:00"}},
};

TEST(Tick, LaunchesEachStartAndStopOnceInItsWindowAndCatchesUpWhatNoTickSaw) {
    for (const cas& c : table) {
        SCOPED_TRACE(c.nom);
        banc_faux b;
        commandes_nommees(b.p);
        for (const horaire& h : c.h) h(b.p);
        for (const troncon& t : c.troncons) {
            if (t.avant) t.avant(b.p, b.m);
            simule(b.p, b.m, t.debut, t.fin);
        }
        EXPECT_EQ(lances(b.m), c.attendus);
        EXPECT_EQ(b.m.lignes.size(), c.attendus.size());
        EXPECT_EQ(b.m.signalements, c.rapports);
        EXPECT_EQ(b.m.lectures_horloge == 0, !b.p.g.ticks_actifs);  // no clock read before startup
    }
}

// Whatever the gap, the catch-up leaves each flag and the device (the kind of the channel's
// last launch) where ticks every 20 s would have, for every pair of slots that do not
// overlap, overnight ones included.
TEST(Tick, CatchUpEndsWhereTheTicksWouldHave) {
    const std::array<std::array<int, 4>, 4> heures = {
        {{8, 0, 9, 0}, {10, 0, 12, 0}, {22, 0, 6, 0}, {7, 0, 7, 0}}};
    const auto fin = [](const std::array<int, 4>& a, const std::array<int, 4>& b, int dort,
                        int duree, bool trou) {
        banc_faux b2;
        commandes_nommees(b2.p);
        horaire{0,
                {0, 1, 2, 3, 4, 5, 6},
                {{1, a[0], a[1], a[2], a[3], 1}, {2, b[0], b[1], b[2], b[3], 1}}}(b2.p);
        const sys_seconds debut = le(0, 0, 0, 10), t0 = debut + hours(dort),
                          t1 = t0 + hours(duree) + 7min;
        simule(b2.p, b2.m, debut, trou ? t0 : t1);
        simule(b2.p, b2.m, t1, t1 + 20s);
        const char dernier = b2.m.lancements.empty() ? 'A' : b2.m.lancements.back().fichier[0];
        return std::make_pair(dernier, b2.p.g.attente);
    };
    for (const auto& a : heures) {
        for (const auto& b : heures) {
            for (int dort = 1; dort < 26; dort += 4) {
                for (int duree = 2; duree < 32; duree += 5) {
                    SCOPED_TRACE(testing::Message() << a[0] << "h and " << b[0] << "h, asleep at "
                                                    << dort << " h for " << duree << " h");
                    EXPECT_EQ(fin(a, b, dort, duree, true), fin(a, b, dort, duree, false));
                }
            }
        }
    }
}

}  // namespace
}  // namespace horlivet
