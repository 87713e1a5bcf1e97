#pragma once

// What the helper puts between the library and the user's files, once the library is loaded and
// before it reads anything of the archive. The window has already started the helper in a sandbox
// of its own (new namespaces where only the destination is writable) when the kernel allows it;
// these two layers hold without it.

#include <QByteArray>

#include <vector>

namespace confinement {

// The Landlock ABI that the kernel offers, at most `plafond` when it is not 0 (tests stand for an
// older kernel with it); 0 without Landlock.
int abiLandlock(int plafond);

// Landlock at ABI `abi`: the helper reads only the system's libraries and data (/usr and the few
// files of /etc and /sys that the C library reads), the archive's `volumes`, each file alone, and,
// when `ecrire` (an extraction), beneath the current directory, the only place where it writes;
// for a list or a test nothing at all is written. A file of the user's elsewhere cannot even be
// opened, so that no descriptor of it exists to change its mode, owner or times through, which
// Landlock does not cover. False when there is no Landlock. Landlock does not cover chmod or
// utimensat either, nor, below ABI 3, truncate, nor, below ABI 6, signals: the sandbox does, and
// outside it the filter.
bool restreindre(const std::vector<QByteArray>& volumes, bool ecrire, int abi);

// seccomp: sockets, exec, ptrace, mounts, namespaces, keyrings, kernel modules and the like are
// refused. `horsBac`: no sandbox stands around the helper, and the filter also refuses new
// processes, signals to any other process (through a descriptor's owner too), truncate by name
// and the chmod, chown and utimes calls by name. False when the filter could not be installed.
bool filtrerAppels(bool horsBac);

} // namespace confinement
