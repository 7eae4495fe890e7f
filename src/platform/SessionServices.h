#pragma once

// What the session tells the program about itself: where its data lives and which language
// the system speaks. One implementation file per platform.

#include <cstdint>
#include <string>

// The data root: the folder that holds the program's data folder. Empty when the session
// offers no usable folder.
std::wstring GetCommonTemplatesPath();

// The session's language as a Windows language identifier (primary language and
// sub-language in one 16-bit value); 1033 (English, United States) when unknown. Named apart
// from the Windows call it stands for, which the Windows build's headers declare.
std::uint16_t SessionLanguageId();
