#pragma once

// What the window's Qt application needs besides itself: its fonts set up early, and
// Qt's own texts in the user's language.

#include <thread>

namespace horlivet {

// Fontconfig parses its whole configuration the first time any font is asked for:
// several milliseconds the first window would wait through. This starts that work on a
// thread of its own, to run beside the QApplication's creation, which needs no font.
// The thread ends by itself; join it before the first widget is built, so that the
// window finds the work done rather than doing it a second time.
std::jthread prepare_polices();

// Qt's own dialogs (the file chooser's buttons and captions, the message box's OK) in
// the language of the default locale (the system's, unless set otherwise), from Qt's
// translations where QLibraryInfo says they are (Debian: qt6-translations-l10n).
// Without a translation for that language, they stay in English. The window's own
// texts are French and stay so. Returns true when a translation was installed.
// REQUIRES: a QCoreApplication exists.
bool installe_traductions_qt();

}  // namespace horlivet
