// The argument of Extraire ici, recent archives, names shown, screen readers, a dark palette.

#include "Archives.h"
#include "ArchivesRecentes.h"
#include "BureauFenetre.h"
#include "DelegueTexte.h"
#include "DosRAR.h"
#include "FUnRAR.h"
#include "FausseInteraction.h"
#include "LigneCommande.h"
#include "ListeResultats.h"
#include "Notification.h"
#include "PriseFenetre.h"
#include "Proprietes.h"
#include "TexteVisible.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformtheme.h>

#include <unistd.h>

#include <functional>
#include <optional>

namespace {

struct ToucheX11 final : QPlatformTheme { // where a text field takes Ctrl+E for its own
    QVariant themeHint(ThemeHint h) const override {
        return h == KeyboardScheme ? int(X11KeyboardScheme) : QPlatformTheme::themeHint(h);
    }
};

// The controls of `w`'s window that a user reaches, or reads, and that a screen reader would
// read without a name or a description; a label followed by a colon names a field or is a fault.
QStringList controlesSansNom(QWidget* w) {
    QStringList sansNom;
    for (QWidget* c : w->findChildren<QWidget*>()) {
        const auto* ligne = qobject_cast<QLabel*>(c);
        if ((c->focusPolicy() == Qt::NoFocus && !qobject_cast<QAbstractButton*>(c) &&
             !qobject_cast<QProgressBar*>(c) && (ligne == nullptr || ligne->buddy())) ||
            c->objectName().startsWith(QLatin1String("qt_")) ||
            qobject_cast<QAbstractItemView*>(c->parentWidget()) || c->window() != w) {
            continue;
        }
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
        if (a->text(QAccessible::Name).isEmpty() || a->text(QAccessible::Description).isEmpty()) {
            sansNom << QStringLiteral("%1 (%2)").arg(c->objectName(), c->metaObject()->className());
        }
    }
    for (const QLabel* l : w->findChildren<QLabel*>()) {
        if (l->text().endsWith(QLatin1Char(':')) && !l->buddy()) {
            sansNom << l->text();
        }
    }
    return sansNom;
}

} // namespace

class TestBureau : public QObject {
    Q_OBJECT

private slots:
    // Times read in the same zone on every machine.
    void initTestCase() { qputenv("TZ", ":Europe/Paris"); }

    // Only a first argument that is exactly --extraire-ici asks for it; anywhere else, or spelt
    // otherwise, it belongs to the archive's path.
    void lArgumentExtraireIci_data() {
        QTest::addColumn<QByteArray>("arguments"); // one per word
        QTest::addColumn<QByteArray>("attendu");   // "ici:" and the archive's argument text
        QTest::newRow("first") << QByteArray("--extraire-ici a b.rar") << QByteArray("1:a b.rar");
        QTest::newRow("second") << QByteArray("a.rar --extraire-ici")
                                << QByteArray("0:a.rar --extraire-ici");
        QTest::newRow("in capitals")
            << QByteArray("--Extraire-ici a") << QByteArray("0:--Extraire-ici a");
    }
    void lArgumentExtraireIci() {
        QFETCH(QByteArray, arguments);
        const QList<QByteArray> mots = arguments.split(' ');
        std::vector<const char*> argv{"korvane"};
        for (const QByteArray& m : mots) {
            argv.push_back(m.constData());
        }
        const Demande d = demandeDepuisArguments(int(argv.size()), argv.data());
        QTEST(QByteArray::number(d.extraireIci) + ':' + d.texte, "attendu");
    }

    // The most recent first, once for each file (by a link, a hard link, a folder's link to a file
    // gone), eight at most, from one run to the next; numbered, with an "&" that is no access
    // key, and greyed once its file is gone. "@" is a folder with a.rar, b.rar, l.rar -> a.rar,
    // h.rar a hard link to a.rar, and d -> vrai.
    void lesArchivesRecentes_data() {
        QTest::addColumn<QStringList>("ouvertes");
        QTest::addColumn<QStringList>("attendues");
        QTest::newRow("most recent first")
            << QStringList{"/a", "/b", "/c"} << QStringList{"&1 c|0", "&2 b|0", "&3 a|0"};
        QStringList dix, huit;
        for (int i = 0; i < 10; ++i) {
            dix << QStringLiteral("/%1").arg(i);
            huit.prepend(QStringLiteral("&%1 %2|0").arg(10 - i).arg(i)); // the first two drop off
        }
        QTest::newRow("the last eight") << dix << huit.mid(0, 8);
        QTest::newRow("one there, one gone")
            << QStringList{QCoreApplication::applicationFilePath(), "/x & y.rar"}
            << QStringList{"&1 x && y.rar|0", "&2 bureau_bureau|1"};
        QTest::newRow("one file by three paths")
            << QStringList{"@/a.rar", "@/b.rar", "@/l.rar", "@/./h.rar"}
            << QStringList{"&1 h.rar|1", "&2 b.rar|1"};
        QTest::newRow("a file gone, through a folder's link")
            << QStringList{"@/vrai/z.rar", "@/d/z.rar"} << QStringList{"&1 z.rar|0"};
    }
    void lesArchivesRecentes() {
        QFETCH(QStringList, ouvertes);
        QTemporaryDir d;
        QDir(d.path()).mkdir("vrai");
        QFile(d.filePath("a.rar")).open(QIODevice::WriteOnly);
        QFile(d.filePath("b.rar")).open(QIODevice::WriteOnly);
        QFile::link("a.rar", d.filePath("l.rar"));
        QFile::link("vrai", d.filePath("d"));
        QVERIFY(::link(QFile::encodeName(d.filePath("a.rar")),
                       QFile::encodeName(d.filePath("h.rar"))) == 0);
        const QString reglages = d.filePath(QStringLiteral("korvane.conf"));
        for (const QString& o : ouvertes) {
            ArchivesRecentes(reglages).ajouter(
                QFile::encodeName(QString(o).replace('@', d.path())));
        }
        QStringList vues;
        for (const ArchivesRecentes::Entree& e : ArchivesRecentes(reglages).entrees()) {
            vues << e.texte + QLatin1Char('|') + QString::number(e.presente);
        }
        QTEST(vues, "attendues");
    }

    // Properties give sizes in the decimal units of the other texts, digits grouped by a narrow
    // no-break space.
    void lesProprietesEnUnitesDecimales() {
        const auto lignes = lignesProprietes({"/a.rar", true, 0, 5, 0, true, 1, 1, 1500000000, 0});
        QVERIFY(lignes.contains({"Taille totale", "1,5 Go (1\u202F500\u202F000\u202F000 octets)"}));
    }

    // A box that holds the window stops the pass's clock: the time the user takes over the
    // comment or a question does not make a short pass long enough for a notice.
    void uneBoiteNeCompteNiPourLaPasse() {
        QWidget fenetre;
        fenetre.show();
        notification::DureeDuTravail duree(fenetre);
        duree.start();
        QDialog boite(&fenetre);
        boite.open();
        const qint64 avant = duree.elapsed();
        QTest::qSleep(50);
        QCOMPARE(duree.elapsed(), avant);
        boite.done(0);
        QTest::qSleep(5);
        QVERIFY(duree.elapsed() > avant);
    }

    // An archive's name shows with its control and bidirectional characters written out
    // wherever the window shows it: "facture\u202Erar.exe" must not read "factureexe.rar".
    void unNomHostileSeLitEcrit() {
        QTemporaryDir d;
        const QString archive = d.filePath(QStringLiteral("fac\ature\u202Erar.exe"));
        QVERIFY(QFile::rename(archives::creer(d.path(), QStringLiteral("a.rar"), {{"a", "1"}}),
                              archive));
        FausseInteraction b;
        FUnRAR f;
        b.fichiers << archive << d.filePath(QStringLiteral("liste.txt"));
        f.Mnu_Ouvrir_Click();
        f.prise().Mnu_EnregistrerListe_Click();
        f.bureau().Mnu_Proprietes_Click();
        const ArchivesRecentes::Entree recente = ArchivesRecentes().entrees().value(0);
        FUnRAR g;
        g.Form_Load(QFile::encodeName(archive));
        const QMap<QString, QString> vus{
            {"the title", f.windowTitle()},
            {"the title of the command line's archive", g.windowTitle()},
            {"the archive's panel", f.findChild<QLabel*>(QStringLiteral("StatusBar1_2"))->text()},
            {"the saved list's first line",
             QString::fromUtf8(archives::lire(d.filePath(QStringLiteral("liste.txt"))))},
            {"the recent menu's text", recente.texte},
            {"the recent menu's tooltip", recente.bulle},
            {"the properties", f.findChild<QLabel*>(QStringLiteral("valeur1"))->text()},
            {"the notice's title", notification::titre(archive)}};
        for (auto i = vus.cbegin(); i != vus.cend(); ++i) {
            const QString vu = i.value().section(QLatin1Char('\n'), 0, 0);
            QVERIFY2(vu.contains(QLatin1String("fac\\u0007ture\\u202Erar.exe")),
                     qPrintable(i.key() + ": " + vu));
            QCOMPARE(nomVisible(vu), vu); // nothing left to hide or reorder
        }
        QVERIFY(b.messages.isEmpty());
    }

    // Propriétés describe the entry too when exactly one row is chosen, in a section of its own:
    // the row shown first of a list sorted from z is the first entry.
    void lesProprietesDUneEntreeChoisie() {
        QTemporaryDir d;
        FausseInteraction b;
        FUnRAR f;
        f.Form_Load(
            QFile::encodeName(archives::creer(d.path(), "x.rar", {{"b", "1"}, {"a", "2"}})));
        auto* vue = f.findChild<QTableView*>(QStringLiteral("ListView1"));
        emit vue->horizontalHeader()->sectionClicked(0);
        emit vue->horizontalHeader()->sectionClicked(0);
        for (const bool toutes : {false, true}) {
            toutes ? vue->selectAll() : vue->selectRow(0);
            f.bureau().Mnu_Proprietes_Click();
            const auto* entree = f.findChildren<QDialog*>(QStringLiteral("proprietes"))
                                     .last()
                                     ->findChild<QWidget*>(QStringLiteral("entree"));
            // Its first value comes after the 15 of the archive.
            QCOMPARE(entree ? entree->findChild<QLabel*>(QStringLiteral("valeur16"))->text()
                            : QString(),
                     toutes ? QString() : QStringLiteral("b"));
        }
    }

    // Every control of the window and of its boxes, and every line that is no field's caption,
    // has a name and a description for screen readers; a label that names a field is its buddy's.
    // Every control of every window and box reads to a screen reader as a name and a
    // description: the window, the destination dialog, the properties, and each kind of box the
    // program shows, built as the program builds it.
    void chaqueControleEstNomme_data() {
        QTest::addColumn<int>("fenetre");
        const char* noms[] = {"main window",
                              "destination dialog",
                              "properties",
                              "message",
                              "message taller than the screen",
                              "question",
                              "password",
                              "open",
                              "save"};
        for (int n = 0; n < int(std::size(noms)); ++n) {
            QTest::newRow(noms[n]) << n;
        }
    }
    void chaqueControleEstNomme() {
        QFETCH(int, fenetre);
        std::optional<FausseInteraction> b(std::in_place);
        FUnRAR f;
        DosRAR dos;
        montrerProprietes(&f, {QStringLiteral("/x/y.rar"), true, 0, 5, 0, true, 1, 1, 10, 5},
                          {{QStringLiteral("Nom"), QStringLiteral("a")}});
        QStringList sansNom;
        if (fenetre < 3) {
            sansNom = controlesSansNom(fenetre == 0   ? static_cast<QWidget*>(&f)
                                       : fenetre == 1 ? static_cast<QWidget*>(&dos)
                                                      : f.findChild<QDialog*>("proprietes"));
        } else {
            b.reset(); // the real boxes
            QTimer::singleShot(0, this, [&sansNom] {
                QWidget* boite = QApplication::activeModalWidget();
                sansNom = boite ? controlesSansNom(boite) : QStringList{"no box"};
                if (auto* d = qobject_cast<QDialog*>(boite)) {
                    d->reject();
                }
            });
            platform::Interaction& i = platform::interaction();
            const QString t = QStringLiteral("Erreur");
            const std::function<void()> boites[] = {
                [&] { i.message(&f, t, t, platform::Icone::Exclamation); },
                [&] { i.message(&f, t.repeated(5000), t, platform::Icone::Information); },
                [&] { i.question(&f, t, t, QMessageBox::Yes | QMessageBox::No); },
                [&] { i.motDePasse(&f, t, QStringLiteral("Mot de passe :")); },
                [&] { i.ouvrirFichier(&f, t, QStringLiteral("Archives RAR (*.rar)")); },
                [&] { i.enregistrerFichier(&f, t, QStringLiteral("Texte (*.txt)"), "a.txt"); },
            };
            boites[fenetre - 3]();
        }
        QVERIFY2(sansNom.isEmpty(), qPrintable(sansNom.join(QLatin1String(", "))));
        if (auto* barre = f.findChild<QProgressBar*>(QStringLiteral("progression"))) {
            barre->setValue(425); // reads as it shows, not as the thousandths behind it
            QCOMPARE(QAccessible::queryAccessibleInterface(barre)->text(QAccessible::Value),
                     "42 %");
        }
    }

    // The window's shortcuts from the list and from the filter's field, with the key bindings of
    // X11 and Wayland; off while their command is.
    void lesRaccourcis_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("touche");
        QTest::addColumn<QString>("commande"); // empty: none, and no archive open
        QTest::newRow("Ctrl+O in the list opens") << "ListView1" << int(Qt::Key_O) << "Mnu_Ouvrir";
        QTest::newRow("Ctrl+E in the filter extracts")
            << "filtre" << int(Qt::Key_E) << "Mnu_Extraire";
        QTest::newRow("Ctrl+E does nothing without an archive")
            << "ListView1" << int(Qt::Key_E) << "";
    }
    void lesRaccourcis() {
        QFETCH(QString, commande);
        QTemporaryDir d;
        FausseInteraction b;
        FUnRAR f;
        f.Form_Load(commande.isEmpty()
                        ? QString()
                        : archives::creer(d.path(), QStringLiteral("a.rar"), {{"a", "1"}}));
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        f.prise().Mnu_Filtrer_Click();
        QFETCH(QString, focus);
        f.findChild<QWidget*>(focus)->setFocus();
        QStringList vus;
        for (QAction* a : f.findChildren<QAction*>()) {
            a->disconnect(&f); // seen, not run
            connect(a, &QAction::triggered, [&vus, a] { vus << a->objectName(); });
        }
        ToucheX11 x11;
        QPlatformTheme* theme = std::exchange(QGuiApplicationPrivate::platform_theme, &x11);
        QFETCH(int, touche);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(touche), Qt::ControlModifier);
        QGuiApplicationPrivate::platform_theme = theme;
        QCOMPARE(vus.join(','), commande);
    }

    // On each screen, at each scale factor (set in a program of its own), the window stays
    // within the screen, frame included, and its status bar shows an open archive's panels whole.
    // At first start its columns read whole, a long name too where 60 % of the screen leaves room;
    // then it opens as the user left it, unless that is off every screen.
    void laFenetreTientDansLEcran_data() {
        QTest::addColumn<QSize>("taille");
        QTest::addColumn<double>("echelle");
        QTest::newRow("1280 × 800 at scale factor 1") << QSize(1280, 800) << 1.0;
        QTest::newRow("at 1.5") << QSize(1280, 800) << 1.5;
        QTest::newRow("at 2, where 640 × 400 are left") << QSize(1280, 800) << 2.0;
        QTest::newRow("1366 × 768") << QSize(1366, 768) << 1.0;
        QTest::newRow("1920 × 1080") << QSize(1920, 1080) << 1.0;
    }
    void laFenetreTientDansLEcran() {
        QFETCH(QSize, taille);
        QFETCH(double, echelle);
        QTemporaryDir d;
        if (!qgetenv("QT_QPA_PLATFORM").contains("configfile")) {
            archives::ecrire(d.filePath("e"),
                             QStringLiteral(R"({"screens": [{"width": %1, "height": %2}]})")
                                 .arg(taille.width())
                                 .arg(taille.height())
                                 .toUtf8());
            QProcess p;
            p.setEnvironment(QProcess::systemEnvironment()
                             << "QT_SCALE_FACTOR=" + QString::number(echelle)
                             << "QT_QPA_PLATFORM=offscreen:configfile=" + d.filePath("e")
                             << "XDG_CONFIG_HOME=" + d.path());
            p.start(QCoreApplication::applicationFilePath(),
                    {"laFenetreTientDansLEcran:" + QString::fromUtf8(QTest::currentDataTag())});
            QVERIFY2(p.waitForFinished(-1) && p.exitCode() == 0, p.readAll().constData());
            return;
        }
        FausseInteraction b;
        QSize auDepart, laissee;
        {
            FUnRAR premiere;
            premiere.show();
            const auto* liste = premiere.findChild<QTableView*>(QStringLiteral("ListView1"));
            // At 2, the least the window's layout needs is more than 60 % already.
            QVERIFY(echelle == 2.0 || premiere.frameGeometry().width() <=
                                          premiere.screen()->availableGeometry().width() * 0.6);
            QVERIFY(echelle > 1.0 ||
                    liste->columnWidth(0) >=
                        liste->fontMetrics().horizontalAdvance(
                            "Photos/2024/IMG_20240713_181522_vacances_bretagne.jpg"));
            auDepart = premiere.size();
            // Where the screen leaves room for it.
            premiere.resize(premiere.size() + (echelle < 2.0 ? QSize(30, 20) : QSize()));
            laissee = premiere.size();
            premiere.close();
        }
        const auto tailleOuverte = [] {
            FUnRAR f;
            f.show();
            return f.size();
        };
        QCOMPARE(tailleOuverte(), laissee);
        QSettings(QStringLiteral("Korvane"), QStringLiteral("korvane"))
            .setValue(QStringLiteral("fenetre/position"), QPoint(taille.width(), 0));
        QCOMPARE(tailleOuverte(), auDepart);

        FUnRAR f;
        b.fichiers << archives::creer(d.path(), QStringLiteral("photos-de-vacances-2024.rar"),
                                      {{"a", "1"}});
        f.show();
        f.Mnu_Ouvrir_Click();
        QCOMPARE(f.screen()->size(), taille / echelle);
        QVERIFY(f.screen()->availableGeometry().contains(f.frameGeometry()));
        // The filter's bar grows the window's layout, and its count takes a place in the bar.
        f.prise().Mnu_Filtrer_Click();
        f.findChild<QLineEdit*>(QStringLiteral("filtre"))->setText(QStringLiteral("a"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QVERIFY(f.findChild<QWidget*>(QStringLiteral("compte"))->isVisible());
        QVERIFY(f.screen()->availableGeometry().contains(f.frameGeometry()));
        const auto panneaux = f.findChildren<QLabel*>(QRegularExpression("^StatusBar1_"));
        QCOMPARE(panneaux.size(), 3);
        for (const QLabel* p : panneaux) {
            QTRY_VERIFY2(p->width() >= p->sizeHint().width(), qPrintable(p->text()));
        }
    }

    // A row reads whole from its name.
    void uneLigneSeLitEnEntier() {
        ListeResultats m;
        m.ajouterEnTete(QStringLiteral("d"), 0, 0, true);
        m.ecrireResultat(QStringLiteral("OK"));
        m.ajouterEnTete(QStringLiteral("d/a.txt"), 1234);
        m.publier();
        QTableView vue;
        vue.setModel(&m);
        auto* t = QAccessible::queryAccessibleInterface(&vue)->tableInterface();
        QCOMPARE(t->cellAt(0, 0)->text(QAccessible::Name), "d/a.txt, 1234 octets");
        QCOMPARE(t->cellAt(1, 0)->text(QAccessible::Name), "d, dossier, OK");
    }

    // A row's tooltip says what its entry's header said, in the words of the system it was made
    // on; of a row added without it, its name and size. A name like markup shows as it is.
    void laBulleDUneLigne_data() {
        QTest::addColumn<QString>("nom");
        QTest::addColumn<bool>("details");
        QTest::addColumn<DetailsEntree>("d");
        QTest::addColumn<QString>("bulle");
        DetailsEntree d{.compressee = 300,
                        .drapeaux = DetailsEntree::AvecCrc | DetailsEntree::AvecDate,
                        .modification = 1700000000,
                        .attributs = 0104751,
                        .crc = 0xdbf026};
        const QString taille = "\nTaille : 1,2 ko (1\u202F234 octets)\nTaille compressée : 300 "
                               "octets\nTaux de compression : 24,3 %\nAttributs : ";
        QTest::newRow("Unix") << "<b>a</b>" << true << d
                              << "Nom : <b>a</b>" + taille.chopped(12) +
                                     "Modification : 14/11/2023 23:13\nCRC32 : 00DBF026\n"
                                     "Attributs : -rwsr-x--x\nSystème d'origine : Unix\n"
                                     "Chiffrée : non";
        QTest::newRow("Windows, encrypted, undated")
            << "a" << true
            << DetailsEntree{.compressee = 300,
                             .drapeaux = DetailsEntree::Chiffree,
                             .systeme = DetailsEntree::Windows,
                             .attributs = 0x27}
            << "Nom : a" + taille + "AHRS\nSystème d'origine : Windows\nChiffrée : oui";
        QTest::newRow("a folder, nothing more known") << "d" << false << d << "Nom : d";
    }
    void laBulleDUneLigne() {
        QFETCH(QString, nom);
        QFETCH(bool, details);
        QFETCH(DetailsEntree, d);
        QFETCH(QString, bulle);
        ListeResultats m;
        // The last row of a block whose first is dated 1601: its time is kept from that one's.
        for (int i = 0; i < 4095; ++i) {
            m.ajouterEnTete(QStringLiteral("x"), 1,
                            {.drapeaux = quint8(i == 0 ? DetailsEntree::AvecDate : 0),
                             .modification = DetailsEntree::DateMin});
        }
        details ? m.ajouterEnTete(nom, 1234, d) : m.ajouterEnTete(nom, 1234, 0, true);
        m.ajouterEnTete(QStringLiteral("autre"), 1, DetailsEntree{});
        m.publier();
        // As the pointer over the row in the list shows it.
        QTableView vue;
        vue.setModel(&m);
        vue.setItemDelegate(new DelegueTexte(&vue));
        vue.show();
        const QPoint centre = vue.visualRect(m.index(1, 0)).center();
        QHelpEvent aide(QEvent::ToolTip, centre, vue.viewport()->mapToGlobal(centre));
        QApplication::sendEvent(vue.viewport(), &aide);
        QCOMPARE(QToolTip::text(), bulleLitterale(bulle));
    }

    // The folder name's field reads on a light and on a dark palette: its text is the palette's,
    // on a green drawn from the palette's background (white on pale green was unreadable).
    void leNomDuDossierSeLit() {
        const QPair<QColor, QColor> palettes[] = {{Qt::white, Qt::black},
                                                  {QColor(0x232629), QColor(0xfcfcfc)}};
        for (const auto& [fond, texte] : palettes) {
            QPalette p;
            p.setColor(QPalette::Base, fond);
            p.setColor(QPalette::Text, texte);
            const QColor f = paletteNomDossier(p).color(QPalette::Active, QPalette::Base);
            QCOMPARE(paletteNomDossier(p).color(QPalette::Active, QPalette::Text), texte);
            QVERIFY(f.green() > f.red() && f.green() > f.blue());
            QVERIFY2(qAbs(f.lightness() - texte.lightness()) >= 128, qPrintable(f.name()));
        }
    }
};

QTEST_MAIN(TestBureau)
#include "tst_bureau.moc"
