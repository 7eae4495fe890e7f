#pragma once

// Registers the embedded resources (":/XML/150", ":/PNG/146", ...). Resources in a static
// library are only linked in when something calls this; calling it again does no harm.
void InitTravelkinResources();
