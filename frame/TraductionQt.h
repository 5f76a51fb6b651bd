#pragma once
// Qt's own texts (message-box buttons, file choosers, page set-up) in French.

namespace kervane {

// Installs Qt's French translation in the running application, whatever the user's
// language settings say: the whole interface is French. False when the translation file
// is not installed (the texts then stay in English).
bool installerTraductionsQt();

}  // namespace kervane
