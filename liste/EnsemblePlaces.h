#pragma once

// A set of places among 0 to taille() - 1, one bit each, counted as it is read: the k-th place in
// it and the number of places below a place take a binary search and a word. A million rows take
// 125 KiB, which a filter's key fills without the system mapping megabytes anew.

#include <QtGlobal>

#include <algorithm>
#include <bit>
#include <vector>

class EnsemblePlaces {
public:
    quint32 taille() const { return taille_; }
    // Empty, over `taille` places.
    void vider(quint32 taille) {
        taille_ = taille;
        mots_.assign((std::size_t(taille) + 63) / 64, 0);
        compte_ = false;
    }
    // Places `taille()` to `taille` - 1 added, outside the set.
    void agrandir(quint32 taille) {
        taille_ = taille;
        mots_.resize((std::size_t(taille) + 63) / 64, 0);
        compte_ = false;
    }
    bool contient(quint32 place) const { return (mots_[place / 64] >> (place % 64) & 1) != 0; }
    void ajouter(quint32 place) {
        mots_[place / 64] |= quint64(1) << (place % 64);
        compte_ = false;
    }
    // Adds the places of `autre`, which spans as many.
    void unir(const EnsemblePlaces& autre) {
        for (std::size_t i = 0; i < mots_.size(); ++i) {
            mots_[i] |= autre.mots_[i];
        }
        compte_ = false;
    }
    // Moves into `ecartees` the places for which `garder(place)` is false: how many moved.
    template <typename Predicat> quint32 ecarter(Predicat&& garder, EnsemblePlaces& ecartees) {
        quint32 n = 0;
        for (std::size_t i = 0; i < mots_.size(); ++i) {
            for (quint64 reste = mots_[i]; reste != 0; reste &= reste - 1) {
                const auto bit = std::countr_zero(reste);
                if (!garder(quint32(i * 64) + quint32(bit))) {
                    mots_[i] &= ~(quint64(1) << bit);
                    ecartees.mots_[i] |= quint64(1) << bit;
                    ++n;
                }
            }
        }
        compte_ = ecartees.compte_ = false;
        return n;
    }

    quint32 compte() const {
        compter();
        return total_;
    }
    // The places in the set below `place`.
    quint32 rang(quint32 place) const {
        compter();
        const quint64 dessous = (quint64(1) << (place % 64)) - 1;
        return avant_[place / 64] + quint32(std::popcount(mots_[place / 64] & dessous));
    }
    // The `k`-th place in the set, from 0; k < compte().
    quint32 kieme(quint32 k) const {
        compter();
        // The last word with at most k places before it holds the place.
        const auto i =
            std::size_t(std::upper_bound(avant_.begin(), avant_.end(), k) - avant_.begin() - 1);
        quint64 mot = mots_[i];
        for (quint32 r = k - avant_[i]; r > 0; --r) {
            mot &= mot - 1;
        }
        return quint32(i * 64) + quint32(std::countr_zero(mot));
    }

private:
    void compter() const {
        if (compte_) {
            return;
        }
        avant_.resize(mots_.size());
        total_ = 0;
        for (std::size_t i = 0; i < mots_.size(); ++i) {
            avant_[i] = total_;
            total_ += quint32(std::popcount(mots_[i]));
        }
        compte_ = true;
    }

    quint32 taille_ = 0;
    std::vector<quint64> mots_;
    mutable std::vector<quint32> avant_; // the places in the words before each word
    mutable quint32 total_ = 0;
    mutable bool compte_ = true;
};
