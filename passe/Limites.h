#pragma once

// What the helper puts on itself before it reads anything of an archive.

namespace limites {

// AddressSanitizer reserves terabytes of address space up front, and its leak check at the end
// reads the process's threads through ptrace: a build under it keeps both.
#if defined(KORVANE_SOUS_SANITISEUR)
inline constexpr bool SousSanitiseur = true;
#else
inline constexpr bool SousSanitiseur = false;
#endif

// No capability, no core dump (an archive's contents or a password would land on disk), no
// debugger from other processes of the user, death with the window, and an address space that no
// archive can grow beyond half of the machine's memory: the library then reports its out-of-memory
// code.
void appliquer();

} // namespace limites
