#pragma once

// libvips' C++ API for the imaging layer's own files. glib's headers, which it includes, use "signals" as
// a member name, and Qt defines that word as a macro: it is set aside while they are read.
#ifdef signals
#pragma push_macro("signals")
#undef signals
#define QUAVEL_RESTORE_SIGNALS_MACRO
#endif
#include <vips/vips8>
#ifdef QUAVEL_RESTORE_SIGNALS_MACRO
#pragma pop_macro("signals")
#undef QUAVEL_RESTORE_SIGNALS_MACRO
#endif
