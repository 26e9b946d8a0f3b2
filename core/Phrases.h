#pragma once
// The user-interface texts in English, Simplified Chinese and Traditional
// Chinese, and the choice of language. UI thread only.

#include <QString>
#include <QStringList>

inline constexpr int kPhraseCount = 109;

// Row `row` of the current language's table; an empty text for a row outside it.
const QString& Phrase(int row);

// 0 English, 1 Simplified Chinese, 2 Traditional Chinese: sets LanguageIndex
// and the table Phrase() reads. Other values are ignored.
void SetLanguage(int index);

// The current language's table (kPhraseCount rows).
const QStringList& PhraseTable();

// The language remembered in `folder`: "SC.SC" wins over "TC.TC"; else English.
int LanguageFromMarkers(const QString& folder);

// Leaves the marker file of `index` as the only one of the three in `folder`.
// Failures are not reported: the language still changes for this run.
void RememberLanguage(const QString& folder, int index);
