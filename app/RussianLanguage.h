#pragma once

namespace orten::gui {

// The window speaks Russian on any system: Qt's own texts (file dialogs,
// the context menus of edit fields, standard buttons) come from Qt's Russian
// translations, and Qt's formatting follows the Russian locale. Called once
// the application object exists, by the program and by the window tests
// alike; calling again does nothing. The translations built into the
// program (the Windows build) come first, then the system's. False when
// there are neither (Debian: qt6-translations-l10n is missing); the window
// still works, with those texts in English.
bool UseRussianLanguage();

}  // namespace orten::gui
