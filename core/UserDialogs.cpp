#include "UserDialogs.h"

#include "Phrases.h"

void UserDialogs::inform(const QString& text) {
    inform(Phrase(PhraseId::Caption), text);
}

void UserDialogs::warn(const QString& text) {
    warn(Phrase(PhraseId::Caption), text);
}

void UserDialogs::error(const QString& text) {
    error(Phrase(PhraseId::Caption), text);
}

bool UserDialogs::confirm(const QString& text) {
    return confirm(Phrase(PhraseId::Caption), text);
}
