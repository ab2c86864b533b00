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
    // How long an opener that has claimed a segment left unmade waits for the other processes to let
    // go of it before it takes the one still holding it for its creator at work.
    static constexpr double cClaimSeconds = 0.5;

    // Opens the segment "/" + name, creating it when none exists, and counts this object in it. A
    // segment left unmade (too small, or never marked) after the creator's time is removed and made
    // anew when no process but the openers that meet it holds it; of those, the first to claim it
    // in its magic field removes it, and the others open the name again. Throws GSimpleException:
    // 40201 for an empty name, one longer than cMaxNameLength or holding "/" or a zero byte; 40200
    // when the segment can be neither opened nor created, another process holds it unmade (40167
    // when it also left it too small), or holds its management lock
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

    // Whether the name still stands for this object's segment: once a segment has been given up
    // with what it guards, the name stands for the next one, and a holder of the old lock excludes
    // nobody.
    bool IsNamed() const;
    // Takes the name away from this object's segment, while it still stands for it: for a holder
    // removing what the mutex guards, so that the next user makes a new segment. Users that hold
    // the segment already find out through IsNamed.
    void Unname();
    // Uncounts this object and opens the name again; throws as the constructor does. A lock this
    // object held on the old segment stays held there.
    void Reopen();

    static int GetMaxIDSize() { return 28; }
    // "/" followed by the name given.
    GBuffer const& GetName() const { return fName; }

private:
    // Opens the name, making or making anew its segment as needed, and counts this object in it.
    void Open();
    // Opens or creates the segment; true when this call created it. Throws after cleaning up.
    bool CreateOrOpen();
    enum Marking
    {
        // Made by its creator: ready to be counted in.
        cMarked,
        // Given up as left unmade (by this process or another), or marked after a withdrawn claim:
        // the name is to be opened again.
        cGivenUp,
        // Left unmade but still held by another process, taken to be its creator at work.
        cHeldUnmade
    };
    // Waits up to PUNIXSharedObjectSupport::cMakingSeconds for the creator to mark the segment; then
    // claims it as left unmade, unless another opener has, and gives it up or leaves it as its claim
    // decides.
    Marking AwaitMarked();
    // For a segment another opener has claimed: lets go of it and waits for that opener's decision,
    // taking the claim over when that opener dies before it.
    Marking AwaitDecision();
    // For a segment this process has claimed: removes it once no other process holds it, or, when one
    // still does within cClaimSeconds, withdraws the claim.
    Marking GiveUpClaimed();
    // A claim in the magic field: the negated process id of the opener that made it.
    static bool IsClaim(std::int32_t magic) { return magic < 0 && magic != INT32_MIN; }
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
