// Leaks of the system's libraries that a sanitized build must not count as ours. Built in rather
// than read from a file: the helpers that these programs start run where no file of ours can be
// read, and the leak checker stops a process at once on a list it cannot open, before it says what
// leaked.

extern "C" const char* __lsan_default_suppressions() {
    // Fontconfig's patterns that Qt's font fallback drops when a row name holds a character the
    // default font lacks: once per fallback query, which Qt caches, and not ours to free.
    // The proxies that Qt's Wayland plugin leaves to libwayland-client at exit.
    return "leak:libfontconfig.so\n"
           "leak:libwayland-client.so\n";
}
