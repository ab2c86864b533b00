// The platform layer's static queries about the machine, the operating system and the user.
#include "PSystem.h"

int PSystem::GetMachineByteOrder()
{
    // The plug-in runs on little-endian Macs only.
    return 0;
}
