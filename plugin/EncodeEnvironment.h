// Whether the process runs in a Japanese environment, where zip entry names of no Unicode encoding
// were written in Shift-JIS rather than Mac Roman. Nothing in the plug-in sets it: it stays false
// unless a host or a later component says otherwise.
#pragma once

namespace Zolvane
{
class EncodeEnvironment
{
public:
    EncodeEnvironment() = delete;

    static bool runningInJapaneseEnvironment() { return s_runningInJapaneseEnvironment; }
    static void setRunningInJapaneseEnvironment(bool japanese) { s_runningInJapaneseEnvironment = japanese; }

private:
    static bool s_runningInJapaneseEnvironment;
};
} // namespace Zolvane
