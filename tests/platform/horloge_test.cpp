#include "platform/horloge.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <sched.h>
#include <sys/mount.h>
#include <time.h>

#include <gtest/gtest.h>

namespace horlivet {
namespace {

// How many hours the clock reads ahead of UTC, read from a fresh second so that a change
// of zone since the last reading has had its chance to show. Under UTC, the whole date.
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
        const int avance = (d.secondes - utc_secondes + 86400) % 86400 / 3600;
        EXPECT_EQ((d.secondes - utc_secondes - d.decalage.value_or(1)) % 86400, 0);
        if (avance == 0) {
            EXPECT_EQ((std::vector{d.secondes, d.annee, d.mois, d.jour, d.jour_semaine}),
                      (std::vector{utc_secondes, utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
                                   (utc.tm_wday + 6) % 7}));
        }
        return avance;
    }
}

// As timedatectl set-timezone does it, /etc/localtime is replaced under the running
// process with TZ unset: here by a mount that this thread's own namespace alone sees.
TEST(Horloge, AChangedTZOrEtcLocaltimeIsFollowedFromTheNextSecond) {
    const char* avant = std::getenv("TZ");
    const std::string tz_avant = avant ? avant : "";
    setenv("TZ", "UTC0", 1);
    EXPECT_EQ(heures_d_avance(), 0);
    setenv("TZ", "<+09>-9", 1);
    EXPECT_EQ(heures_d_avance(), 9);
    unsetenv("TZ");
    const int sans_tz = heures_d_avance();
    const std::string zone = "/usr/share/zoneinfo/Asia/Tokyo";
    const bool espace = std::filesystem::exists(zone) && unshare(CLONE_NEWNS) == 0 &&
                        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    if (espace) {
        ASSERT_NE(sans_tz, 9) << "/etc/localtime already gives UTC+9";
        ASSERT_EQ(mount(zone.c_str(), "/etc/localtime", nullptr, MS_BIND, nullptr), 0);
        EXPECT_EQ(heures_d_avance(), 9);
        umount("/etc/localtime");
    }
    avant ? setenv("TZ", tz_avant.c_str(), 1) : unsetenv("TZ");
    if (!espace) GTEST_SKIP() << "/etc/localtime not replaced: needs root and tzdata";
}

}  // namespace
}  // namespace horlivet
