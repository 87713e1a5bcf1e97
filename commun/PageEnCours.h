#pragma once

// The file that the helper's library is writing, in a page of memory that the window and the
// helper share (Protocole.h, DescripteurEnCours): its path as its bytes and its identity (device
// and inode), as the helper saw them on the descriptor it had just made the file with. The helper
// sets it once the file is created and clears it once the entry is done; the window reads it once
// the helper is gone, to remove what was left half written, and only that file. A frame down the
// pipe would wake the window at every file of an extraction, or, batched, reach it too late.
//
// The other way, the window asks the pass to stop there, and the helper looks between two entries
// and while the library works on one, without a system call (a signal would need a handler in a
// helper that is its namespace's first process, a frame a look at the pipe).

#include <cstdint>
#include <string>
#include <string_view>

class PageEnCours {
public:
    // What the page says. Nothing (an empty path) when the helper said nothing, or nonsense.
    struct Fichier {
        // The bytes the library named the file with, relative to the destination.
        std::string chemin;
        std::uint64_t peripherique = 0;
        std::uint64_t inode = 0;
    };

    // The window's side: a new page, to hand to the helper; invalid when the system refuses one.
    static PageEnCours creer();
    // The helper's side: the page behind descriptor `fd`, which is then closed.
    static PageEnCours ouvrir(int fd);

    PageEnCours() = default;
    ~PageEnCours();
    PageEnCours(PageEnCours&& autre) noexcept;
    PageEnCours& operator=(PageEnCours&& autre) noexcept;
    PageEnCours(const PageEnCours&) = delete;
    PageEnCours& operator=(const PageEnCours&) = delete;

    bool valide() const { return page_ != nullptr; }
    int descripteur() const { return fd_; }

    void ecrire(std::string_view chemin, std::uint64_t peripherique, std::uint64_t inode);
    void effacer();
    // What the helper wrote last, read as untrusted bytes.
    Fichier lire() const;

    // The window's side: the pass is to stop. False without a page.
    bool demanderArret();
    // The helper's side.
    bool arretDemande() const;

private:
    unsigned char* page_ = nullptr;
    int fd_ = -1;
};
