// The platform layer's static queries about the machine, the operating system and the user.
#pragma once

class PSystem
{
public:
    PSystem() = delete;

    // 0 for a little-endian machine, 1 for a big-endian one.
    static int GetMachineByteOrder();
};
