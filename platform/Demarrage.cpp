#include "Demarrage.h"

#include <QApplication>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
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

} // namespace

void direSiAucunAffichage() {
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& texte) {
        if (type == QtFatalMsg) {
            // Qt's own account goes first, for whoever must look into it.
            std::fprintf(stderr,
                         "%s\nkorvane : aucun affichage où ouvrir la fenêtre. Lancez "
                         "Korvane dans une session de bureau, ou sur un écran virtuel : xvfb-run "
                         "korvane ARCHIVE.rar\n",
                         qPrintable(texte));
            ::_exit(1);
        }
        std::fprintf(stderr, "%s\n", qPrintable(texte));
    });
}

void affichageTrouve() {
    qInstallMessageHandler(nullptr);
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
