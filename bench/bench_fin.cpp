// The end of a pass and of the program as the user asks for them: a stop during the extraction of
// many small files, and the close of a window that lists a million rows.

#include "Assistant.h"
#include "Banc.h"
#include "Environnement.h"
#include "FUnRAR.h"
#include "ListeResultats.h"
#include "Vocabulaire.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Échap once this many rows show: the helper is then well ahead of the window.
constexpr int LignesAvantArret = 20000;

} // namespace

QString arretEnExtraction(FUnRAR& f, const QString& archive) {
    QElapsedTimer chrono;
    qint64 demande = -1;
    QTimer guet;
    QObject::connect(&guet, &QTimer::timeout, &f, [&] {
        if (demande < 0 && f.modeleResultats()->nombreLignes() >= LignesAvantArret) {
            demande = chrono.nsecsElapsed();
            f.Mnu_Arreter_Click();
        }
    });
    guet.start(1);
    f.modeleResultats()->viderLignes();
    chrono.start();
    f.TraiterArchive(ModeExtraction, archive, QString());
    const qint64 fin = chrono.nsecsElapsed();
    if (demande < 0) {
        echec(QStringLiteral("the extraction ended before it could be stopped"));
    }
    // What the rows say, what the end line says, and what lies whole on the disk.
    const ListeResultats& lignes = *f.modeleResultats();
    int ok = 0;
    int entiers = 0;
    for (int n = 0; n < lignes.nombreLignes(); ++n) {
        if (lignes.texte(n, 2) == QLatin1String("OK") && !lignes.estDossier(n)) {
            ++ok;
            const QFileInfo fichier(QDir::current().filePath(lignes.texte(n, 0)));
            entiers += fichier.isFile() && fichier.size() == lignes.taille(n) ? 1 : 0;
        }
    }
    int surLeDisque = 0;
    for (QDirIterator i(QDir::currentPath(), QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
         i.hasNext(); i.next()) {
        ++surLeDisque;
    }
    const QString bilan = f.findChild<QLabel*>(QStringLiteral("bilan"))->text();
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^Interrompu : ([\\d\\x{202F}]+) extraits?"))
            .match(bilan);
    const int dit = m.hasMatch() ? m.captured(1).remove(QChar(0x202F)).toInt() : -1;
    // The stop's time, the files whose rows say OK, the end line's number, those of the rows'
    // files that are whole, and the files on the disk.
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(fin - demande)
        .arg(ok)
        .arg(dit)
        .arg(entiers)
        .arg(surLeDisque);
}

int fermetureAuMillion(int argc, char* argv[]) {
    // As app/main.cpp does: the window lists the archive, then the user closes it, and the
    // program ends as it ends, with the window and the toolkit taken down.
    QApplication application(argc, argv);
    environnement::localeUtf8();
    environnement::fuseauLuUneFois();
    assistant::definirProgramme(QStringLiteral(KORVANE_PASSE));
    FUnRAR f;
    f.show();
    f.TraiterArchive(ModeListe, QString::fromLocal8Bit(argv[2]), QString());
    QTimer::singleShot(0, &f, [&f] {
        std::printf("%lld %d\n", static_cast<long long>(maintenantNs()),
                    f.modeleResultats()->rowCount());
        std::fflush(stdout);
        f.close();
    });
    return QApplication::exec();
}

QString fermeturesAuMillion(const QString& archive, int repetitions) {
    std::vector<double> ms;
    int lignes = 0;
    for (int r = 0; r < repetitions; ++r) {
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--fermeture-million"), archive});
        if (!p.waitForFinished(-1) || p.exitCode() != 0) {
            echec(QStringLiteral("the close of a million rows failed"));
        }
        const qint64 fin = maintenantNs();
        const QList<QByteArray> dit = p.readAllStandardOutput().trimmed().split(' ');
        if (dit.size() != 2) {
            echec(QStringLiteral("unexpected measurement output"));
        }
        ms.push_back(double(fin - dit[0].toLongLong()) / 1e6);
        lignes = dit[1].toInt();
    }
    return QStringLiteral("close of a window that lists %1 rows, until the program's end (median "
                          "and worst of %2): %3 ms, %4 ms\n")
        .arg(lignes)
        .arg(repetitions)
        .arg(mediane(ms), 0, 'f', 1)
        .arg(*std::max_element(ms.begin(), ms.end()), 0, 'f', 1);
}

QString arretsEnExtraction(const QString& archive, const QString& dossier, int repetitions) {
    std::vector<double> ms;
    int accords = 0;
    QStringList dernier;
    for (int r = 0; r < repetitions; ++r) {
        const QString destination = dossier + QStringLiteral("/arret-%1").arg(r);
        QDir().mkpath(destination);
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--mesure"), QStringLiteral("arret"),
                 QString::number(ModeExtraction), archive, destination});
        if (!p.waitForFinished(-1) || p.exitCode() != 0) {
            std::fputs(p.readAllStandardError().constData(), stderr);
            echec(QStringLiteral("the stopped extraction failed"));
        }
        QDir(destination).removeRecursively();
        dernier = QString::fromLatin1(p.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
        if (dernier.size() != 5) {
            echec(QStringLiteral("unexpected measurement output"));
        }
        ms.push_back(dernier[0].toDouble() / 1e6);
        const int ok = dernier[1].toInt();
        accords += ok == dernier[2].toInt() && ok == dernier[3].toInt() && ok == dernier[4].toInt();
    }
    return QStringLiteral("stop during an extraction once %1 rows show (median of %2): %3 ms from "
                          "the request to the pass's end; rows OK, end line, whole files of those "
                          "rows and files on disk agree in %4 of %2 (last: %5, %6, %7, %8)\n")
        .arg(LignesAvantArret)
        .arg(repetitions)
        .arg(mediane(ms), 0, 'f', 1)
        .arg(accords)
        .arg(dernier[1], dernier[2], dernier[3], dernier[4]);
}
