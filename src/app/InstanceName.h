#pragma once

// The name of the single running instance, and the title of its window by which a later
// start finds it.
inline constexpr char kInstanceName[] = "Travelkin";
