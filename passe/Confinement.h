#pragma once

// What the helper puts between the library and the user's files, once the library is loaded and
// before it reads anything of the archive. The window has already started the helper in a sandbox
// of its own (new namespaces where only the destination is writable) when the kernel allows it;
// these two layers hold without it.

#include <string>

#include <vector>

namespace confinement {

// The Landlock ABI that the kernel offers, at most `plafond` when it is not 0 (tests stand for an
// older kernel with it); 0 without Landlock.
int abiLandlock(int plafond);

// Landlock at ABI `abi`: the helper reads only the system's libraries and data (/usr and the few
// files of /etc and /sys that the C library reads), each of the archive's `volumes` alone and,
// when `ecrire` (an extraction), what lies beneath the current directory, the only place where it
// writes; for a list or a test it writes nowhere. A file of the user's elsewhere cannot be opened
// at all: Landlock does not cover chmod, chown or utimes, by name or through a descriptor, so no
// descriptor of it may exist. Nor does it cover truncate below ABI 3, nor signals below ABI 6: the
// sandbox does, and outside it the filter. False when there is no Landlock.
bool restreindre(const std::vector<std::string>& volumes, bool ecrire, int abi);

// seccomp: sockets, exec, ptrace, mounts, namespaces, keyrings, kernel modules and the like are
// refused. `horsBac`: no sandbox stands around the helper, and the filter also refuses new
// processes, signals to any other process (through a descriptor's owner too), truncate by name
// and the chmod, chown and utimes calls by name. False when the filter could not be installed.
bool filtrerAppels(bool horsBac);

} // namespace confinement
