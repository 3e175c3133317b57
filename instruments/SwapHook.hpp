#pragma once

// Called around each buffer swap the program makes; defined by the preloaded library that links
// the hook in. beforeBufferSwap() sees the frame about to be shown, still in the back buffer; a
// library that has no use for it need not define it.
void beforeBufferSwap();
void onBufferSwap();
