#pragma once

// The layouts name the faces of the systems they were drawn on ("MS Mincho", "SimSun",
// "PMingLiU", "宋体"), which a Linux desktop rarely has. Left to itself, font matching turns
// them into a Latin face and the Japanese and Chinese texts depend on per-glyph fallback;
// mapped here to the CJK faces that Debian ships, they match a face that holds every glyph
// of the text. Faces that are not installed are skipped by the matcher.

// Registers the substitutes once per process; later calls do nothing.
void InstallLayoutFontFallbacks();
