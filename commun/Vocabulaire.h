#pragma once

// What a pass is and what it tells, in words that the helper, which runs the library, and the
// window, which shows the pass, share on both sides of the pipe (Protocole.h).

#include <cstdint>
#include <string>

enum ModeTraitement : int {
    ModeExtraction = 0,
    ModeTest = 1,
    ModeListe = 2,
};

// The label of the third column while a pass of `mode` runs.
inline const char* libelleModeUtf8(int mode) {
    switch (mode) {
    case ModeExtraction:
        return "Extraction";
    case ModeTest:
        return "Test";
    default:
        return "Liste";
    }
}

// What became of an entry, for its row; the window words it (Messages::texteResultat).
enum class Resultat : std::uint8_t {
    OK,
    Ignore,     // not extracted: the user kept the file there, or its name leads nowhere
    LienRefuse, // a link not made: it would lead outside the chosen folder, or nowhere
    Code,       // the library's code for an entry that did not stop the pass
    // The window's own word, never sent by the helper: the user stopped the pass during the entry.
    Interrompu,
};

// The answer to "replace the file that is already there?"; the "Tous" answers hold for the rest
// of the pass.
enum class Remplacement { Oui, OuiPourTous, Non, NonPourTous };

// Why a pass stopped, as codes: the helper process that runs the pass sends these, and the window
// turns them into its French message (Messages::Echec).
enum class GenreEchec : std::uint8_t {
    Ouverture,    // code: the library's OpenResult
    Fichier,      // code: the result of processing an entry
    EnTete,       // code: the header read that ended the loop
    Incomplete,   // the archive stops short of its end
    Place,        // an entry of an extraction does not fit in the room left; detail: what it
                  // needs, a line feed, then what is left, in bytes
    Bibliotheque, // the library cannot be loaded (code 0: the file, 1: an entry point); detail:
                  // the file, a line feed, then the reason or the entry point's name
    // The rest are the window's own words on the helper, never sent by it.
    Installation, // the helper is missing; detail: the whole message
    Signal,       // the helper was killed; code: the signal
    Sortie,       // the helper left without its end; code: its exit status
};

// A failure as the engine reports it; detail in UTF-8.
struct EchecPasse {
    GenreEchec genre = GenreEchec::Ouverture;
    int code = 0;
    std::string detail{};
};
