#pragma once

// Dragging the chosen rows out of the list (Glisser.cpp): their entries, those beneath a folder's
// row too, extracted at the start of the drag into a new private folder, carried as the URLs of
// what lies directly in it.

#include <QtGlobal>

#include <memory>
#include <vector>

class ListeResultats;
class QMimeData;
class QTableView;

class Glisser final {
public:
    // What a drag asks of the window.
    class Fenetre {
    public:
        // Whether a pass may start now: an archive open and no pass running.
        virtual bool passePossible() const = 0;
        // The ranks in the list's model of the rows chosen in the view, in the order shown.
        virtual std::vector<int> rangsChoisis() const = 0;
        // Extracts the entries at `places` of the open archive into the current directory, their
        // rows into `lignes`, leaving the window's progress as the list left it.
        virtual void extraireEntrees(const std::vector<quint32>& places,
                                     ListeResultats& lignes) = 0;

    protected:
        ~Fenetre() = default;
    };

    // Drags start from `vue`, whose rows stand in `modele`.
    Glisser(QTableView* vue, const ListeResultats& modele, Fenetre& fenetre);

    // What dragging the chosen rows carries. Null, after a box when the user has something to
    // learn, beyond 1 GiB of entries or when not every one of them was extracted.
    std::unique_ptr<QMimeData> donnees();

private:
    void glisserChoisies();

    QTableView* vue_;
    const ListeResultats& modele_;
    Fenetre& fenetre_;
};
