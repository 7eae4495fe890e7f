#pragma once

// The one language decision of the program: the system's language identifier chooses a
// language index, and the index chooses the layout variant and the start-up failure text.

#include <QString>

#include <cstdint>

// 1 (English and every language without its own texts) to 14.
int GetLanguageIndex(std::uint16_t languageId);

// The index of the system's language.
int GetLanguageIndex();

// The "XML" resource with the layout variant for a language index.
int LayoutResourceId(int languageIndex);

// The message shown when the data folder cannot be prepared.
QString PrepareFailureMessage(int languageIndex);
