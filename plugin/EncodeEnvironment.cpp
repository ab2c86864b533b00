// The process-wide switch of a Japanese environment.
#include "EncodeEnvironment.h"

namespace Zolvane
{
bool EncodeEnvironment::s_runningInJapaneseEnvironment = false;
} // namespace Zolvane
