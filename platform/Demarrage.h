#pragma once

// What the process sets up before the first window.

class QApplication;

namespace demarrage {

// The library hands names back in the locale's encoding and cuts them at the first character that
// the locale cannot encode; under LC_ALL=C that is every accented letter. Makes LC_CTYPE UTF-8,
// keeping the user's locale when it already is.
void localeUtf8();

// Qt's own French strings, so that standard buttons read "Annuler", "Ouvrir", "Oui".
void traductionsQt(QApplication& application);

} // namespace demarrage
