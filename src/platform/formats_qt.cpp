#include <QDate>
#include <QLocale>
#include <QTime>

#include "platform/formats.h"

namespace horlivet {

namespace {

// The long time format without its time-zone token: "HH:mm:ss t" gives "HH:mm:ss".
QString format_heure_sans_fuseau(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    QString resultat;
    bool entre_quotes = false;
    for (qsizetype n = 0; n < format.size(); ++n) {
        const QChar c = format[n];
        if (c == u'\'') entre_quotes = !entre_quotes;
        if (!entre_quotes && c == u't') continue;
        resultat += c;
    }
    return resultat.simplified();
}

const QLocale& locale_systeme() {
    static const QLocale locale = QLocale::system();
    return locale;
}

}  // namespace

std::string date_longue_locale(const date_heure& d) {
    const QDate date(d.annee, d.mois, d.jour);
    return locale_systeme().toString(date, QLocale::LongFormat).toStdString();
}

std::string heure_longue_locale(const date_heure& d) {
    static const QString format = format_heure_sans_fuseau(locale_systeme());
    const QTime heure(d.secondes / 3600, d.secondes / 60 % 60, d.secondes % 60);
    return locale_systeme().toString(heure, format).toStdString();
}

}  // namespace horlivet
