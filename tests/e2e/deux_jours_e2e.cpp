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
#include <memory>
#include <optional>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
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

// The time of day d (0 is Monday 7 December 2026) at hh:mm.
sys_seconds a(int d, int heure, int minute) {
    return sys_days(2026y / December / 7d) + days(d) + hours(heure) + minutes(minute);
}

// One channel of the crafted schedule: its days (Monday first), its slots, its commands.
// Slots 1.. in order.
struct plage {
    int h1, m1, h2, m2;
    bool active = true;
};
struct voie {
    std::string nom, jours;  // jours: seven characters, 'x' for a ticked day
    std::vector<plage> plages;
    std::string marche, arret;
};

// One launch: the minute whose window calls for it, its channel and command; or one of the
// stops of the shutdown, after the minute of the last launch.
struct lancement {
    sys_seconds minute;
    std::string nom, commande;
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
    std::vector<int> arretes_a_la_fin;
    const char* rattrapage = nullptr;
    bool fenetre = false;
};

// Every kind of slot.
const std::vector<voie> voies_jours = {
    // Slot 2 disabled; Wednesday's comes after the end.
    {"Ordinaire", "xxx....", {{14, 0, 15, 30}, {16, 0, 16, 30, false}}, "m0.sh", "a0.bat"},
    // Start and stop in the same minute: both in the same tick, start first.
    {"Même minute", "xx.....", {{16, 20, 16, 20}}, "m1.sh", "a1.bat"},
    // Overnight with Tuesday unticked: started Monday, stopped Wednesday morning.
    {"Nuit", "x.x....", {{22, 0, 6, 0}}, "m2.sh", "a2.bat"},
    {"Minuit", "xxx....", {{23, 59, 0, 0}}, "m3.sh", "a3.bat"},
    // From midnight; slot 2 is still started at the end.
    {"Zéro heure", ".xx....", {{0, 0, 0, 30}, {11, 0, 12, 30}}, "m4.sh", "a4.bat"},
    // Two overlapping slots, and one stopping at 23:59.
    {"Chevauché", ".xx....", {{8, 0, 10, 0}, {9, 0, 11, 0}, {23, 0, 23, 59}}, "m5.sh", "a5.bat"},
    // A start command file that does not exist; slot 2 disabled.
    {"Absente", "x......", {{18, 0, 18, 10}, {19, 0, 19, 30, false}}, "absente.sh", "a6.bat"},
    // Two started slots at the end: one stop for the channel.
    {"Encore", "..x....", {{10, 30, 13, 0}, {11, 10, 13, 30}}, "m7.sh", "a7.bat"},
};

const std::string dimanche = "......x";
const std::vector<essai> essais = {
    // From Monday 04:00, ten hours before the first launch (36 s, for a start under the
    // sanitizers on a busy machine), to Wednesday 11:45.
    {"two days",
     a(0, 4, 0),
     "UTC",
     voies_jours,
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
     {{"Perd l'arrêt", dimanche, {{1, 0, 2, 30}}, "m0.sh", "a0.bat"},
      {"Perd le départ", dimanche, {{2, 15, 4, 0}}, "m1.sh", "a1.bat"},
      {"Dans l'heure", dimanche, {{2, 10, 2, 20}}, "m2.sh", "a2.bat"},
      {"Juste avant", dimanche, {{1, 59, 3, 0}}, "m3.sh", "a3.bat"},
      {"Juste après", dimanche, {{3, 0, 3, 1}}, "m4.sh", "a4.bat"}},
     "1 01:00 +0, 1 01:59 +3, 1 03:00 -0, 1 03:00 +1, 1 03:00 -3, 1 03:00 +4, 1 03:01 -4, "
     "1 04:00 -1",
     {},
     R"(no tick saw the 1 h 0 min \d+ s from 2027-03-28 01:59:\d\d to 2027-03-28 03:00:\d\d \(local time\): \d+ launch)",
     true},
    // 03:00 becomes 02:00: the hour from 02:00 comes twice, its launches once.
    {"winter time",
     sys_days(2027y / October / 30d) + 16h,
     "Europe/Paris",
     {{"Deux passages", dimanche, {{2, 15, 2, 45}}, "m0.sh", "a0.bat"},
      {"Arrêt à 02:30", dimanche, {{1, 30, 2, 30}}, "m1.sh", "a1.bat"},
      {"Au-delà", dimanche, {{2, 50, 3, 10}}, "m2.sh", "a2.bat"},
      {"Juste avant", dimanche, {{1, 59, 2, 0}}, "m3.sh", "a3.bat"},
      {"Juste après", dimanche, {{3, 0, 3, 5}}, "m4.sh", "a4.bat"}},
     "1 01:30 +1, 1 01:59 +3, 1 02:00 -3, 1 02:15 +0, 1 02:30 -1, 1 02:45 -0, 1 02:50 +2, "
     "1 03:00 +4, 1 03:05 -4, 1 03:10 -2",
     {}},
};

std::vector<lancement> lancements(const essai& e) {
    std::vector<lancement> r;
    std::istringstream in(e.lancements);
    int d = 0, h = 0, m = 0, c = 0;
    char deux_points = 0, signe = 0, virgule = 0;
    while (in >> d >> h >> deux_points >> m >> signe >> c) {
        const voie& v = e.voies[std::size_t(c)];
        r.push_back({floor<days>(e.depart) + days(d) + hours(h) + minutes(m), v.nom,
                     signe == '+' ? v.marche : v.arret});
        in >> virgule;
    }
    for (int i : e.arretes_a_la_fin)
        r.push_back(
            {r.back().minute, e.voies[std::size_t(i)].nom, e.voies[std::size_t(i)].arret, true});
    return r;
}

// What a run without a window says once its schedule runs.
constexpr const char* sans_fenetre = "pas d'affichage, le programme tourne sans fenêtre";

// A window is one closed minute, read by the tick every 20 s; the journal reads the
// clock again after the launch, a few real milliseconds later: seconds, once faked.
constexpr seconds marge_journal = 45s;
// A script starts a shell and `date` before it writes: tens of real milliseconds.
constexpr seconds marge_script = 150s;
// Launches closer than this may reach the record in either order, each script being its
// own process; further apart, the record keeps their order.
constexpr seconds ecart_ordonne = 180s;

std::string texte_heure(sys_seconds t) {
    const std::time_t s = t.time_since_epoch().count();
    char texte[32];
    std::strftime(texte, sizeof texte, "%F %T", std::gmtime(&s));
    return texte;
}

// The settings file of a schedule, as the save would write it (CR LF).
std::string ini_du_programme(const std::vector<voie>& voies) {
    const char* noms_jours[] = {"lundi",    "mardi",  "mercredi", "jeudi",
                                "vendredi", "samedi", "dimanche"};
    std::ostringstream ini;
    ini << "[ervaline]\r\n";
    for (std::size_t i = 0; i < voies.size(); ++i) {
        const voie& v = voies[i];
        const std::string n = std::to_string(i);
        ini << "nom_" << n << "=" << v.nom << "\r\n";
        for (int d = 0; d < 7; ++d)
            ini << noms_jours[d] << "_" << n << "=" << (v.jours[d] == 'x' ? "on" : "off") << "\r\n";
        for (std::size_t k = 1; k <= v.plages.size(); ++k) {
            const plage& p = v.plages[k - 1];
            const std::string s = "_" + std::to_string(k) + "_" + n;
            ini << "heure_deb" << s << "=" << p.h1 << "\r\nminute_deb" << s << "=" << p.m1
                << "\r\nheure_fin" << s << "=" << p.h2 << "\r\nminute_fin" << s << "=" << p.m2
                << "\r\n"
                << (k == 1 ? "valid_" : "valid_" + std::to_string(k) + "_") << n << "="
                << (p.active ? "on" : "off") << "\r\n";
        }
        ini << "commande_marche_" << n << "=" << v.marche << "\r\ncommande_arret_" << n << "="
            << v.arret << "\r\n";
    }
    return ini.str();
}

// A line of the journal or of the record (the script and the time it saw).
struct ligne {
    sys_seconds quand;
    std::string commande, nom = {}, resultat = {};
};

// The journal's lines; those that do not read as a launch go to `illisibles`.
std::vector<ligne> lit_journal(const fs::path& chemin, std::string& illisibles) {
    // The C locale's long date, "Monday, 7 December 2026", then the line's fixed fields.
    static const std::regex forme(
        R"(^\w+, (\d+ (?:January|February|March|April|May|June|July|August|September|October|)"
        R"(November|December) \d{4} \* \d\d:\d\d:\d\d)  : +(.*)  \*\*\*    ON +(OK|Erreur \d+))"
        R"(  commande : (.*)\r$)");
    std::vector<ligne> lignes;
    std::istringstream in(lit_fichier(chemin));
    std::string texte;
    std::smatch m;
    while (std::getline(in, texte)) {
        std::tm tm{};
        if (!std::regex_match(texte, m, forme) ||
            (std::istringstream(m[1].str()) >> std::get_time(&tm, "%d %B %Y * %H:%M:%S")).fail()) {
            illisibles += texte + "\n";
            continue;
        }
        lignes.push_back({sys_seconds(seconds(timegm(&tm))), m[4].str(), m[2].str(), m[3].str()});
    }
    return lignes;
}

std::vector<ligne> lit_registre(const fs::path& chemin) {
    std::vector<ligne> lignes;
    std::istringstream in(lit_fichier(chemin));
    std::string script;
    long long secondes = 0;
    while (in >> script >> secondes) lignes.push_back({sys_seconds(seconds(secondes)), script});
    return lignes;
}

// Starts the program of `dossier` with its output in `sortie`, in our environment with the
// faked clock from `depart` (local time) in the zone `tz`, the C locale and no display:
// with its window on the offscreen platform when `fenetre`, otherwise without one. The
// sanitizers' runtime need not come first when libfaketime is preloaded.
pid_t demarre(const fs::path& dossier, const fs::path& sortie, sys_seconds depart,
              const std::string& tz = "UTC", bool fenetre = false) {
    const std::vector<std::string> remplaces = {
        "LD_PRELOAD=", "FAKETIME",         "NO_FAKE_STAT=",    "TZ=",          "LC_", "LANG",
        "DISPLAY=",    "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "ASAN_OPTIONS="};
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string v = *e;
        if (std::none_of(remplaces.begin(), remplaces.end(),
                         [&](const std::string& r) { return v.starts_with(r); }))
            env.push_back(v);
    }
    // Children go on from the program's time instead of starting over (DONT_RESET); file
    // times stay real: faking them makes the startup some twenty times slower.
    env.insert(env.end(),
               {std::string("LD_PRELOAD=") + HORLIVET_FAKETIME,
                "FAKETIME=@" + texte_heure(depart) + " x" + std::to_string(vitesse()),
                "FAKETIME_DONT_RESET=1", "NO_FAKE_STAT=1", "TZ=" + tz, "LC_ALL=C.UTF-8"});
    if (fenetre) env.push_back("QT_QPA_PLATFORM=offscreen");
    const char* asan = std::getenv("ASAN_OPTIONS");
    env.push_back(std::string("ASAN_OPTIONS=") + (asan ? std::string(asan) + ":" : "") +
                  "verify_asan_link_order=0");
    std::vector<char*> envp;
    for (std::string& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    std::string chemin = (dossier / "horlivet").string();
    char* argv[] = {chemin.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, sortie.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    const int erreur = posix_spawn(&pid, argv[0], &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return erreur == 0 ? pid : -1;
}

// The built program, its window module and its actions/ in `dossier`, with the schedule
// `voies` and its command scripts appending their name and the time they see, in seconds
// since 1970, to registre.txt there. Starts are programs with #!, stops plain .bat files
// the shell runs.
void installe(const fs::path& dossier, const std::vector<voie>& voies) {
    const fs::path actions = dossier / "actions", programme = HORLIVET_PROGRAMME;
    fs::copy_file(programme, dossier / "horlivet");
    fs::copy_file(programme.parent_path() / "horlivet-fenetre.so", dossier / "horlivet-fenetre.so");
    fs::copy(programme.parent_path() / "actions", actions, fs::copy_options::recursive);
    ecrit_fichier(dossier / "ervaline.ini", ini_du_programme(voies));
    for (const voie& v : voies) {
        for (const std::string& nom : {v.marche, v.arret}) {
            if (nom == "absente.sh") continue;
            const bool diese = nom.ends_with(".sh");
            ecrit_fichier(actions / nom, (diese ? "#!/bin/sh\n" : "") +
                                             std::string("echo \"${0##*/} $(date +%s)\" >> '") +
                                             (dossier / "registre.txt").string() + "'\n");
            if (diese) fs::permissions(actions / nom, fs::perms::owner_all);
        }
    }
}

// libfaketime leaves its shared clock behind when the process ends without exit(). The
// commands of a killed program still read it: remove it once they are done.
void efface_horloge(pid_t pid) {
    std::error_code ignore;
    fs::remove("/dev/shm/faketime_shm_" + std::to_string(pid), ignore);
    fs::remove("/dev/shm/sem.faketime_sem_" + std::to_string(pid), ignore);
}

// Sends SIGTERM and waits up to 20 s for the end: the wait status, or -1 after SIGKILL.
int arrete(pid_t pid) {
    ::kill(pid, SIGTERM);
    int statut = 0;
    if (!attend([&] { return waitpid(pid, &statut, WNOHANG) != 0; }, 20s)) {
        ::kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        statut = -1;
    }
    efface_horloge(pid);
    return statut;
}

// The journal holds the launches exactly, in order, each in its minute, then the stops
// of the shutdown; the record the successful ones; the output the report of a lost hour.
void verifie(const essai& e, const fs::path& dossier, int statut) {
    const std::vector<lancement> attendus = lancements(e);
    // The scripts the shutdown launched may still be running.
    std::size_t reussis = 0;
    for (const lancement& l : attendus) reussis += l.commande != "absente.sh";
    attend([&] { return lit_registre(dossier / "registre.txt").size() >= reussis; }, 10s);
    std::this_thread::sleep_for(500ms);  // time enough for an extra launch to show
    const std::string sortie = lit_fichier(dossier / "sortie.txt");
    SCOPED_TRACE(std::string(e.nom) + ", program output:\n" + sortie);
    EXPECT_TRUE(statut != -1 && WIFEXITED(statut) && WEXITSTATUS(statut) == 0)
        << "SIGTERM ends the program with status 0; wait status " << statut;
    EXPECT_EQ(sortie.find(sans_fenetre) == std::string::npos, e.fenetre);
    if (e.rattrapage) {
        EXPECT_TRUE(std::regex_search(sortie, std::regex(e.rattrapage)));
    }

    const std::string journal = "journal_" + texte_heure(attendus[0].minute).substr(0, 7) + ".txt";
    std::string illisibles;
    const auto lignes = lit_journal(dossier / journal, illisibles);
    EXPECT_EQ(illisibles, "");
    // One line per launch, so that a failure shows the whole difference.
    const auto vu = [](const std::string& nom, const std::string& r, const std::string& c) {
        return nom + " | " + r + " | " + c + "\n";
    };
    std::string journal_attendu, journal_lu;
    for (const lancement& l : attendus)
        journal_attendu += vu(l.nom, l.commande == "absente.sh" ? "Erreur 2" : "OK", l.commande);
    for (const ligne& l : lignes) journal_lu += vu(l.nom, l.resultat, l.commande);
    EXPECT_EQ(journal_lu, journal_attendu);
    EXPECT_EQ(noms_dans(dossier), (std::vector<std::string>{
                                      "actions", "ervaline.ini", "horlivet", "horlivet-fenetre.so",
                                      "horlivet.etat", journal, "registre.txt", "sortie.txt"}));
    // Emptied by the shutdown: the state file lists no started slot.
    EXPECT_EQ(lit_fichier(dossier / "horlivet.etat").find("channel"), std::string::npos);
    for (std::size_t n = 0; n < std::min(lignes.size(), attendus.size()); ++n) {
        const sys_seconds t = lignes[n].quand, minute = attendus[n].minute;
        // The shutdown's stops come after the last launch, before channel 7's own stop.
        EXPECT_TRUE(t >= minute &&
                    (attendus[n].a_la_fin ? t < a(2, 13, 0) : t <= minute + 60s + marge_journal))
            << "journal line " << n << " at " << texte_heure(t);
    }

    // The record: the successful launches, groups of close ones in any order within, each
    // in its minutes. Its times are UTC, the journal's local: elsewhere, one group. Once
    // the program has ended, the clock its children shared may be gone: the times of the
    // shutdown's scripts prove nothing.
    const bool utc = e.tz == "UTC";
    const std::vector<ligne> registre = lit_registre(dossier / "registre.txt");
    std::vector<std::vector<lancement>> groupes;
    for (const lancement& l : attendus) {
        if (l.commande == "absente.sh") continue;
        if (groupes.empty() || l.a_la_fin != groupes.back().back().a_la_fin ||
            (utc && l.minute - groupes.back().back().minute > ecart_ordonne))
            groupes.emplace_back();
        groupes.back().push_back(l);
    }
    std::string registre_vu;
    for (const ligne& r : registre) registre_vu += r.commande + " " + texte_heure(r.quand) + "\n";
    ASSERT_EQ(registre.size(), reussis) << registre_vu;
    std::size_t n = 0;
    for (const auto& groupe : groupes) {
        std::vector<std::string> noms_attendus, noms_lus;
        for (const lancement& l : groupe) {
            const ligne& r = registre[n++];
            noms_attendus.push_back(l.commande);
            noms_lus.push_back(r.commande);
            EXPECT_TRUE(!utc || l.a_la_fin ||
                        (r.quand >= groupe.front().minute &&
                         r.quand <= groupe.back().minute + 60s + marge_script))
                << r.commande << " ran at " << texte_heure(r.quand);
        }
        std::sort(noms_lus.begin(), noms_lus.end());
        std::sort(noms_attendus.begin(), noms_attendus.end());
        EXPECT_EQ(noms_lus, noms_attendus)
            << "launches of the minute " << texte_heure(groupe.front().minute);
    }
}

TEST(DeuxJours, TheJournalAndTheRecordHoldExactlyTheScheduledLaunches) {
    ASSERT_TRUE(fs::exists(HORLIVET_FAKETIME))
        << "libfaketime is missing: scripts/deps.sh --test installs it";
    std::vector<std::unique_ptr<dossier_temporaire>> dossiers;
    std::vector<pid_t> pids;
    for (const essai& e : essais) {
        const fs::path& d = dossiers.emplace_back(new dossier_temporaire)->chemin;
        installe(d, e.voies);
        pids.push_back(demarre(d, d / "sortie.txt", e.depart, e.tz, e.fenetre));
        ASSERT_GT(pids.back(), 0);
    }
    // The faked time of the two days, as near as the test can tell: libfaketime starts
    // its clock as the program starts, a little before `depart`.
    const auto depart = steady_clock::now();
    bool vivants = true;
    while (vivants &&
           essais[0].depart + duration_cast<seconds>((steady_clock::now() - depart) * vitesse()) <
               a(2, 11, 45)) {
        std::this_thread::sleep_for(100ms);
        vivants = std::all_of(pids.begin(), pids.end(),
                              [](pid_t p) { return waitpid(p, nullptr, WNOHANG) == 0; });
    }
    std::vector<int> statuts;
    for (const pid_t p : pids) statuts.push_back(arrete(p));
    EXPECT_TRUE(vivants) << "a program ended by itself";
    for (std::size_t i = 0; i < essais.size(); ++i)
        verifie(essais[i], dossiers[i]->chemin, statuts[i]);
}

// A Monday morning of dense slots, two an hour apart on most channels, for the kills.
const std::vector<voie> voies_matin = {
    {"Un", "x......", {{6, 0, 6, 30}, {7, 40, 8, 10}}, "m0.sh", "a0.bat"},
    {"Deux", "x......", {{6, 10, 6, 50}, {8, 0, 8, 20}}, "m1.sh", "a1.bat"},
    {"Trois", "x......", {{6, 20, 6, 35}, {7, 50, 8, 30}}, "m2.sh", "a2.bat"},
    {"Quatre", "x......", {{6, 40, 7, 10}, {8, 15, 8, 40}}, "m3.sh", "a3.bat"},
    {"Cinq", "x......", {{6, 55, 7, 30}, {8, 35, 8, 50}}, "m4.sh", "a4.bat"},
    {"Six", "x......", {{7, 0, 7, 20}, {8, 30, 8, 55}}, "m5.sh", "a5.bat"},
    {"Sept", "x......", {{7, 15, 7, 45}}, "m6.sh", "a6.bat"},
    {"Huit", "x......", {{7, 30, 8, 0}}, "m7.sh", "a7.bat"},
};

// One slot's Monday: its start and stop minutes, and how many extra stops the kills
// allow it (see below).
struct occurrence {
    int voie, k;
    sys_seconds debut, fin;
    int permis = 0;
};

// The channel of a command file and whether it is its start.
std::pair<int, bool> voie_de(const std::string& commande) {
    for (std::size_t c = 0; c < voies_matin.size(); ++c) {
        const voie& v = voies_matin[c];
        if (commande == v.marche || commande == v.arret) return {int(c), commande == v.marche};
    }
    return {-1, false};
}

// The occurrence a launch at `t` serves: a start the last one started by then, a stop the
// last one whose stop minute has come; -1 for none.
int occurrence_de(const std::vector<occurrence>& occs, const std::string& commande, sys_seconds t) {
    const auto [c, marche] = voie_de(commande);
    int o = -1;
    for (std::size_t n = 0; n < occs.size(); ++n)
        if (occs[n].voie == c && (marche ? occs[n].debut : occs[n].fin) <= t) o = int(n);
    return o;
}

// The record once every launch of the journal has its line there (5 s at most): the
// scripts of a killed program run on.
std::vector<ligne> registre_complet(const fs::path& chemin, const std::vector<ligne>& journal) {
    std::vector<ligne> r;
    const auto complet = [&](const ligne& j) {
        const auto de_j = [&](const ligne& l) { return l.commande == j.commande; };
        return std::count_if(journal.begin(), journal.end(), de_j) <=
               std::count_if(r.begin(), r.end(), de_j);
    };
    for (const auto limite = steady_clock::now() + 5s; steady_clock::now() < limite;) {
        if (r = lit_registre(chemin); std::all_of(journal.begin(), journal.end(), complet)) break;
        std::this_thread::sleep_for(10ms);
    }
    return r;
}

// SIGKILL at random moments of the morning, each run restarted where the killed one left
// off, or up to three minutes later. After each kill horlivet.etat is a whole file that
// lists every channel the journal shows on. At the end every slot is off; no occurrence
// was started twice; every start was stopped once, at or after its stop minute, by the
// run up then or the next one that got through its startup. A stop is launched before the
// file drops its slot and a start after the file lists it, so a kill in between may leave
// a slot listed that is already off: its restart stops it again. Only there are a second
// stop, or a stop with no start, allowed.
TEST(ArretsBrutaux, AfterEachKillTheStateFileIsWholeAndNoSlotIsLeftOnOrLaunchedTwice) {
    ASSERT_TRUE(fs::exists(HORLIVET_FAKETIME))
        << "libfaketime is missing: scripts/deps.sh --test installs it";
    const dossier_temporaire d;
    installe(d.chemin, voies_matin);
    const fs::path etat = d.chemin / "horlivet.etat", journal = d.chemin / "journal_2026-12.txt",
                   registre = d.chemin / "registre.txt";
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
        R"(channel (\d) slot (\d) started 2026-12-07 (\d\d):(\d\d):(\d\d) times (\d\d):(\d\d)-(\d\d):(\d\d))");
    // The real time a faked duration takes.
    const auto reel = [](seconds simule) {
        return duration_cast<nanoseconds>(duration<double>(simule) / vitesse());
    };

    // Each run: its faked start, its kill as the test reckons it (a little late: the
    // program's clock starts after its spawn), whether it got through its startup, and
    // the journal's length at its end.
    struct run {
        sys_seconds depart;
        pid_t pid;
        sys_seconds tue = a(1, 0, 0);
        bool demarre = true;
        std::size_t lignes = 0;
    };
    std::vector<run> runs;
    const auto sortie = [&](std::size_t r) {
        return d.chemin / ("sortie_" + std::to_string(r) + ".txt");
    };
    // Whether run r got through its startup: it says so once its schedule runs.
    const auto a_demarre = [&](std::size_t r) {
        return lit_fichier(sortie(r)).find(sans_fenetre) != std::string::npos;
    };
    std::vector<ligne> lj, lr;
    // The journal's length up to the last line of a slot's channel when a kill last found
    // the slot listed and off.
    std::vector<std::size_t> vues(occs.size(), std::size_t(-1));
    // The start a kill caught before its launch: the restarts keep it listed until its stop.
    std::vector<std::optional<sys_seconds>> fantomes(occs.size());
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
        if (!au_demarrage) attend([&] { return a_demarre(runs.size() - 1); }, 20s);
        std::this_thread::sleep_for(au_demarrage ? milliseconds(alea() % 60)
                                                 : reel(seconds(alea() % 600)));
        const sys_seconds tue =
            depart + duration_cast<seconds>((steady_clock::now() - t0) * vitesse());
        if (tue > a(0, 8, 50)) break;
        run& r = runs.back();
        ::kill(r.pid, SIGKILL);
        waitpid(r.pid, nullptr, 0);
        r.tue = tue;
        r.demarre = a_demarre(runs.size() - 1);
        lj = lit_journal(journal, illisibles);
        lr = registre_complet(registre, lj);
        r.lignes = lj.size();

        const std::string texte = lit_fichier(etat);
        SCOPED_TRACE("after the kill at " + texte_heure(r.tue) + ", horlivet.etat:\n" + texte);
        ASSERT_TRUE((texte.empty() && !fs::exists(etat)) ||
                    (texte.starts_with("# ") && texte.ends_with("\n")));
        std::vector<std::optional<sys_seconds>> listee(occs.size());
        // The lines after the heading.
        std::istringstream lignes(texte.substr(texte.find('\n') + 1));
        std::smatch m;
        for (std::string entree; std::getline(lignes, entree);) {
            ASSERT_TRUE(std::regex_match(entree, m, forme_ligne)) << entree;
            const auto n = [&m](int i) { return std::stoi(m[i].str()); };
            const sys_seconds marche = a(0, n(3), n(4)) + seconds(n(5));
            const auto o = std::find_if(occs.begin(), occs.end(), [&](const occurrence& x) {
                return x.voie == n(1) - 1 && x.k == n(2);
            });
            ASSERT_NE(o, occs.end()) << entree;
            EXPECT_TRUE(o->debut == a(0, n(6), n(7)) && o->fin == a(0, n(8), n(9)) &&
                        marche >= o->debut && marche < o->fin)
                << entree;
            listee[std::size_t(o - occs.begin())] = marche;
        }
        // A slot its last journal line shows on is listed. A slot listed that the journal
        // and the record do not both show on must have been caught by the kill between a
        // launch and the file's write: a start noted and not journalled (the launch waits
        // for the command's exec) or not launched, which the restarts then keep; a stop that
        // reached the record only; a stop among those that end the journal since the last
        // run that got through its startup began (the restore writes once, after all its
        // stops). Its restart may stop it once more, once for each kill that found a new
        // line of its channel in the journal.
        std::size_t q = runs.size() - 1;
        while (q > 0 && !runs[q].demarre) --q;
        const std::size_t debut = q == 0 ? 0 : runs[q - 1].lignes;
        std::size_t arrets_finaux = lj.size();
        while (arrets_finaux > debut && !voie_de(lj[arrets_finaux - 1].commande).second)
            --arrets_finaux;
        for (std::size_t o = 0; o < occs.size(); ++o) {
            const int c = occs[o].voie;
            const auto de_c = [c](const ligne& l, bool marche) {
                return voie_de(l.commande) == std::pair{c, marche};
            };
            const auto marche_de_o = [&](const ligne& l) {
                return de_c(l, true) && occurrence_de(occs, l.commande, l.quand) == int(o);
            };
            const auto de_la_voie = [c](const ligne& l) { return voie_de(l.commande).first == c; };
            const auto j = std::find_if(lj.rbegin(), lj.rend(), de_la_voie);
            const auto e = std::find_if(lr.rbegin(), lr.rend(), de_la_voie);
            const bool marche_j = j != lj.rend() && marche_de_o(*j);
            const bool marche_r = e != lr.rend() && marche_de_o(*e);
            EXPECT_TRUE(!marche_j || listee[o]) << voies_matin[c].nom << " is on";
            if (!listee[o] || (marche_j && marche_r)) continue;
            const auto arret = [&](const ligne& l) { return de_c(l, false); };
            const bool arret_final =
                j != lj.rend() && !de_c(*j, true) && lj.rend() - j > long(arrets_finaux);
            const bool arret_au_registre_seul = std::count_if(lr.begin(), lr.end(), arret) >
                                                std::count_if(lj.begin(), lj.end(), arret);
            const bool marche_en_cours =
                std::none_of(lj.begin(), lj.end(), marche_de_o) &&
                (marche_r || lj.empty() || *listee[o] >= lj.back().quand - 120s ||
                 fantomes[o] == listee[o]);
            EXPECT_TRUE(arret_final || arret_au_registre_seul || marche_en_cours)
                << voies_matin[c].nom << " listed and off";
            if (marche_en_cours) fantomes[o] = listee[o];
            const std::size_t lignes_c = std::size_t(lj.rend() - j);
            if (lignes_c != vues[o]) ++occs[o].permis;
            vues[o] = lignes_c;
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
    lr = registre_complet(registre, lj);
    runs.back().lignes = lj.size();
    const int statut = arrete(runs.back().pid);
    for (const run& r : runs) efface_horloge(r.pid);
    std::string sorties;
    for (std::size_t r = 0; r < runs.size(); ++r)
        sorties += "run " + std::to_string(r) + " from " + texte_heure(runs[r].depart) + " to " +
                   texte_heure(runs[r].tue) + ":\n" + lit_fichier(sortie(r));
    SCOPED_TRACE(sorties);
    EXPECT_TRUE(sans_plage()) << lit_fichier(etat);
    EXPECT_EQ(illisibles, "");
    EXPECT_TRUE(statut != -1 && WIFEXITED(statut) && WEXITSTATUS(statut) == 0) << statut;
    // Nothing was left on for the shutdown to stop.
    EXPECT_EQ(lit_journal(journal, illisibles).size(), lj.size());

    // Per occurrence, the lines of its starts and of its stops in the journal, then in the
    // record.
    struct lancements {
        std::vector<std::size_t> marches, arrets;
    };
    std::vector<lancements> l(occs.size()), l_registre(occs.size());
    for (const auto& [lignes, par_o] : {std::pair{&lj, &l}, std::pair{&lr, &l_registre}}) {
        for (std::size_t n = 0; n < lignes->size(); ++n) {
            const ligne& x = (*lignes)[n];
            const int o = occurrence_de(occs, x.commande, x.quand);
            ASSERT_GE(o, 0) << x.commande << " before its minute, at " << texte_heure(x.quand);
            auto& y = (*par_o)[std::size_t(o)];
            (voie_de(x.commande).second ? y.marches : y.arrets).push_back(n);
        }
    }
    // The run that wrote line n: the journal's length at the end of each run only grows.
    const auto run_de = [&](std::size_t n) {
        const auto apres = [](std::size_t k, const run& r) { return k < r.lignes; };
        return std::size_t(std::upper_bound(runs.begin(), runs.end(), n, apres) - runs.begin());
    };
    int hors_journal = 0;
    for (std::size_t o = 0; o < occs.size(); ++o) {
        const occurrence& x = occs[o];
        const lancements &n = l[o], &r = l_registre[o];
        SCOPED_TRACE(voies_matin[std::size_t(x.voie)].nom + " slot " + std::to_string(x.k) +
                     ", extra stops allowed: " + std::to_string(x.permis));
        EXPECT_LE(n.marches.size(), 1u);
        EXPECT_LE(r.marches.size(), 1u);
        EXPECT_GE(n.arrets.size(), n.marches.size());
        EXPECT_LE(n.arrets.size(), n.marches.size() + std::size_t(x.permis));
        EXPECT_GE(r.arrets.size(), r.marches.size());
        // The record holds what the journal holds, and the launch a kill caught before its
        // journal line.
        const int hors_marches = int(r.marches.size()) - int(n.marches.size()),
                  hors_arrets = int(r.arrets.size()) - int(n.arrets.size());
        EXPECT_TRUE(hors_marches >= 0 && hors_arrets >= 0 && hors_marches + hors_arrets <= 1)
            << r.marches.size() << " starts and " << r.arrets.size() << " stops recorded";
        hors_journal += hors_marches + hors_arrets;
        for (const std::size_t m : n.marches) EXPECT_LT(lj[m].quand, x.fin);
        if (!n.marches.empty() && !n.arrets.empty()) {
            EXPECT_GT(n.arrets.front(), n.marches.front());
        }
        // The run up at the stop minute, or the next one that got through its startup.
        std::size_t premier = 0, dernier = 0;
        while (runs[premier].tue < x.fin) ++premier;
        for (dernier = premier + 1; dernier < runs.size() && !runs[dernier].demarre;) ++dernier;
        for (const std::size_t s : n.arrets)
            EXPECT_TRUE(run_de(s) >= premier && run_de(s) <= dernier)
                << "stop at " << texte_heure(lj[s].quand) << " by run " << run_de(s);
    }
    EXPECT_LE(std::size_t(hors_journal), runs.size() - 1);
}

}  // namespace
