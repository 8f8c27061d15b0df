#pragma once

// The user's long date and long time formats.

#include <string>

#include "model/services_requis.h"

namespace horlivet {

// From the system locale (LC_ALL, LC_TIME, LANG) through Qt's locale data: for fr_FR
// "samedi 5 décembre 2026" and "20:44:16".
std::string date_longue_locale(const date_heure& d);
std::string heure_longue_locale(const date_heure& d);

// The same for a named locale ("fr_FR", "en_US").
std::string date_longue_pour(const std::string& locale, const date_heure& d);
std::string heure_longue_pour(const std::string& locale, const date_heure& d);

}  // namespace horlivet
