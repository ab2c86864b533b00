// A mutex shared by the processes of the machine under a name, kept in its own POSIX shared-memory
// segment. Its owner is a process id, so the lock of a process that died is taken over by the next
// process that waits for it; it is therefore not re-entrant, not even between threads.
#pragma once

#include <cstdint>

#include "GBuffer.h"

class PUNIXIPMutexImp
{
public:
    // The segment, as every process that opens the name reads it: 32-bit fields in the machine's
    // byte order.
    static constexpr int cSegmentSize = 80;
    static constexpr int cMagicOffset = 0;
    static constexpr int cVersionOffset = 4;
    // Open mutex objects over all processes; changed only under the management lock.
    static constexpr int cReferenceCountOffset = 8;
    // Process id of the holder; 0 when free.
    static constexpr int cOwnerOffset = 12;
    // Process id of the holder of the management lock; 0 when free.
    static constexpr int cManagementLockOffset = 16;
    // The bytes "X", "T", "U", "M" once the creator has made the segment.
    static constexpr std::int32_t cMagic = 0x4D555458;
    static constexpr std::int32_t cVersion = 1;
    // The longest name the constructor takes, without the "/" it puts in front.
    static constexpr int cMaxNameLength = 29;

    // Opens the segment "/" + name, creating it when none exists, and counts this object in it. A
    // segment left unmade (too small, or never marked) after the creator's time is removed and made
    // anew when no other process holds it. Throws GSimpleException: 40201 for an empty name, one
    // longer than cMaxNameLength or holding "/" or a zero byte; 40200 when the segment can be
    // neither opened nor created, another process holds it unmade, or holds its management lock
    // longer than PUNIXSharedObjectSupport::cLockSeconds; 40170 when a new segment cannot be sized;
    // 40167 when it cannot be mapped or another process holds it too small to map; 40154 for a
    // segment of another version; 40169 before the process-information service is installed.
    explicit PUNIXIPMutexImp(GBuffer const& name);
    // Uncounts this object; the last object of all processes removes the name. A lock this object
    // holds stays held. A management lock that another process holds beyond
    // PUNIXSharedObjectSupport::cLockSeconds leaves this object counted.
    virtual ~PUNIXIPMutexImp();
    PUNIXIPMutexImp(PUNIXIPMutexImp const&) = delete;
    PUNIXIPMutexImp& operator=(PUNIXIPMutexImp const&) = delete;

    // Waits without limit until this process owns the mutex. A holder that is no longer running
    // loses it within about a second.
    void Lock() { Lock(OwnerWord()); }
    // True when the mutex was taken within the whole seconds given; 0 makes the immediate attempts
    // only.
    bool TryToLock(int seconds) { return TryToLock(OwnerWord(), seconds); }
    // Frees the mutex, whoever holds it.
    void Unlock() { Unlock(OwnerWord()); }

    // The same on any owner word of the segment.
    static void Lock(std::int32_t* owner);
    static bool TryToLock(std::int32_t* owner, int seconds);
    static void Unlock(std::int32_t* owner);
    void LockManagementLock() { Lock(ManagementLockWord()); }
    void UnlockManagementLock() { Unlock(ManagementLockWord()); }

    static int GetMaxIDSize() { return 28; }
    // "/" followed by the name given.
    GBuffer const& GetName() const { return fName; }

private:
    // Opens or creates the segment; true when this call created it. Throws after cleaning up.
    bool CreateOrOpen();
    // Waits up to PUNIXSharedObjectSupport::cMakingSeconds for the creator to mark the segment.
    bool AwaitMarked() const;
    // Removes a segment left unmade when no other descriptor holds it, and closes it; false (nothing
    // done) while another holds it.
    bool GiveUpUnmade();
    // Maps the segment; throws 40167 after cleaning up.
    void Map();
    // Uncounts this object when it is counted (unlinking the name with the last one), then unmaps and
    // closes the segment.
    void CleanUp();
    void Uncount();
    void UnmapAndClose();
    [[noreturn]] void Fail(int id);

    std::int32_t* Word(int offset) const
    {
        return reinterpret_cast<std::int32_t*>(static_cast<unsigned char*>(fMapping) + offset);
    }
    std::int32_t* OwnerWord() const { return Word(cOwnerOffset); }
    std::int32_t* ManagementLockWord() const { return Word(cManagementLockOffset); }

    GBuffer fName;
    int fDescriptor;
    void* fMapping;
    // Set between creating the name and making its segment: a failure there unlinks the name, since
    // nobody else can ever use the segment.
    bool fMaking;
    // Set while this object is counted in the segment's reference count.
    bool fCounted;
};
