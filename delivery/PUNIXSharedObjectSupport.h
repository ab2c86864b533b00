// What the named mutex and the shared-memory blocks do alike on the POSIX objects they share with
// other processes: 32-bit fields read and written whole, and the waits and checks that keep a
// process from trusting an object another process is still making, or has already given up.
#pragma once

#include <cstdint>

class GBuffer;
class GProcessInfo;

class PUNIXSharedObjectSupport
{
public:
    PUNIXSharedObjectSupport() = delete;

    // How long an object smaller than its header is taken to be still in the making by its creator.
    static constexpr double cMakingSeconds = 1.0;

    // Each field is read and written in one access, so a value checked is the value used, whatever
    // another process writes meanwhile. Offsets are in bytes and multiples of 4.
    static std::int32_t Load(void const* base, int offset)
    {
        return __atomic_load_n(
            reinterpret_cast<std::int32_t const*>(static_cast<unsigned char const*>(base) + offset),
            __ATOMIC_ACQUIRE);
    }
    static void Store(void* base, int offset, std::int32_t value)
    {
        __atomic_store_n(reinterpret_cast<std::int32_t*>(static_cast<unsigned char*>(base) + offset), value,
                         __ATOMIC_RELEASE);
    }
    static bool CompareAndSwap(std::int32_t* word, std::int32_t expected, std::int32_t desired)
    {
        return __atomic_compare_exchange_n(word, &expected, desired, false, __ATOMIC_ACQ_REL,
                                           __ATOMIC_ACQUIRE);
    }

    // The size of the open object, waiting up to cMakingSeconds for it to reach minimum: its creator
    // sizes it only after making it. Below minimum when it stays smaller; -1 when it cannot be read.
    static long long WaitForSize(int descriptor, long long minimum);
    // Gives a new object the bits 0777 whatever the process's umask took from them at its creation,
    // so that processes of other users (the peer may run under another account) can open it.
    static void OpenToEveryone(int descriptor);
    // Unlinks name only while it still names the object open as descriptor: a name that another
    // process has unlinked and made again belongs to the new object.
    static void UnlinkIfNamed(GBuffer const& name, int descriptor);
    // Whether the bytes can be part of an object's name: a "/" would name a folder, a zero byte would
    // end the name early.
    static bool IsNameable(GBuffer const& bytes);

    // The installed process-information service; throws GSimpleException 40169 before the platform
    // start-up and after its shut-down, when there is none.
    static GProcessInfo& GetProcessInfo();
    // This process's id from that service, asked once per process: every lock is taken in its name,
    // and asking costs a system call. A forked child asks again.
    static std::int32_t GetCurrentProcessID();
};
