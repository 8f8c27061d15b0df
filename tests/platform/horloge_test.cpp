#include "platform/horloge.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace horlivet {
namespace {

// How many hours the clock reads ahead of UTC, read from a fresh second so that a change
// of zone since the last reading has had its chance to show.
int heures_d_avance() {
    for (const time_t t = time(nullptr); time(nullptr) == t;)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    for (;;) {
        const time_t t = time(nullptr);
        const date_heure d = maintenant_systeme();
        if (time(nullptr) != t) continue;
        struct tm utc {};
        gmtime_r(&t, &utc);
        const int utc_secondes = utc.tm_hour * 3600 + utc.tm_min * 60 + utc.tm_sec;
        return (d.secondes - utc_secondes + 86400) % 86400 / 3600;
    }
}

// Runs `arguments` and returns its exit status, or -1.
int execute(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int statut = 0;
    waitpid(pid, &statut, 0);
    return WIFEXITED(statut) ? WEXITSTATUS(statut) : -1;
}

TEST(Horloge, AChangedTZIsFollowedFromTheNextSecond) {
    const char* avant = std::getenv("TZ");
    const std::string tz_avant = avant ? avant : "";
    setenv("TZ", "UTC0", 1);
    EXPECT_EQ(heures_d_avance(), 0);
    setenv("TZ", "<+09>-9", 1);
    EXPECT_EQ(heures_d_avance(), 9);
    if (avant) {
        setenv("TZ", tz_avant.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
}

// As timedatectl set-timezone does it, in a mount namespace of its own: /etc/localtime
// replaced under the running process, TZ unset.
TEST(Horloge, AReplacedEtcLocaltimeIsFollowedFromTheNextSecond) {
    const std::string zone = "/usr/share/zoneinfo/Asia/Tokyo";
    if (!std::filesystem::exists(zone)) GTEST_SKIP() << zone << " is missing (tzdata)";
    if (std::getenv("HORLIVET_ESPACE_MONTAGE") == nullptr) {
        if (geteuid() != 0 || execute({"unshare", "--mount", "true"}) != 0)
            GTEST_SKIP() << "needs root and unshare (util-linux) to replace /etc/localtime";
        setenv("HORLIVET_ESPACE_MONTAGE", "1", 1);
        const int statut =
            execute({"unshare", "--mount", "--propagation", "private",
                     std::filesystem::read_symlink("/proc/self/exe").string(),
                     "--gtest_filter=Horloge.AReplacedEtcLocaltimeIsFollowedFromTheNextSecond"});
        unsetenv("HORLIVET_ESPACE_MONTAGE");
        EXPECT_EQ(statut, 0) << "the test failed in its mount namespace: its output is above";
        return;
    }
    unsetenv("TZ");
    const int avant = heures_d_avance();
    ASSERT_EQ(mount(zone.c_str(), "/etc/localtime", nullptr, MS_BIND, nullptr), 0);
    EXPECT_EQ(heures_d_avance(), 9);
    ASSERT_NE(avant, 9) << "/etc/localtime already gives UTC+9";
}

}  // namespace
}  // namespace horlivet
