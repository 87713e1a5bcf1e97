#pragma once

// The sandbox in which a helper runs its pass, made by bubblewrap: new user, mount, pid, network,
// IPC and UTS namespaces, a new session, no capabilities, and a file system holding only the
// system's programs and libraries (read-only), the archive's volume files (read-only, each one
// alone, not its folder), and, for an extraction, the destination (read-write). The user's other
// files are not there at all.

#include <QByteArray>

#include <optional>
#include <vector>

namespace bac {

// Where bubblewrap writes which process runs the helper (its --info-fd): the helper itself, pid 1
// of its sandbox, with no process of bubblewrap's between them.
inline constexpr int DescripteurInfo = 6;
// Where bubblewrap finds an extraction's destination, open, to mount it (its --bind-fd). bubblewrap
// 0.8 still mounts the path that the descriptor has at that moment, which others who can rename
// what lies on the way may lead elsewhere: the window checks where the helper stands.
inline constexpr int DescripteurDestination = 7;

// bubblewrap's program, or nothing when it is not installed.
std::optional<QByteArray> bubblewrap();

// The command that runs `programme` inside the sandbox for a pass over the archive whose volume
// files are `volumes`; `destination`, when given, is where the one writable folder, handed open on
// DescripteurDestination, is seen inside the sandbox, and the helper's current directory. All
// paths are absolute. bubblewrap says on DescripteurInfo which process runs the helper.
std::vector<QByteArray> commande(const QByteArray& bubblewrap, const QByteArray& programme,
                                 const std::vector<QByteArray>& volumes,
                                 const std::optional<QByteArray>& destination);

} // namespace bac
