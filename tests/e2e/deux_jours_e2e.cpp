// Two days of the program as shipped, in a fraction of the time: the built horlivet and
// its actions/ copied into a folder of their own, a crafted ervaline.ini, command scripts
// that append their name and the time they see to a record, the clock of the program and
// of its children faked by libfaketime, starting on a Monday and running `vitesse` times
// faster. SIGTERM ends the run. The launches the schedule calls for are written out by
// hand below; the journal must hold exactly those, in order, and the record the same
// successful ones. Beside it, at no cost in time, two more programs spend the nights of
// the changes to and from summer time of 2027 in Paris. The two days run without a
// window, as at boot; the summer time night with its window, on Qt's offscreen platform.
// Last, a program killed and restarted again and again over a morning (ArretsBrutaux).

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iomanip>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "commun/fichiers.h"
#include "commun/processus.h"

namespace {

using namespace std::chrono;
namespace fs = std::filesystem;
using namespace horlivet::essai;

// The clock runs this many times faster: 56 hours in under three and a half minutes. Slower
// machines may set HORLIVET_E2E_VITESSE lower; every check is in faked seconds.
int vitesse() {
    const char* v = std::getenv("HORLIVET_E2E_VITESSE");
    return v != nullptr && std::atoi(v) > 0 ? std::atoi(v) : 1000;
}

// The real time a faked duration takes.
milliseconds reel(seconds simule) { return duration_cast<milliseconds>(simule) / vitesse(); }

// The time of day d (0 is Monday 7 December 2026) at hh:mm.
sys_seconds a(int d, int heure, int minute) {
    return sys_days(2026y / December / 7d) + days(d) + hours(heure) + minutes(minute);
}

std::string texte_heure(sys_seconds t) {
    const std::time_t s = t.time_since_epoch().count();
    char texte[32];
    std::strftime(texte, sizeof texte, "%F %T", std::gmtime(&s));
    return texte;
}

// One channel of a crafted schedule: its days (Monday first, 'x' for a ticked day) and
// its slots 1.. in order. Its commands are m<c>.sh, a program with #!, and a<c>.bat, a
// plain file the shell runs, for the channel c; `sans_marche`: its start file is missing.
struct plage {
    int h1, m1, h2, m2;
    bool active = true;
};
struct voie {
    std::string nom, jours;
    std::vector<plage> plages;
    bool sans_marche = false;
};

std::string commande(std::size_t c, bool marche) {
    return (marche ? "m" : "a") + std::to_string(c) + (marche ? ".sh" : ".bat");
}

// The channel of a command file and whether it is its start.
std::pair<int, bool> voie_de(const std::string& commande) {
    return {commande[1] - '0', commande[0] == 'm'};
}

// A line of the journal or of the record (the script and the time it saw), or a launch
// expected there; `a_la_fin` for the stops of the shutdown, after the last launch.
struct ligne {
    sys_seconds quand;
    std::string commande, nom = {}, resultat = {};
    bool a_la_fin = false;
};

// A program run beside the others: its faked start (local time in the zone `tz`), its
// schedule, and its launches by hand, "d hh:mm +c" for a start of channel c on the day d
// after the start's (- for a stop), in the order of the ticks; within a tick, channels
// then slots, start before stop. SIGTERM stops `arretes_a_la_fin` in index order;
// `rattrapage` is the report of a lost hour (a regular expression).
struct essai {
    const char* nom;
    sys_seconds depart;
    std::string tz;
    std::vector<voie> voies;
    const char* lancements;
    std::vector<std::size_t> arretes_a_la_fin;
    const char* rattrapage = nullptr;
    bool fenetre = false;
};

const std::string dimanche = "......x";
const essai essais[] = {
    // From Monday 04:00, ten hours before the first launch (36 s, for a start under the
    // sanitizers on a busy machine), to Wednesday 11:45. Every kind of slot.
    {"two days",
     a(0, 4, 0),
     "UTC",
     {
         // Slot 2 disabled; Wednesday's comes after the end.
         {"Ordinaire", "xxx....", {{14, 0, 15, 30}, {16, 0, 16, 30, false}}},
         // Start and stop in the same minute: both in the same tick, start first.
         {"Même minute", "xx.....", {{16, 20, 16, 20}}},
         // Overnight with Tuesday unticked: started Monday, stopped Wednesday morning.
         {"Nuit", "x.x....", {{22, 0, 6, 0}}},
         {"Minuit", "xxx....", {{23, 59, 0, 0}}},
         // From midnight; slot 2 is still started at the end.
         {"Zéro heure", ".xx....", {{0, 0, 0, 30}, {11, 0, 12, 30}}},
         // Two overlapping slots, and one stopping at 23:59.
         {"Chevauché", ".xx....", {{8, 0, 10, 0}, {9, 0, 11, 0}, {23, 0, 23, 59}}},
         // No start file; slot 2 disabled.
         {"Absente", "x......", {{18, 0, 18, 10}, {19, 0, 19, 30, false}}, true},
         // Two started slots at the end: one stop for the channel.
         {"Encore", "..x....", {{10, 30, 13, 0}, {11, 10, 13, 30}}},
     },
     "0 14:00 +0, 0 15:30 -0, 0 16:20 +1, 0 16:20 -1, 0 18:00 +6, 0 18:10 -6, 0 22:00 +2, "
     "0 23:59 +3, 1 00:00 -3, 1 00:00 +4, 1 00:30 -4, 1 08:00 +5, 1 09:00 +5, 1 10:00 -5, "
     "1 11:00 +4, 1 11:00 -5, 1 12:30 -4, 1 14:00 +0, 1 15:30 -0, 1 16:20 +1, 1 16:20 -1, "
     "1 23:00 +5, 1 23:59 +3, 1 23:59 -5, 2 00:00 -3, 2 00:00 +4, 2 00:30 -4, 2 06:00 -2, "
     "2 08:00 +5, 2 09:00 +5, 2 10:00 -5, 2 10:30 +7, 2 11:00 +4, 2 11:00 -5, 2 11:10 +7",
     {4, 7}},
    // The nights from 16:00 the day before (as much time before the first launch as the
    // two days have), with Sunday slots only: the program has done all it will by Sunday
    // morning, however long it then runs. 02:00 becomes 03:00: what the lost hour held
    // comes with the first tick after it.
    {"summer time",
     sys_days(2027y / March / 27d) + 16h,
     "Europe/Paris",
     {{"Perd l'arrêt", dimanche, {{1, 0, 2, 30}}},
      {"Perd le départ", dimanche, {{2, 15, 4, 0}}},
      {"Dans l'heure", dimanche, {{2, 10, 2, 20}}},
      {"Juste avant", dimanche, {{1, 59, 3, 0}}},
      {"Juste après", dimanche, {{3, 0, 3, 1}}}},
     "1 01:00 +0, 1 01:59 +3, 1 03:00 -0, 1 03:00 +1, 1 03:00 -3, 1 03:00 +4, 1 03:01 -4, "
     "1 04:00 -1",
     {},
     R"(no tick saw the 1 h 0 min \d+ s from 2027-03-28 01:59:\d\d to 2027-03-28 03:00:\d\d \(local time\): \d+ launch)",
     true},
    // 03:00 becomes 02:00: the hour from 02:00 comes twice, its launches once.
    {"winter time",
     sys_days(2027y / October / 30d) + 16h,
     "Europe/Paris",
     {{"Deux passages", dimanche, {{2, 15, 2, 45}}},
      {"Arrêt à 02:30", dimanche, {{1, 30, 2, 30}}},
      {"Au-delà", dimanche, {{2, 50, 3, 10}}},
      {"Juste avant", dimanche, {{1, 59, 2, 0}}},
      {"Juste après", dimanche, {{3, 0, 3, 5}}}},
     "1 01:30 +1, 1 01:59 +3, 1 02:00 -3, 1 02:15 +0, 1 02:30 -1, 1 02:45 -0, 1 02:50 +2, "
     "1 03:00 +4, 1 03:05 -4, 1 03:10 -2",
     {}},
};

std::vector<ligne> lancements(const essai& e) {
    std::vector<ligne> r;
    int d = 0, h = 0, m = 0;
    std::size_t c = 0;
    char separateur = 0, signe = 0;
    for (std::istringstream in(e.lancements); in >> d >> h >> separateur >> m >> signe >> c;
         in >> separateur) {
        const bool marche = signe == '+';
        r.push_back({floor<days>(e.depart) + days(d) + hours(h) + minutes(m), commande(c, marche),
                     e.voies[c].nom, marche && e.voies[c].sans_marche ? "Erreur 2" : "OK"});
    }
    for (std::size_t c : e.arretes_a_la_fin)
        r.push_back({r.back().quand, commande(c, false), e.voies[c].nom, "OK", true});
    return r;
}

// What a run without a window says once its schedule runs.
constexpr const char* sans_fenetre = "pas d'affichage, le programme tourne sans fenêtre";

// A window is one closed minute, read by the tick every 20 s; the journal reads the
// clock again after the launch, a few real milliseconds later: seconds, once faked.
constexpr seconds marge_journal = 45s;
// A script starts a shell and `date` before it writes: tens of real milliseconds.
constexpr seconds marge_script = 150s;

// The settings file of a schedule, with CR LF as the save writes it.
std::string ini_du_programme(const std::vector<voie>& voies) {
    const char* noms_jours[] = {"lundi",    "mardi",  "mercredi", "jeudi",
                                "vendredi", "samedi", "dimanche"};
    std::ostringstream ini;
    ini << "[ervaline]";
    for (std::size_t c = 0; c < voies.size(); ++c) {
        const auto cle = [&](const std::string& nom) -> std::ostream& {
            return ini << "\r\n" << nom << "_" << c << "=";
        };
        cle("nom") << voies[c].nom;
        for (int d = 0; d < 7; ++d) cle(noms_jours[d]) << (voies[c].jours[d] == 'x' ? "on" : "off");
        for (std::size_t k = 1; k <= voies[c].plages.size(); ++k) {
            const plage& p = voies[c].plages[k - 1];
            const std::string s = std::to_string(k);
            cle("heure_deb_" + s) << p.h1;
            cle("minute_deb_" + s) << p.m1;
            cle("heure_fin_" + s) << p.h2;
            cle("minute_fin_" + s) << p.m2;
            cle(k == 1 ? "valid" : "valid_" + s) << (p.active ? "on" : "off");
        }
        cle("commande_marche") << commande(c, true);
        cle("commande_arret") << commande(c, false);
    }
    return ini.str() + "\r\n";
}

// The journal's lines; those that do not read as a launch go to `illisibles`.
std::vector<ligne> lit_journal(const fs::path& chemin, std::string& illisibles) {
    // The C locale's long date, "Monday, 7 December 2026", then the line's fixed fields.
    static const std::regex forme(
        R"(^(\w+, \d+ \w+ \d{4} \* \d\d:\d\d:\d\d)  : +(.*)  \*\*\*    ON +(OK|Erreur \d+))"
        R"(  commande : (.*)\r$)");
    std::vector<ligne> lignes;
    std::istringstream in(lit_fichier(chemin));
    std::smatch m;
    for (std::string texte; std::getline(in, texte);) {
        std::tm tm{};
        if (std::regex_match(texte, m, forme) &&
            !(std::istringstream(m[1].str()) >> std::get_time(&tm, "%A, %d %B %Y * %H:%M:%S"))
                 .fail())
            lignes.push_back(
                {sys_seconds(seconds(timegm(&tm))), m[4].str(), m[2].str(), m[3].str()});
        else
            illisibles += texte + "\n";
    }
    return lignes;
}

std::vector<ligne> lit_registre(const fs::path& chemin) {
    std::vector<ligne> lignes;
    std::istringstream in(lit_fichier(chemin));
    long long secondes = 0;
    for (std::string script; in >> script >> secondes;)
        lignes.push_back({sys_seconds(seconds(secondes)), script});
    return lignes;
}

// Starts the program of `dossier` with its output in `sortie`, in our environment with the
// faked clock from `depart` (local time) in the zone `tz`, the C locale and no display:
// with its window on the offscreen platform when `fenetre`, otherwise without one.
pid_t demarre(const fs::path& dossier, const fs::path& sortie, sys_seconds depart,
              const std::string& tz = "UTC", bool fenetre = false) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    const char* asan = std::getenv("ASAN_OPTIONS");
    // Children go on from the program's time instead of starting over (DONT_RESET); file
    // times stay real: faking them makes the startup some twenty times slower. The
    // sanitizers' runtime need not come first when libfaketime is preloaded.
    for (const auto& [nom, valeur] : std::vector<std::pair<const char*, std::string>>{
             {"LD_PRELOAD", HORLIVET_FAKETIME},
             {"FAKETIME", "@" + texte_heure(depart) + " x" + std::to_string(vitesse())},
             {"FAKETIME_DONT_RESET", "1"},
             {"NO_FAKE_STAT", "1"},
             {"TZ", tz},
             {"LC_ALL", "C.UTF-8"},
             {"ASAN_OPTIONS", (asan ? std::string(asan) + ":" : "") + "verify_asan_link_order=0"}})
        setenv(nom, valeur.c_str(), 1);
    for (const char* nom : {"LANG", "LANGUAGE", "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        unsetenv(nom);
    if (fenetre) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    dup2(open("/dev/null", O_RDONLY | O_CLOEXEC), 0);
    dup2(open(sortie.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644), 1);
    dup2(1, 2);
    const std::string programme = (dossier / "horlivet").string();
    execl(programme.c_str(), programme.c_str(), nullptr);
    _exit(127);
}

// The built program, its window module and its actions/ in `dossier`, with the schedule
// `voies` and its command scripts appending their name and the time they see, in seconds
// since 1970, to registre.txt there.
void installe(const fs::path& dossier, const std::vector<voie>& voies) {
    const fs::path actions = dossier / "actions", programme = HORLIVET_PROGRAMME;
    fs::copy_file(programme, dossier / "horlivet");
    fs::copy_file(programme.parent_path() / "horlivet-fenetre.so", dossier / "horlivet-fenetre.so");
    fs::copy(programme.parent_path() / "actions", actions, fs::copy_options::recursive);
    ecrit_fichier(dossier / "ervaline.ini", ini_du_programme(voies));
    const std::string script =
        "echo \"${0##*/} $(date +%s)\" >> '" + (dossier / "registre.txt").string() + "'\n";
    for (std::size_t c = 0; c < voies.size(); ++c) {
        ecrit_fichier(actions / commande(c, false), script);
        if (voies[c].sans_marche) continue;
        ecrit_fichier(actions / commande(c, true), "#!/bin/sh\n" + script);
        fs::permissions(actions / commande(c, true), fs::perms::owner_all);
    }
}

// libfaketime leaves its shared clock behind when the process ends without exit(). The
// commands of a killed program still read it: remove it once they are done.
void efface_horloge(pid_t pid) {
    std::error_code ignore;
    for (const std::string nom : {"faketime_shm_", "sem.faketime_sem_"})
        fs::remove("/dev/shm/" + nom + std::to_string(pid), ignore);
}

// Sends SIGTERM and waits up to 20 s for the end, then sends SIGKILL; true when it ended
// with status 0.
bool arrete(pid_t pid) {
    ::kill(pid, SIGTERM);
    int statut = -1;
    const bool fini = attend([&] { return waitpid(pid, &statut, WNOHANG) != 0; }, 20s);
    if (!fini) ::kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    efface_horloge(pid);
    return fini && WIFEXITED(statut) && WEXITSTATUS(statut) == 0;
}

// The journal holds the launches exactly, in order, each in its minute, then the stops
// of the shutdown; the record the successful ones; the output the report of a lost hour.
void verifie(const essai& e, const fs::path& dossier, bool arrete_a_zero) {
    const std::vector<ligne> attendus = lancements(e);
    // The scripts the shutdown launched may still be running.
    const auto reussis = std::count_if(attendus.begin(), attendus.end(),
                                       [](const ligne& l) { return l.resultat == "OK"; });
    attend([&] { return std::ssize(lit_registre(dossier / "registre.txt")) >= reussis; }, 10s);
    std::this_thread::sleep_for(500ms);  // time enough for an extra launch to show
    const std::string sortie = lit_fichier(dossier / "sortie.txt");
    SCOPED_TRACE(std::string(e.nom) + ", program output:\n" + sortie);
    EXPECT_TRUE(arrete_a_zero) << "SIGTERM ends the program with status 0";
    EXPECT_EQ(sortie.find(sans_fenetre) == std::string::npos, e.fenetre);
    EXPECT_TRUE(!e.rattrapage || std::regex_search(sortie, std::regex(e.rattrapage)));

    const std::string journal = "journal_" + texte_heure(attendus[0].quand).substr(0, 7) + ".txt";
    EXPECT_EQ(noms_dans(dossier),
              (std::vector<std::string>{"actions", "ervaline.ini", "horlivet",
                                        "horlivet-fenetre.so", "horlivet.etat", "horlivet.verrou",
                                        journal, "registre.txt", "sortie.txt"}));
    // Emptied by the shutdown: the state file lists no started slot.
    EXPECT_EQ(lit_fichier(dossier / "horlivet.etat").find("channel"), std::string::npos);
    std::string illisibles;
    const auto lignes = lit_journal(dossier / journal, illisibles);
    EXPECT_EQ(illisibles, "");
    // One line per launch, so that a failure shows the whole difference: its journal line
    // in its minute (a stop of the shutdown after the last launch and before channel 7's
    // own stop), and for a success, the record's k-th line of its command for its k-th
    // launch, in that minute too. The record's times are UTC, the journal's local: only
    // there are they compared. Once the program has ended, the clock its children shared
    // may be gone: the times of the shutdown's scripts prove nothing.
    std::vector<ligne> registre = lit_registre(dossier / "registre.txt");
    const auto vu = [](const ligne& l, sys_seconds quand, const std::string& course) {
        return l.nom + " | " + l.resultat + " | " + l.commande + " | " + texte_heure(quand) +
               course + "\n";
    };
    std::string attendu, lu;
    for (const ligne& x : attendus) attendu += vu(x, x.quand, x.resultat == "OK" ? " | ran" : "");
    for (std::size_t n = 0; n < lignes.size(); ++n) {
        const ligne &l = lignes[n], &x = n < attendus.size() ? attendus[n] : l;
        const bool a_l_heure =
            l.quand >= x.quand &&
            (x.a_la_fin ? l.quand < a(2, 13, 0) : l.quand <= x.quand + 60s + marge_journal);
        std::string course;
        const auto r = std::find_if(registre.begin(), registre.end(),
                                    [&](const ligne& y) { return y.commande == l.commande; });
        if (l.resultat == "OK" && r == registre.end()) {
            course = " | never ran";
        } else if (l.resultat == "OK") {
            const bool a_temps = e.tz != "UTC" || x.a_la_fin ||
                                 (r->quand >= x.quand && r->quand <= x.quand + 60s + marge_script);
            course = a_temps ? " | ran" : " | ran at " + texte_heure(r->quand);
            registre.erase(r);
        }
        lu += vu(l, a_l_heure ? x.quand : l.quand, course);
    }
    for (const ligne& r : registre)
        lu += "and " + r.commande + " at " + texte_heure(r.quand) + "\n";
    EXPECT_EQ(lu, attendu);
}

TEST(DeuxJours, TheJournalAndTheRecordHoldExactlyTheScheduledLaunches) {
    ASSERT_TRUE(fs::exists(HORLIVET_FAKETIME))
        << "libfaketime is missing: scripts/deps.sh --test installs it";
    const dossier_temporaire dossiers[std::size(essais)];
    pid_t pids[std::size(essais)];
    for (std::size_t i = 0; i < std::size(essais); ++i) {
        const essai& e = essais[i];
        installe(dossiers[i].chemin, e.voies);
        pids[i] = demarre(dossiers[i].chemin, dossiers[i].chemin / "sortie.txt", e.depart, e.tz,
                          e.fenetre);
        ASSERT_GT(pids[i], 0);
    }
    // To the end of the two days, as near as the test can tell: libfaketime starts its
    // clock as the program starts, a little before `depart`.
    EXPECT_FALSE(attend(
        [&] {
            return std::any_of(std::begin(pids), std::end(pids),
                               [](pid_t p) { return waitpid(p, nullptr, WNOHANG) != 0; });
        },
        reel(a(2, 11, 45) - essais[0].depart)))
        << "a program ended by itself";
    bool arretes[std::size(essais)];
    for (std::size_t i = 0; i < std::size(essais); ++i) arretes[i] = arrete(pids[i]);
    for (std::size_t i = 0; i < std::size(essais); ++i)
        verifie(essais[i], dossiers[i].chemin, arretes[i]);
}

// A Monday morning of dense slots, two an hour apart on most channels, for the kills.
const std::vector<voie> voies_matin = {
    {"Un", "x......", {{6, 0, 6, 30}, {7, 40, 8, 10}}},
    {"Deux", "x......", {{6, 10, 6, 50}, {8, 0, 8, 20}}},
    {"Trois", "x......", {{6, 20, 6, 35}, {7, 50, 8, 30}}},
    {"Quatre", "x......", {{6, 40, 7, 10}, {8, 15, 8, 40}}},
    {"Cinq", "x......", {{6, 55, 7, 30}, {8, 35, 8, 50}}},
    {"Six", "x......", {{7, 0, 7, 20}, {8, 30, 8, 55}}},
    {"Sept", "x......", {{7, 15, 7, 45}}},
    {"Huit", "x......", {{7, 30, 8, 0}}},
};

// One slot's Monday: its start and stop minutes.
struct occurrence {
    int voie, k;
    sys_seconds debut, fin;
};

// The occurrence a launch serves: a start the last one started by then, a stop the last
// one whose stop minute has come; -1 for none.
int occurrence_de(const std::vector<occurrence>& occs, const ligne& l) {
    const auto [c, marche] = voie_de(l.commande);
    int o = -1;
    for (std::size_t n = 0; n < occs.size(); ++n)
        if (occs[n].voie == c && (marche ? occs[n].debut : occs[n].fin) <= l.quand) o = int(n);
    return o;
}

// One past the last line of the channel c; 0 for none.
std::size_t fin_de(const std::vector<ligne>& lignes, int c) {
    std::size_t n = lignes.size();
    while (n > 0 && voie_de(lignes[n - 1].commande).first != c) --n;
    return n;
}

// SIGKILL at random moments of the morning, each run restarted where the killed one left
// off, or up to three minutes later. After each kill horlivet.etat is a whole file that
// lists every channel the journal shows on. At the end every slot is off, no occurrence
// was started twice and every start was stopped. (That a start is noted before its launch
// is checked deterministically by the state file's tests: a kill rarely falls in between.)
TEST(ArretsBrutaux, AfterEachKillTheStateFileIsWholeAndNoSlotIsLeftOnOrLaunchedTwice) {
    ASSERT_TRUE(fs::exists(HORLIVET_FAKETIME))
        << "libfaketime is missing: scripts/deps.sh --test installs it";
    const dossier_temporaire d;
    installe(d.chemin, voies_matin);
    const fs::path etat = d.chemin / "horlivet.etat", journal = d.chemin / "journal_2026-12.txt";
    std::vector<occurrence> occs;
    for (std::size_t c = 0; c < voies_matin.size(); ++c)
        for (std::size_t k = 1; k <= voies_matin[c].plages.size(); ++k) {
            const plage& p = voies_matin[c].plages[k - 1];
            occs.push_back({int(c), int(k), a(0, p.h1, p.m1), a(0, p.h2, p.m2)});
        }
    const unsigned graine = std::random_device{}();
    std::mt19937 alea(graine);
    SCOPED_TRACE(testing::Message() << "seed " << graine);
    const std::regex forme_ligne(
        R"(channel (\d) slot (\d) started 2026-12-07 \d\d:\d\d:\d\d \+0000 times \d\d:\d\d-\d\d:\d\d)");

    // Each run: its faked start, and its kill as the test reckons it.
    struct run {
        sys_seconds depart;
        pid_t pid;
        sys_seconds tue = a(1, 0, 0);
    };
    std::vector<run> runs;
    const auto sortie = [&](std::size_t r) {
        return d.chemin / ("sortie_" + std::to_string(r) + ".txt");
    };
    // Whether the last run got through its startup: it says so once its schedule runs.
    const auto a_demarre = [&] {
        return lit_fichier(sortie(runs.size() - 1)).find(sans_fenetre) != std::string::npos;
    };
    std::vector<ligne> lj;
    std::string illisibles;
    steady_clock::time_point t0;
    for (sys_seconds depart = a(0, 5, 55);;) {
        t0 = steady_clock::now();
        runs.push_back({depart, demarre(d.chemin, sortie(runs.size()), depart)});
        ASSERT_GT(runs.back().pid, 0);
        if (runs.size() > 20) break;
        // One kill in four at any moment of the startup, the others up to ten minutes after
        // it: a startup takes minutes of the faked clock.
        const bool au_demarrage = alea() % 4 == 0;
        if (!au_demarrage) attend(a_demarre, 20s);
        std::this_thread::sleep_for(au_demarrage ? milliseconds(alea() % 60)
                                                 : reel(seconds(alea() % 600)));
        const sys_seconds tue =
            depart + duration_cast<seconds>((steady_clock::now() - t0) * vitesse());
        if (tue > a(0, 8, 50)) break;
        run& r = runs.back();
        ::kill(r.pid, SIGKILL);
        waitpid(r.pid, nullptr, 0);
        r.tue = tue;
        lj = lit_journal(journal, illisibles);

        const std::string texte = lit_fichier(etat);
        SCOPED_TRACE("after the kill at " + texte_heure(r.tue) + ", horlivet.etat:\n" + texte);
        ASSERT_TRUE((texte.empty() && !fs::exists(etat)) ||
                    (texte.starts_with("# ") && texte.ends_with("\n")));
        std::vector<bool> listee(voies_matin.size());
        std::istringstream lignes(texte.substr(texte.find('\n') + 1));  // after the heading
        std::smatch m;
        for (std::string entree; std::getline(lignes, entree);) {
            ASSERT_TRUE(std::regex_match(entree, m, forme_ligne)) << entree;
            listee.at(std::size_t(std::stoi(m[1].str()) - 1)) = true;
        }
        // A channel whose last journal line is a start is listed: its start was noted
        // before its launch, and its stop is dropped after.
        for (std::size_t c = 0; c < voies_matin.size(); ++c) {
            const std::size_t j = fin_de(lj, int(c));
            EXPECT_TRUE(j == 0 || !voie_de(lj[j - 1].commande).second || listee[c])
                << voies_matin[c].nom << " is on";
        }
        depart = r.tue + seconds(alea() % 181);
    }

    // The last run goes on past the last stop, until the file lists no slot.
    std::this_thread::sleep_until(t0 + reel(a(0, 9, 10) - runs.back().depart));
    const auto sans_plage = [&] {
        const std::string t = lit_fichier(etat);
        return t.starts_with("# ") && std::count(t.begin(), t.end(), '\n') == 1;
    };
    attend(sans_plage, 20s);
    lj = lit_journal(journal, illisibles);
    const bool arrete_a_zero = arrete(runs.back().pid);
    for (const run& r : runs) efface_horloge(r.pid);
    std::string sorties;
    for (std::size_t r = 0; r < runs.size(); ++r)
        sorties += "run " + std::to_string(r) + " from " + texte_heure(runs[r].depart) + " to " +
                   texte_heure(runs[r].tue) + ":\n" + lit_fichier(sortie(r));
    SCOPED_TRACE(sorties);
    EXPECT_TRUE(sans_plage()) << lit_fichier(etat);
    // What the kills left of the file's writes went at the next startup.
    for (const std::string& nom : noms_dans(d.chemin))
        EXPECT_FALSE(nom.starts_with(".horlivet.etat.")) << nom;
    EXPECT_EQ(illisibles, "");
    EXPECT_TRUE(arrete_a_zero) << "SIGTERM ends the program with status 0";
    // Nothing was left on for the shutdown to stop.
    EXPECT_EQ(lit_journal(journal, illisibles).size(), lj.size());

    // Per occurrence, the journal lines of its starts and of its stops: at most one start,
    // before its stop minute, and stopped after it.
    std::vector<std::vector<std::size_t>> marches(occs.size()), arrets(occs.size());
    for (std::size_t n = 0; n < lj.size(); ++n) {
        const int o = occurrence_de(occs, lj[n]);
        ASSERT_GE(o, 0) << lj[n].commande << " before its minute, at " << texte_heure(lj[n].quand);
        (voie_de(lj[n].commande).second ? marches : arrets)[std::size_t(o)].push_back(n);
    }
    for (std::size_t o = 0; o < occs.size(); ++o) {
        SCOPED_TRACE(voies_matin[std::size_t(occs[o].voie)].nom + " slot " +
                     std::to_string(occs[o].k));
        EXPECT_LE(marches[o].size(), 1u);
        EXPECT_GE(arrets[o].size(), marches[o].size());
        for (const std::size_t n : marches[o]) EXPECT_LT(lj[n].quand, occs[o].fin);
        EXPECT_TRUE(marches[o].empty() || arrets[o].empty() ||
                    arrets[o].front() > marches[o].front());
    }
}

}  // namespace
