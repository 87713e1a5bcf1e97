#include "ModuleRAR.h"

#include "Messages.h"

#include <QLibrary>

namespace ModuleRAR {

QString nomBibliotheque() {
#ifdef Q_OS_WIN
    return QStringLiteral("unrar.dll");
#else
    return QStringLiteral("libunrar.so.5");
#endif
}

namespace {

template <typename Fn>
bool lier(QLibrary& bibliotheque, const char* nom, Fn& cible, QString& manquant) {
    cible = reinterpret_cast<Fn>(bibliotheque.resolve(nom));
    if (cible == nullptr && manquant.isEmpty()) {
        manquant = QString::fromLatin1(nom);
    }
    return cible != nullptr;
}

} // namespace

Chargement chargerUnrar(const QString& fichier) {
    // Never unloaded: handles and function pointers must stay valid until the process ends.
    auto* bibliotheque = new QLibrary(fichier);
    if (!bibliotheque->load()) {
        const QString raison = bibliotheque->errorString();
        delete bibliotheque;
        return {std::nullopt, Messages::bibliothequeIntrouvable(fichier, raison)};
    }

    UnrarApi api;
    QString manquant;
    lier(*bibliotheque, "RAROpenArchive", api.RAROpenArchive, manquant);
    lier(*bibliotheque, "RARCloseArchive", api.RARCloseArchive, manquant);
    lier(*bibliotheque, "RARReadHeaderEx", api.RARReadHeaderEx, manquant);
    lier(*bibliotheque, "RARProcessFile", api.RARProcessFile, manquant);
    lier(*bibliotheque, "RARSetPassword", api.RARSetPassword, manquant);
    lier(*bibliotheque, "RARSetChangeVolProc", api.RARSetChangeVolProc, manquant);
    lier(*bibliotheque, "RARGetDllVersion", api.RARGetDllVersion, manquant);
    if (!manquant.isEmpty()) {
        bibliotheque->unload();
        delete bibliotheque;
        return {std::nullopt, Messages::pointDEntreeManquant(fichier, manquant)};
    }
    return {api, QString()};
}

} // namespace ModuleRAR
