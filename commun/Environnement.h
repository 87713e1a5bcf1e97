#pragma once

// What a process that runs the library sets up first: the window, whose settings its helper
// inherits, and the helper itself.

namespace environnement {

// The library hands names back in the locale's encoding and cuts them at the first character that
// the locale cannot encode; under LC_ALL=C that is every accented letter. Makes LC_CTYPE UTF-8,
// keeping the user's locale when it already is.
void localeUtf8();

// The library converts every entry's time with the C library, which, while TZ is unset, looks at
// /etc/localtime again at each conversion: one more system call per entry, about a sixth of a list
// or test pass. Naming that same file in TZ has it read once. A TZ that the user set is kept.
void fuseauLuUneFois();

} // namespace environnement
