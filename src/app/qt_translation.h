#pragma once
// Qt's own texts (the file dialogs, the standard buttons) in the program's language: Qt's
// translation of that language, where the system has it (Debian: qt6-translations-l10n).

#include <QTranslator>
#include <memory>

namespace halvric {

// Installs Qt's translation for language `language_id` (1031 German, ...) on the running
// application. Returns the translator, which must live as long as its texts are used; null when
// the language is English or the system has no translation of Qt for it.
std::unique_ptr<QTranslator> InstallQtTranslation(int language_id);

}  // namespace halvric
