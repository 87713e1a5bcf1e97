#pragma once

// The UnRAR library's records and constants, from its own header. Both sides read its codes; only
// the helper binds the library itself (ModuleRAR).

#include <cstddef>

#include <unrar/dll.hpp>

// The header defines these Windows type names as macros on Unix; keep them out of our code.
#undef CALLBACK
#undef PASCAL
#undef LONG
#undef HANDLE
#undef LPARAM
#undef UINT

// The library reads and writes these records with 1-byte packing; a copy with natural alignment
// would shift the comment pointer and let the library write over the wrong fields.
static_assert(offsetof(RARHeaderData, CmtBuf) == 556);
static_assert(offsetof(RARHeaderDataEx, CmtBuf) == 10284);
static_assert(offsetof(RAROpenArchiveData, OpenMode) == sizeof(char*));

namespace codes {

// An entry's code that stops the pass with a box: the library cannot go on with the archive.
constexpr bool entreeFatale(int code) {
    return (code >= ERAR_BAD_DATA && code <= ERAR_EWRITE) || code == ERAR_MISSING_PASSWORD ||
           code == ERAR_BAD_PASSWORD;
}

// The code of the header read that ended the loop, when it is not the archive's normal end: a
// damaged header, a missing volume, a password.
constexpr bool finFatale(int code) {
    return code == ERAR_BAD_DATA || code == ERAR_EOPEN || code == ERAR_MISSING_PASSWORD ||
           code == ERAR_BAD_PASSWORD;
}

} // namespace codes
