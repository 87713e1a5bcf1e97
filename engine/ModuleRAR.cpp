#include "ModuleRAR.h"

#include <QLibrary>

#include <memory>
#include <vector>

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
    auto bibliotheque = std::make_unique<QLibrary>(fichier);
    if (!bibliotheque->load()) {
        return {std::nullopt, Messages::Echec::bibliotheque(fichier, bibliotheque->errorString())};
    }

    UnrarApi api;
    QString manquant;
    lier(*bibliotheque, "RAROpenArchiveEx", api.RAROpenArchiveEx, manquant);
    lier(*bibliotheque, "RARCloseArchive", api.RARCloseArchive, manquant);
    lier(*bibliotheque, "RARReadHeaderEx", api.RARReadHeaderEx, manquant);
    lier(*bibliotheque, "RARProcessFile", api.RARProcessFile, manquant);
    lier(*bibliotheque, "RARSetPassword", api.RARSetPassword, manquant);
    lier(*bibliotheque, "RARSetChangeVolProc", api.RARSetChangeVolProc, manquant);
    lier(*bibliotheque, "RARSetCallback", api.RARSetCallback, manquant);
    lier(*bibliotheque, "RARGetDllVersion", api.RARGetDllVersion, manquant);
    if (!manquant.isEmpty()) {
        bibliotheque->unload();
        return {std::nullopt, Messages::Echec::pointDEntree(fichier, manquant)};
    }
    // Never unloaded (destroying a QLibrary does not unload it): the entry points must stay
    // valid until the process ends.
    static std::vector<std::unique_ptr<QLibrary>> chargees;
    chargees.push_back(std::move(bibliotheque));
    return {api, {}};
}

} // namespace ModuleRAR
