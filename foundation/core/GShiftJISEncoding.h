// The Japanese Shift-JIS encoding of the platform, reached through the installed factory.
#pragma once

class GPlatformEncoding;

class GShiftJISEncoding
{
public:
    GShiftJISEncoding() = delete;

    // Borrowed, valid while the factory lives; null when no factory is installed.
    static GPlatformEncoding* GetInstance();
};
