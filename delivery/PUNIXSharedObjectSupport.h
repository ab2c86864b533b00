// What the named mutex and the shared-memory blocks do alike on the POSIX objects they share with
// other processes: 32-bit fields read and written whole, and the waits and checks that keep a
// process from trusting an object another process is still making, or has already given up.
#pragma once

#include <cstdint>
#include <sys/stat.h>

class GBuffer;
class GProcessInfo;

class PUNIXSharedObjectSupport
{
public:
    PUNIXSharedObjectSupport() = delete;

    // How long an object smaller than its header is taken to be still in the making by its creator.
    static constexpr double cMakingSeconds = 1.0;
    // How long a process waits for the lock of an object another process holds, in whole seconds: a
    // live holder that never lets go must not hang the host, whose main thread sends the jobs.
    static constexpr int cLockSeconds = 5;
    // "Could not lock the semaphore": a lock not taken within cLockSeconds.
    static constexpr int cCannotLock = 30050001;

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
    // Whether a running process holds the object open as descriptor through any other descriptor
    // (this process's other ones included). An object left unmade that nobody else holds was left by
    // a creator that died; one still held may yet be made. A process this one may not look into
    // (another user's) is taken not to hold it: it cannot open an object made under this user's
    // umask. When the processes cannot be listed at all, the object counts as held.
    static bool IsHeldElsewhere(int descriptor);
    // Unlinks name only while it still names the object open as descriptor: a name that another
    // process has unlinked and made again belongs to the new object.
    static void UnlinkIfNamed(GBuffer const& name, int descriptor);
    // Whether name stands for the object of that identity (device and inode).
    static bool Names(GBuffer const& name, struct stat const& object);
    // A read-write descriptor of name while it stands for the object of that identity; -1 otherwise.
    static int OpenIfNamed(GBuffer const& name, struct stat const& object);
    // Makes the object at least size bytes long; false when it cannot be sized.
    static bool GrowTo(int descriptor, long long size);
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
