#include "Demarrage.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QMutex>
#include <QRegularExpression>
#include <QTranslator>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace demarrage {

namespace {

// What Debian's French catalogue of Qt lacks or words otherwise than a French keyboard: the file
// dialog's "Type" column, the Return key in shortcuts. Asked before that catalogue, it answers only
// these.
class ComplementFrancais final : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* contexte, const char* texte, const char* = nullptr,
                      int = -1) const override {
        static const QHash<QByteArray, QString> fournisseur{
            {"Drive", QStringLiteral("Lecteur")},       {"Folder", QStringLiteral("Dossier")},
            {"File Folder", QStringLiteral("Dossier")}, {"Shortcut", QStringLiteral("Raccourci")},
            {"Alias", QStringLiteral("Alias")},         {"Unknown", QStringLiteral("Inconnu")},
        };
        if (qstrcmp(contexte, "QAbstractFileIconProvider") == 0) {
            return fournisseur.value(QByteArray(texte));
        }
        // The key that French keyboards name "Entrée", which shortcuts show.
        if (qstrcmp(contexte, "QShortcut") == 0 && qstrcmp(texte, "Return") == 0) {
            return QStringLiteral("Entrée");
        }
        return {};
    }

    bool isEmpty() const override { return false; }
};

// The line said when there is no display, with the command that starts this very program on a
// virtual display: its name where the PATH finds it (an installed program), else its path, from
// the current folder when it lies below it (a build).
std::string ligneSansAffichage() {
    const QString programme = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QFileInfo fichier(programme);
    QString commande = programme;
    if (qEnvironmentVariable("PATH").split(QLatin1Char(':')).contains(fichier.path())) {
        commande = fichier.fileName();
    } else if (const QString ici = QDir::currentPath();
               programme.startsWith(ici + QLatin1Char('/'))) {
        commande = programme.mid(ici.size() + 1);
        if (!commande.contains(QLatin1Char('/'))) {
            commande.prepend(QStringLiteral("./")); // else the shell would look along the PATH
        }
    }
    static const QRegularExpression sur(QStringLiteral("^[A-Za-z0-9_./+-]+$"));
    if (!sur.match(commande).hasMatch()) {
        commande = QLatin1Char('\'') +
                   commande.replace(QLatin1Char('\''), QStringLiteral("'\\''")) + QLatin1Char('\'');
    }
    return QStringLiteral("korvane : aucun affichage où ouvrir la fenêtre (ni X11 ni Wayland). "
                          "Lancez Korvane dans une session de bureau, ou sur un écran virtuel : "
                          "xvfb-run -a %1 ARCHIVE.rar\n")
        .arg(commande)
        .toStdString();
}

// What Qt says while it looks for a display, held until it has found one: without one, its
// account (plugins tried, "Reinstalling the application may fix this problem") would only bury
// the line that says what to do. The platform's threads may speak too.
QMutex verrou;
QStringList messagesRetenus;

} // namespace

void direSiAucunAffichage() {
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& texte) {
        if (type == QtFatalMsg) {
            std::fputs(ligneSansAffichage().c_str(), stderr);
            ::_exit(1);
        }
        const QMutexLocker garde(&verrou);
        messagesRetenus.append(texte);
    });
}

void affichageTrouve() {
    qInstallMessageHandler(nullptr);
    const QMutexLocker garde(&verrou);
    for (const QString& texte : std::as_const(messagesRetenus)) {
        std::fprintf(stderr, "%s\n", qPrintable(texte));
    }
    messagesRetenus.clear();
}

void traductionsQt(QApplication& application) {
    // The program speaks French whatever the desktop's language.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    auto* traducteur = new QTranslator(&application);
    if (traducteur->load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(traducteur);
    }
    QApplication::installTranslator(new ComplementFrancais(&application));
}

} // namespace demarrage
