// The window on the desktop: "Extraire ici" and its folder, the --extraire-ici argument, the
// recent archives, what screen readers read, the folder name's colours on a dark palette.

#include "Archives.h"
#include "ArchivesRecentes.h"
#include "DosRAR.h"
#include "ExtraireIci.h"
#include "FUnRAR.h"
#include "FausseInteraction.h"
#include "LigneCommande.h"
#include "ListeResultats.h"
#include "Proprietes.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

// What stands under `dossier`, but the sources that rar took and the archive.
QStringList contenu(const QString& dossier) {
    QStringList l;
    for (QDirIterator i(dossier, QDir::Files, QDirIterator::Subdirectories); i.hasNext();) {
        const QString f = QDir(dossier).relativeFilePath(i.next());
        if (!f.startsWith(QLatin1String("source-")) && f != QLatin1String("jeu.rar")) {
            l << f;
        }
    }
    l.sort();
    return l;
}

double luminance(const QColor& c) {
    const auto lin = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
}

} // namespace

class TestBureau : public QObject {
    Q_OBJECT

private slots:
    // Entries spread over the archive's top go into a new folder named after it, never into one
    // that is there ("jeu (2)" the second time); one entry at the top goes beside the archive.
    // Either way the program ends by itself, with status 0, when every row is "OK".
    void extraireIci_data() {
        QTest::addColumn<archives::Fichiers>("fichiers");
        QTest::addColumn<int>("fois");
        QTest::addColumn<QStringList>("attendus");
        QTest::newRow("several at the top, twice")
            << archives::Fichiers{{"a", "1"}, {"d/b", "2"}} << 2
            << QStringList{"jeu (2)/a", "jeu (2)/d/b", "jeu/a", "jeu/d/b"};
        QTest::newRow("one folder at the top")
            << archives::Fichiers{{"d/a", "1"}, {"d/e/b", "2"}} << 1 << QStringList{"d/a", "d/e/b"};
    }
    void extraireIci() {
        QFETCH(archives::Fichiers, fichiers);
        QFETCH(int, fois);
        QTemporaryDir d;
        const QString archive = archives::creer(d.path(), QStringLiteral("jeu.rar"), fichiers);
        FausseInteraction b;
        const QString avant = QDir::currentPath(); // the extraction makes its folder current
        for (int i = 0; i < fois; ++i) {
            FUnRAR f;
            int statut = -1;
            try {
                f.extraireIci(QFile::encodeName(archive));
            } catch (const FinDuProgramme& fin) {
                statut = fin.statut;
            }
            QDir::setCurrent(avant);
            QCOMPARE(statut, 0);
        }
        QTEST(contenu(d.path()), "attendus");
        QVERIFY(b.messages.isEmpty());
    }

    // The folder's name drops what makes a file an archive or a volume; entries are counted at
    // the archive's top; a name taken by a file or a folder is never used.
    void leDossierDUneArchive_data() {
        QTest::addColumn<QString>("vu");
        QTest::addColumn<QString>("attendu");
        QTest::newRow("rar") << ici::nomDuJeu("photos.rar") << "photos";
        QTest::newRow("new numbering") << ici::nomDuJeu("Photos.PART02.RAR") << "Photos";
        QTest::newRow("old numbering") << ici::nomDuJeu("photos.r07") << "photos";
        QTest::newRow("dots in the name") << ici::nomDuJeu("v1.2.part1.rar") << "v1.2";
        QTest::newRow("not an archive's name") << ici::nomDuJeu("notes.txt") << "notes.txt";
        QTest::newRow("one folder and its files")
            << QString::number(ici::entreesDuHaut({"d", "d/a", "d/e/b"})) << "1";
        QTest::newRow("a name under ./")
            << QString::number(ici::entreesDuHaut({"./a", "a/b"})) << "1";
        QTest::newRow("two at the top") << QString::number(ici::entreesDuHaut({"d/a", "b"})) << "2";
        QTemporaryDir d;
        QDir(d.path()).mkdir(QStringLiteral("x"));
        archives::ecrire(d.filePath(QStringLiteral("x (2)")), "taken by a file");
        QTest::newRow("x and x (2) taken")
            << QFileInfo(ici::creerDossierNeuf(d.path(), QStringLiteral("x")).value()).fileName()
            << "x (3)";
        QTest::newRow("a folder that refuses it")
            << ici::creerDossierNeuf(d.path() + QStringLiteral("/absent"), QStringLiteral("x"))
                   .value_or(QStringLiteral("refusé"))
            << "refusé";
    }
    void leDossierDUneArchive() {
        QFETCH(QString, vu);
        QFETCH(QString, attendu);
        QCOMPARE(vu, attendu);
    }

    // Only a first argument that is exactly --extraire-ici asks for it; anywhere else, or spelt
    // otherwise, it belongs to the archive's path.
    void lArgumentExtraireIci_data() {
        QTest::addColumn<QList<QByteArray>>("arguments");
        QTest::addColumn<bool>("ici");
        QTest::addColumn<QByteArray>("texte");
        QTest::newRow("first") << QList<QByteArray>{"--extraire-ici", "a b.rar"} << true
                               << QByteArray("a b.rar");
        QTest::newRow("alone") << QList<QByteArray>{"--extraire-ici"} << true << QByteArray();
        QTest::newRow("second") << QList<QByteArray>{"a.rar", "--extraire-ici"} << false
                                << QByteArray("a.rar --extraire-ici");
        QTest::newRow("in capitals") << QList<QByteArray>{"--Extraire-ici", "a.rar"} << false
                                     << QByteArray("--Extraire-ici a.rar");
        QTest::newRow("with a value") << QList<QByteArray>{"--extraire-ici=a.rar"} << false
                                      << QByteArray("--extraire-ici=a.rar");
    }
    void lArgumentExtraireIci() {
        QFETCH(QList<QByteArray>, arguments);
        std::vector<const char*> argv{"korvane"};
        for (const QByteArray& a : arguments) {
            argv.push_back(a.constData());
        }
        const Demande demande = demandeDepuisArguments(int(argv.size()), argv.data());
        QTEST(demande.extraireIci, "ici");
        QTEST(demande.texte, "texte");
    }

    // The most recent first, once each, eight at most, from one run to the next.
    void lesArchivesRecentes_data() {
        QTest::addColumn<QStringList>("ouvertes");
        QTest::addColumn<QStringList>("attendues");
        QTest::newRow("most recent first")
            << QStringList{"/a", "/b", "/c"} << QStringList{"/c", "/b", "/a"};
        QTest::newRow("again: to the top, once")
            << QStringList{"/a", "/b", "/a"} << QStringList{"/a", "/b"};
        QStringList dix;
        for (int i = 0; i < 10; ++i) {
            dix << QStringLiteral("/%1").arg(i);
        }
        QStringList huit = dix.mid(2);
        std::reverse(huit.begin(), huit.end());
        QTest::newRow("the last eight") << dix << huit;
    }
    void lesArchivesRecentes() {
        QFETCH(QStringList, ouvertes);
        QTemporaryDir d;
        const QString reglages = d.filePath(QStringLiteral("korvane.conf"));
        for (const QString& o : ouvertes) {
            ArchivesRecentes(reglages).ajouter(o.toUtf8());
        }
        QStringList vues;
        for (const QByteArray& c : ArchivesRecentes(reglages).chemins()) {
            vues << QString::fromUtf8(c);
        }
        QTEST(vues, "attendues");
    }

    // Numbered, with an "&" that is no access key, and greyed once its file is gone.
    void uneArchiveDisparueEstGrisee() {
        QTemporaryDir d;
        const QString la = d.filePath(QStringLiteral("là & ici.rar"));
        archives::ecrire(la, "x");
        ArchivesRecentes r(d.filePath(QStringLiteral("korvane.conf")));
        r.ajouter(QFile::encodeName(la));
        r.ajouter(QFile::encodeName(d.filePath(QStringLiteral("partie.rar"))));
        const QList<ArchivesRecentes::Entree> e = r.entrees();
        QCOMPARE(e.size(), 2);
        QCOMPARE(e[0].texte + QLatin1Char('|') + QString::number(e[0].presente), "&1 partie.rar|0");
        QCOMPARE(e[1].texte + QLatin1Char('|') + QString::number(e[1].presente),
                 "&2 là && ici.rar|1");
        QCOMPARE(e[1].bulle, la);
    }

    // Every control of the window and of its boxes has a name and a description for screen
    // readers, and a label that names a field is its buddy's.
    void chaqueControleEstNomme_data() {
        QTest::addColumn<int>("fenetre");
        QTest::newRow("main window") << 0;
        QTest::newRow("destination dialog") << 1;
        QTest::newRow("properties") << 2;
    }
    void chaqueControleEstNomme() {
        QFETCH(int, fenetre);
        FausseInteraction b;
        FUnRAR f;
        DosRAR dos;
        InfosArchive infos{QStringLiteral("/x/y.rar"), true, 0, 5, 0, true, 1, 1, 10, 5};
        montrerProprietes(&f, infos);
        QWidget* w = fenetre == 0   ? static_cast<QWidget*>(&f)
                     : fenetre == 1 ? static_cast<QWidget*>(&dos)
                                    : f.findChild<QDialog*>(QStringLiteral("proprietes"));
        int vus = 0;
        for (QWidget* c : w->findChildren<QWidget*>()) {
            const bool controle = qobject_cast<QAbstractButton*>(c) ||
                                  qobject_cast<QLineEdit*>(c) || qobject_cast<QComboBox*>(c) ||
                                  qobject_cast<QTableView*>(c) || qobject_cast<QProgressBar*>(c) ||
                                  (qobject_cast<QLabel*>(c) && c->focusPolicy() != Qt::NoFocus);
            if (!controle || c->objectName().startsWith(QLatin1String("qt_")) ||
                qobject_cast<QAbstractItemView*>(c->parentWidget()) || c->window() != w) {
                continue;
            }
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
            QVERIFY2(!a->text(QAccessible::Name).isEmpty(), qPrintable(c->objectName()));
            QVERIFY2(!a->text(QAccessible::Description).isEmpty(), qPrintable(c->objectName()));
            ++vus;
        }
        QVERIFY(vus >= 3);
        for (const QLabel* l : w->findChildren<QLabel*>()) {
            QVERIFY2(!l->text().endsWith(QLatin1Char(':')) || l->buddy(), qPrintable(l->text()));
        }
    }

    // A row reads whole from its name; the progress bar reads as it shows.
    void lesLignesEtLaBarreSeLisent() {
        ListeResultats m;
        m.ajouterEnTete(QStringLiteral("d"), 0, 0, true);
        m.ecrireResultat(QStringLiteral("OK"));
        m.ajouterEnTete(QStringLiteral("d/a.txt"), 1234);
        m.publier();
        QTableView vue;
        vue.setModel(&m);
        QAccessibleTableInterface* t =
            QAccessible::queryAccessibleInterface(&vue)->tableInterface();
        QCOMPARE(t->cellAt(0, 0)->text(QAccessible::Name), "d/a.txt, 1234 octets");
        QCOMPARE(t->cellAt(1, 0)->text(QAccessible::Name), "d, dossier, OK");
        FausseInteraction b;
        FUnRAR f;
        auto* barre = f.findChild<QProgressBar*>(QStringLiteral("progression"));
        barre->setValue(425);
        QCOMPARE(QAccessible::queryAccessibleInterface(barre)->text(QAccessible::Value), "42 %");
    }

    // The folder name's field reads on a light and on a dark palette: its text is the palette's,
    // on a green drawn from the palette's background (white on pale green was unreadable).
    void leNomDuDossierSeLit_data() {
        QTest::addColumn<QColor>("fond");
        QTest::addColumn<QColor>("texte");
        QTest::newRow("light") << QColor(Qt::white) << QColor(Qt::black);
        QTest::newRow("dark") << QColor(0x23, 0x26, 0x29) << QColor(0xfc, 0xfc, 0xfc);
    }
    void leNomDuDossierSeLit() {
        QFETCH(QColor, fond);
        QFETCH(QColor, texte);
        QPalette p;
        p.setColor(QPalette::Base, fond);
        p.setColor(QPalette::Text, texte);
        const QPalette avant = QApplication::palette();
        QApplication::setPalette(p);
        const DosRAR dos;
        QApplication::setPalette(avant);
        const QPalette vu = dos.findChild<QLineEdit*>(QStringLiteral("Text1"))->palette();
        const QColor f = vu.color(QPalette::Active, QPalette::Base);
        QCOMPARE(vu.color(QPalette::Active, QPalette::Text), texte);
        QVERIFY(f.green() > f.red() && f.green() > f.blue());
        const double a = luminance(f);
        const double t = luminance(texte);
        QVERIFY2((std::max(a, t) + 0.05) / (std::min(a, t) + 0.05) >= 4.5,
                 qPrintable(f.name())); // WCAG's AA
    }
};

QTEST_MAIN(TestBureau)
#include "tst_bureau.moc"
