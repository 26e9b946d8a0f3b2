#pragma once
// The user-interface texts in English, Simplified Chinese and Traditional
// Chinese, and the choice of language. UI thread only.

#include <QString>
#include <QStringList>
#include <cstdint>

inline constexpr int kPhraseCount = 107;

// Row `row` of the current language's table; an empty text for a row outside it.
const QString& Phrase(int row);

// 0 English, 1 Simplified Chinese, 2 Traditional Chinese: sets LanguageIndex
// and the table Phrase() reads. Other values are ignored.
void SetLanguage(int index);

// The port warning of the status indicators: "Search CAN devices again!" and
// the port status as "%s ( %d )" gives them, at most 100 characters.
QString SearchAgainText(uint32_t status);

// The current language's table (kPhraseCount rows).
const QStringList& PhraseTable();

// The language remembered in `folder`: "SC.SC" wins over "TC.TC"; else English.
int LanguageFromMarkers(const QString& folder);

// Leaves the marker file of `index` as the only one of the three in `folder`.
// Failures are not reported: the language still changes for this run.
void RememberLanguage(const QString& folder, int index);
