#pragma once

// Called after each buffer swap the program makes; defined by the preloaded library that links
// the hook in.
void onBufferSwap();
