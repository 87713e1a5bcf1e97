#include "TraiterArchive.h"

#include "Messages.h"

#include <QByteArray>

#include <cstring>
#include <cwchar>
#include <memory>

namespace {

constexpr int TailleCommentaire = 16384;

// Closes the archive however the pass leaves, so that a failure reported to a caller that goes on
// (a test, the benchmark) leaves no handle open.
struct Fermeture {
    const ModuleRAR::UnrarApi& api;
    ModuleRAR::ArchiveHandle handle;
    ~Fermeture() {
        if (handle != nullptr) {
            api.RARCloseArchive(handle);
        }
    }
};

QString texteBorne(const char* texte, std::size_t taille) {
    return QString::fromLocal8Bit(texte, qsizetype(qstrnlen(texte, taille)));
}

QString nomEntree(const RARHeaderDataEx& entete) {
    const std::size_t max = sizeof(entete.FileNameW) / sizeof(wchar_t);
    const std::size_t longueur = wcsnlen(entete.FileNameW, max);
    if (longueur > 0) {
        return QString::fromWCharArray(entete.FileNameW, qsizetype(longueur));
    }
    return texteBorne(entete.FileName, sizeof(entete.FileName));
}

qint64 tailleEntree(const RARHeaderDataEx& entete) {
    return qint64((quint64(entete.UnpSizeHigh) << 32) | entete.UnpSize);
}

int operationDuMode(int mode) {
    switch (mode) {
    case ModeExtraction:
        return RAR_EXTRACT;
    case ModeTest:
        return RAR_TEST;
    default:
        return RAR_SKIP;
    }
}

} // namespace

QString libelleMode(int mode) {
    switch (mode) {
    case ModeExtraction:
        return QStringLiteral("Extraction");
    case ModeTest:
        return QStringLiteral("Test");
    default:
        return QStringLiteral("Liste");
    }
}

void TraiterArchive(const ModuleRAR::UnrarApi& api, RetourPasse& retour, int mode,
                    const QString& chemin, const QString& motDePasse) {
    QByteArray nomArchive = chemin.toLocal8Bit();
    auto tamponCommentaire = std::make_unique<char[]>(TailleCommentaire);
    std::memset(tamponCommentaire.get(), ' ', TailleCommentaire);

    RAROpenArchiveData ouverture{};
    ouverture.ArcName = nomArchive.data();
    ouverture.OpenMode = mode == ModeListe ? RAR_OM_LIST : RAR_OM_EXTRACT;
    ouverture.CmtBuf = tamponCommentaire.get();
    ouverture.CmtBufSize = TailleCommentaire;

    Fermeture archive{api, api.RAROpenArchive(&ouverture)};
    if (ouverture.OpenResult != 0 || archive.handle == nullptr) {
        // A failed open comes with no usable handle: it is never handed back to the library.
        archive.handle = nullptr;
        retour.erreurFatale(Messages::erreurOuverture(int(ouverture.OpenResult), chemin));
    }

    if (!motDePasse.isEmpty()) {
        QByteArray secret = motDePasse.toLocal8Bit();
        api.RARSetPassword(archive.handle, secret.data());
        secret.fill('\0');
    }

    if (ouverture.CmtState == 1) {
        // The library may fill the buffer to its end without a terminating NUL.
        retour.commentaire(texteBorne(tamponCommentaire.get(), TailleCommentaire));
    }

    // About 10 KB: kept off the stack of the caller's event handler.
    auto entete = std::make_unique<RARHeaderDataEx>();
    auto lire = [&] {
        std::memset(entete.get(), 0, sizeof(RARHeaderDataEx));
        return static_cast<qint16>(api.RARReadHeaderEx(archive.handle, entete.get()));
    };

    qint16 resultatEnTete = lire();
    retour.montrerFenetre();

    const QString libelle = libelleMode(mode);
    const int operation = operationDuMode(mode);
    while (resultatEnTete == 0) {
        retour.enTeteResultat(libelle);
        retour.nouvelleLigne(nomEntree(*entete), tailleEntree(*entete));

        // No destination path and no destination name: the library then writes the entry under
        // the current directory with its stored path, after its own checks against "../" and
        // absolute names. Handing the stored name back as destination name would skip them.
        const int resultat = api.RARProcessFile(archive.handle, operation, nullptr, nullptr);
        if (resultat != 0) {
            if (auto message = Messages::erreurFichier(resultat)) {
                retour.erreurFatale(*message);
            }
        } else {
            retour.resultat(ResultatOK);
        }

        resultatEnTete = lire();
        retour.entreeTerminee();
    }

    if (auto message = Messages::erreurEnTete(resultatEnTete)) {
        retour.erreurFatale(*message);
    }
}
