// The names of the general preference group.
#include "GZolvaneGeneralPrefs.h"

// Borrowed literals: nothing to allocate before the allocator is up or to free after it is gone.
GBuffer const GZolvaneGeneralPrefs::cGroupIDGeneralPrefs = GBuffer::FromStatic("General");
GBuffer const GZolvaneGeneralPrefs::cPrefIDLanguage = GBuffer::FromStatic("Language");
