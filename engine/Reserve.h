#pragma once

// The room an extraction may still take on its destination's file system. No pass fills a disk:
// an entry whose header declares more than what is left, less a margin for the rest of the
// system, is not started, and what the library writes of an entry is held to what it declared,
// so that a header that lies about its size cannot get round the check.

#include <cstdint>
#include <optional>

#include <sys/resource.h>

class Reserve {
public:
    // The margin left to the rest of the system: the smaller of 5 % of the file system and
    // 64 MiB.
    static constexpr std::int64_t MargeMax = std::int64_t(64) << 20;

    // What an entry needed and what was left for it, when it did not fit.
    struct Manque {
        std::int64_t besoin;
        std::int64_t reste;
    };

    // `dossier`: a descriptor of the destination, kept by the caller.
    explicit Reserve(int dossier);
    ~Reserve();
    Reserve(const Reserve&) = delete;
    Reserve& operator=(const Reserve&) = delete;

    // Before an entry that declares `taille` bytes (negative: unknown): nothing when it fits, and
    // then no file of it can grow past that size, or past the room left when it is unknown.
    std::optional<Manque> avant(std::int64_t taille);

private:
    void lire();
    void borner(std::int64_t octets);

    int dossier_;
    // What may still be written before the file system is read again: the entries started since
    // the last reading have taken their declared sizes from it. A file system that others fill
    // meanwhile is seen at the next reading, at the latest when this runs out.
    std::optional<std::int64_t> credit_;
    std::int64_t lus_ = 0; // declared since the last reading
    rlimit plafond_{};     // the file size limit this process was started with
};
