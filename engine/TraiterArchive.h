#pragma once

// One pass over one archive: open, comment, every header in archive order, close.

#include "Gardes.h"
#include "ModuleRAR.h"
#include "RetourMoteur.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Runs one pass in `mode` (ModeTraitement) over the archive at `chemin`, given as the bytes of its
// path on disk, and the password in UTF-8. An empty password is never handed to the library.
// `gardes` are put in service around every call into the library, so that the helper's own C
// library functions decide the library's file calls; without them (tests of the sandbox, the
// benchmark's bare driver, a pass in a process that does not define those functions) the library
// does as it will.
//
// `selection`, in increasing order, names the entries to process by their place in the archive
// from 0; the others are skipped without a row. Empty: every entry.
using Selection = std::vector<std::uint32_t>;
void TraiterArchive(const ModuleRAR::UnrarApi& api, RetourMoteur& retour, int mode,
                    const std::string& chemin, const std::string& motDePasse,
                    Gardes* gardes = nullptr, const Selection& selection = {});
