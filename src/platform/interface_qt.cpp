#include "platform/interface_qt.h"

#include <fontconfig/fontconfig.h>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace horlivet {

std::jthread prepare_polices() {
    // A failure here is met again, and reported, where Qt asks for its fonts.
    return std::jthread([] { FcInit(); });
}

bool installe_traductions_qt() {
    auto* traduction = new QTranslator(QCoreApplication::instance());
    if (!traduction->load(QLocale(), "qtbase", "_",
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete traduction;
        return false;
    }
    return QCoreApplication::installTranslator(traduction);
}

}  // namespace horlivet
