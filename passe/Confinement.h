#pragma once

// What the helper puts between the library and the user's files, once the library is loaded and
// before it reads anything of the archive. The window has already started the helper in a sandbox
// of its own (new namespaces where only the destination is writable) when the kernel allows it;
// these two layers hold without it.

namespace confinement {

// Landlock: when `ecrire` (an extraction), every write stays beneath the current directory,
// else nothing at all can be written. Covers the ABI that the kernel offers, 1 and up; false when
// the kernel has no Landlock. Landlock does not cover chmod or utimensat: the sandbox does.
bool restreindreEcritures(bool ecrire);

// seccomp: sockets, exec, ptrace, mounts, namespaces, keyrings, kernel modules and the like are
// refused; false when the filter could not be installed.
bool filtrerAppels();

} // namespace confinement
