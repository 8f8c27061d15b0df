#include <QDate>
#include <QLocale>
#include <QTime>

#include "platform/formats.h"

namespace horlivet {

namespace {

// The long time format without its time-zone token: "HH:mm:ss t" gives "HH:mm:ss".
QString format_heure_sans_fuseau(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString resultat;
    bool entre_quotes = false;
    for (const QChar c : format) {
        if (c == u'\'') entre_quotes = !entre_quotes;
        if (!entre_quotes && c == u't') continue;
        resultat += c;
    }
    return resultat.simplified();
}

std::string date_longue(const QLocale& locale, const date_heure& d) {
    return locale.toString(QDate(d.annee, d.mois, d.jour), QLocale::LongFormat).toStdString();
}

std::string heure_longue(const QLocale& locale, const QString& format, const date_heure& d) {
    const QTime heure(d.secondes / 3600, d.secondes / 60 % 60, d.secondes % 60);
    return locale.toString(heure, format).toStdString();
}

// The locale and its time format are worked out once: the journal asks at every launch.
const QLocale& locale_systeme() {
    static const QLocale locale = QLocale::system();
    return locale;
}

}  // namespace

std::string date_longue_locale(const date_heure& d) { return date_longue(locale_systeme(), d); }

std::string heure_longue_locale(const date_heure& d) {
    static const QString format = format_heure_sans_fuseau(locale_systeme());
    return heure_longue(locale_systeme(), format, d);
}

std::string date_longue_pour(const std::string& locale, const date_heure& d) {
    return date_longue(QLocale(QString::fromStdString(locale)), d);
}

std::string heure_longue_pour(const std::string& locale, const date_heure& d) {
    const QLocale l(QString::fromStdString(locale));
    return heure_longue(l, format_heure_sans_fuseau(l), d);
}

}  // namespace horlivet
