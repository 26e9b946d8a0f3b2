#pragma once
// Qt's own texts (the standard buttons of message boxes, the file dialogs) in
// the interface language, from the translation files Qt installs
// (Debian: qt6-translations-l10n). UI thread only.

// Installs Qt's translation for `language` (0 English, 1 Simplified Chinese,
// 2 Traditional Chinese) in place of the one installed before; English, or a
// language whose file is missing, leaves Qt's English texts. False only when
// a Chinese file could not be loaded.
bool UseQtTranslations(int language);
