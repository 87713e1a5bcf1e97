#pragma once

// What the library's header says of an entry besides its name and size, as the helper reads it
// and the window keeps it for the entry's row (its tooltip, Propriétés).

#include <cstdint>

struct DetailsEntree {
    enum Drapeau : std::uint8_t {
        Dossier = 1,
        Chiffree = 2,
        AvecCrc = 4,  // `crc` is the CRC32 of the entry's data
        AvecDate = 8, // `modification` is known
        TousDrapeaux = 15,
    };
    // The library's HOST_*, then a value it does not name: the system that the archive was made
    // on, which says what `attributs` are. RAR 5 archives know only Windows and Unix.
    enum Systeme : std::uint8_t { MsDos, Os2, Windows, Unix, MacOs, BeOs, Inconnu };
    // Seconds since 1970, the range of the library's 64-bit count of 100 ns since 1601.
    static constexpr std::int64_t DateMin = -11644473600;
    static constexpr std::int64_t DateMax = std::int64_t(UINT64_MAX / 10000000) + DateMin;

    std::int64_t compressee = 0;
    std::uint32_t place = 0; // in the archive, from 0: what a selection names it by
    std::uint8_t drapeaux = 0;
    std::uint8_t systeme = Unix;
    std::int64_t modification = 0; // seconds since 1970, UTC
    std::uint32_t attributs = 0;   // Unix: st_mode; else the Windows attributes (FILE_ATTRIBUTE_*)
    std::uint32_t crc = 0;

    bool dossier() const { return (drapeaux & Dossier) != 0; }
};
