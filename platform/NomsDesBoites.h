#pragma once

// The toolkit's own boxes leave some controls without a name or a description that a screen
// reader could read: their buttons, a masked field, the file dialogs' fields and labels.

class QDialog;

namespace platform {

// Names and describes, in French, every control of `boite` that has no name or description of
// its own yet, and ties each label to the field it names. Once its controls are made.
void nommerBoite(QDialog& boite);

} // namespace platform
