#pragma once

// The path of the file that the helper's library is writing, as its bytes,, in a page of memory
// that the window and the helper share (Protocole.h, DescripteurEnCours). The helper sets it before
// the library creates the file and clears it once the entry is done; the window reads it once the
// helper is gone, to remove what was left half written. A frame down the pipe would wake the window
// at every file of an extraction, or, batched, reach it too late.

#include <QByteArray>
#include <QByteArrayView>

class PageEnCours {
public:
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

    // `chemin`: the bytes the library named the file with, relative to the destination.
    void ecrire(QByteArrayView chemin);
    void effacer();
    // What the helper wrote last, read as untrusted bytes: empty when nothing or nonsense.
    QByteArray lire() const;

private:
    unsigned char* page_ = nullptr;
    int fd_ = -1;
};
