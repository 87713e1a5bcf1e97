#pragma once

// The library's reads of the archive's volumes, served from memory. The library reads an archive
// a few bytes at a time: a seek and a read for each part of each header, two of each an entry for a
// list, five for a test or an extraction, each a system call: four million for a list of a million
// entries, more than half of what the helper spent on it. In the helper, its read and lseek64 come
// here (passe/AppelsLecture.cpp): on the descriptor of a volume that the guards opened for it, they
// are served from a window of the file that pread64 refills; what the window does not hold of a
// read as large as the window goes straight into the caller's buffer. The descriptor's own offset
// is set where the library believes it is before the descriptor is closed or shared (dup), so that
// nothing but read and lseek64 can tell. Any other descriptor costs one look in a table.
//
// A volume that changes during the pass (cut, rewritten, grown) must not feed the library bytes
// that it no longer holds: each refill and each straight read is followed by a look at the file
// (size, modification and change times) against what it was when opened, and any difference makes
// that read, and every later one, fail with EIO; the pass then ends with a read error, whatever the
// library made of it (TraiterArchive.cpp). Bytes already in the window were the file's when they
// were read, as a plain read at that moment would have given them.
//
// The library reads its archive from the thread that calls it; the table is read from any thread.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include <sys/types.h>

class Lectures {
public:
    // 64 KiB to 1 MiB cost alike, within the noise, on a list of a million entries and a test of
    // 100,000 small files (README, "Performances"): a few hundred refills of 256 KiB.
    static constexpr std::size_t TailleFenetre = 256 * 1024;

    explicit Lectures(std::size_t taille = TailleFenetre);
    ~Lectures();
    Lectures(const Lectures&) = delete;
    Lectures& operator=(const Lectures&) = delete;

    // The reads that the helper's read and lseek64 serve, or none (the default, and in a process
    // that does not define those functions).
    static Lectures* duProcessus();
    static void mettreEnService(Lectures* lectures);

    // `fd` has just been opened for reading a volume: served from now on when it is a regular
    // file.
    void suivre(int fd);
    // `fd` is about to be closed, or shared (dup): its offset is made exact, and it is no longer
    // served.
    void oublier(int fd);
    // The offset of `fd` where the library believes it is, for a call that is not served.
    void accorder(int fd);
    bool servi(int fd) const { return volume(fd) != nullptr; }

    // As the system's read and lseek do.
    ssize_t lire(int fd, void* tampon, std::size_t taille);
    off64_t deplacer(int fd, off64_t decalage, int depuis);

    // A volume changed under the pass, and a read of it failed. The library takes such a failure
    // for a damaged entry, and, reading a header, for the archive's end: the pass says it itself.
    bool volumeChange() const { return volumeChange_; }

private:
    struct Volume;
    // Descriptors beyond are not served: the library keeps two or three open.
    static constexpr int MaxDescripteurs = 1024;

    Volume* volume(int fd) const {
        return fd >= 0 && fd < MaxDescripteurs
                   ? table_[std::size_t(fd)].load(std::memory_order_relaxed)
                   : nullptr;
    }
    bool remplir(int fd, Volume& v);

    const std::size_t taille_;
    bool volumeChange_ = false;
    std::array<std::atomic<Volume*>, MaxDescripteurs> table_{};
    // A window of a closed volume, for the next one: the library goes from volume to volume.
    std::unique_ptr<unsigned char[]> reserve_;
};
