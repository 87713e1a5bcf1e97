#pragma once

// The conversation between the window and korvane-passe, the helper process that runs one pass.
//
// The window starts one helper per pass and talks to it through two pipes: it writes to the
// helper's descriptor 3 and reads the helper's descriptor 4. Every message is a frame: one byte of
// type, four bytes of payload length, then the payload. Integers are little-endian and of fixed
// width; a text or a path is a 32-bit length followed by its bytes, UTF-8 for texts, the system's
// own bytes for paths. A frame of an unknown type, longer than its side's limit (TailleMax from the
// window, TailleMaxRetour from the helper) or with a payload that does not read to its end breaks
// the conversation.
//
// Window to helper:
//   Demande      u32 version, u8 mode (ModeTraitement, or ModeSonde), u32 options (Option), path
//                of the archive, u32 count then as many paths: the archive's volumes, the only
//                files the library may read besides what it extracts, text of the password, u32
//                count then as many u32: the entries to process, by their place in the archive
//                from 0 (none: all of them). First, and only once.
//   Reponse      the answer to the question just asked: u8 0 after Commentaire; u8 Remplacement
//                after Remplacer; after MotDePasse, u8 1 and the text typed, or u8 0 when the
//                user gave up.
// Helper to window:
//   Bonjour      u32 version, i32 the library's interface version. First, as soon as the helper
//                has loaded the library, before it reads the Demande: a helper started ahead of
//                its pass says at once whether it can run one. A helper that cannot load the
//                library says Echec instead.
//   Protections  u8 the protections in force (Protection), u8 the kernel's Landlock ABI (0: none).
//                Second, once the Demande is read and the helper fenced in; a helper of another
//                version says nothing more and ends with status 2.
//   Commentaire  text, u8 1 when the comment goes on beyond the library's buffer; the helper
//                waits for a Reponse. At most once.
//   Archive      u32 the library's open flags (ROADF_*), u8 the format (4, 5, 0 unknown). Once.
//   Montrer      (empty) the archive is open and its first header read.
//   Ligne        text name, i64 size, i64 packed size, u8 flags (DetailsEntree::Drapeau), u32 its
//                place in the archive from 0, u8 the system it was made on (DetailsEntree::
//                Systeme), i64 its modification time (seconds since 1970, UTC, from DateMin to
//                DateMax), u32 its attributes, u32 its CRC32: a new row on top. A name has at
//                most NomMax characters.
//   Sautee       i64 size of an entry left out of the pass, which has no row.
//   Volumes      u32 the number of volume files read, at the end of a pass read to its end.
//   Resultat     u8 (::Resultat), i32 the library's code for Resultat::Code: for the row on top.
//   Remplacer    text, the name the library is about to replace, as it spelled it; the helper
//                waits for a Reponse. Extraction only.
//   Progression  i64 bytes of the current entry processed so far.
//   MotDePasse   u8 1 when the password given last was wrong; the helper waits for a Reponse.
//   Echec        u8 genre (Messages::Echec::Genre, up to Bibliotheque), i32 code, text detail.
//                Last.
//   Fin          (empty) the pass ran to its end. Last.
//   Abandon      (empty) the user gave no password: the pass stops, with no failure. Last.
//   Arret        (empty) the pass stopped where the window asked it to (below), every row before
//                it sent, the entry in work without its result. Last.
// After Echec, Fin, Abandon or Arret the helper ends with status 0; ending any other way is a
// failure.
//
// The helper also has descriptor 5, TailleEnCours bytes of memory shared with the window
// (PageEnCours.h), in the machine's own byte order: a u32 length, the u64 device and the u64 inode
// of the file being written, then its path relative to the destination, of that length. It is set
// once the library's open has created the file, from that descriptor, and cleared once the entry
// is done, without waking the window; a length or an inode of 0 says none. The window reads it
// once the helper is gone, and removes that file only if it still is the one the pass made. The
// page's last u32, set to 1 by the window, asks the pass to stop: the helper then starts no entry,
// abandons the one in work, asks nothing more, and says Arret.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace protocole {

inline constexpr std::uint32_t Version = 7;
inline constexpr int ModeSonde = 3; // says Bonjour, Protections and Fin
inline constexpr std::int64_t TailleMax = 16 * 1024 * 1024;
// Nothing the library makes is longer: a name of 2,047 characters, a comment of 16 KiB.
inline constexpr std::int64_t TailleMaxRetour = 64 * 1024;
inline constexpr std::int64_t NomMax = 2047;  // characters, as the library's FileNameW holds them
inline constexpr int DescripteurDemandes = 3; // in the helper
inline constexpr int DescripteurRetour = 4;   // in the helper
inline constexpr int DescripteurEnCours = 5;  // in the helper
inline constexpr std::int64_t TailleEnCours = 16 * 1024;
inline constexpr int StatutAutreVersion = 2;

enum class Type : std::uint8_t {
    Demande = 1,
    Reponse,
    Bonjour,
    Commentaire,
    Montrer,
    Ligne,
    Resultat,
    Remplacer,
    Progression,
    Echec,
    Fin,
    MotDePasse,
    Abandon,
    Archive,
    Sautee,
    Volumes,
    Protections,
    Arret,
};

// Options of a Demande, for tests and the benchmark only.
enum Option : std::uint32_t {
    SansGardes = 1,   // the guards in front of the library stand aside
    SansLandlock = 2, // as on a kernel without Landlock
    SansFiltre = 4,   // no system-call filter: what the filter costs, measured
    // Not a test option: the helper runs outside bubblewrap's sandbox, and its filter does more.
    HorsBac = 8,
    // The library reads its volumes through the system, not from the helper's memory (Lectures.h):
    // what that saves, measured, and the same passes compared.
    LecturesDirectes = 16,
    // Bits 8 to 15: the highest Landlock ABI to use, as on an older kernel (0: the kernel's).
    DecalageAbi = 8,
};

// What the helper put between the library and the user's files, besides the sandbox.
enum Protection : std::uint8_t {
    ProtectionLandlock = 1, // reads only what the pass needs, writes only in the destination
    ProtectionFiltre = 2,   // the system calls that no pass needs are refused
};

// Builds frames at the end of a buffer.
class Redaction {
public:
    explicit Redaction(std::string& tampon)
        : tampon_(tampon) {}

    void debut(Type type);
    void u8(std::uint8_t v) { tampon_.push_back(char(v)); }
    void u32(std::uint32_t v);
    void i64(std::int64_t v);
    void octets(std::string_view v);
    // A text: its UTF-8 bytes.
    void texte(std::string_view v) { octets(v); }
    void fin(); // writes the length of the frame begun last

private:
    std::string& tampon_;
    std::size_t debut_ = 0;
};

// Reads the fields of one payload; past its end every read gives zero and ok() turns false.
class Lecture {
public:
    explicit Lecture(std::string_view charge)
        : charge_(charge) {}

    std::uint8_t u8();
    std::uint32_t u32();
    std::int64_t i64();
    std::string_view octets();
    std::string_view texte() { return octets(); } // UTF-8 as the other side wrote it
    // Every field read and nothing left.
    bool complete() const { return ok_ && position_ == charge_.size(); }

private:
    bool disponible(std::size_t n);

    std::string_view charge_;
    std::size_t position_ = 0;
    bool ok_ = true;
};

struct Trame {
    Type type;
    std::string_view charge; // into the buffer it was read from
};

// The frame at `position` in `tampon`: nothing while it is incomplete; `rompu` when the bytes
// cannot be a frame of at most `limite` bytes. Moves `position` past the frame.
std::optional<Trame> suivante(std::string_view tampon, std::size_t& position, bool& rompu,
                              std::size_t limite = std::size_t(TailleMax));

// Writes all of `octets` to `fd`, through interruptions; false when the other end is gone.
bool ecrireTout(int fd, std::string_view octets);

// Waits for the next frame on `fd`, kept in `tampon`; nothing when the other end is gone or sent
// something that is not a frame.
std::optional<Trame> attendre(int fd, std::string& tampon);

} // namespace protocole
