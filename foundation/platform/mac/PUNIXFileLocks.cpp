// The whole-file locks of this process's open files, one description per file holding them.
#include "PUNIXFileLocks.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace
{
struct Key
{
    dev_t fDevice;
    ino_t fInode;
    bool operator==(Key const& other) const { return fDevice == other.fDevice && fInode == other.fInode; }
};

struct KeyHash
{
    std::size_t operator()(Key const& key) const
    {
        return std::hash<unsigned long long>()(static_cast<unsigned long long>(key.fInode) * 31 +
                                               static_cast<unsigned long long>(key.fDevice));
    }
};

// One file's lock in this process: the description that carries it, what that description may
// carry, and how many open files need it at which strength.
struct Holding
{
    int fDescriptor = -1;
    bool fCanRead = false;
    bool fCanWrite = false;
    short fType = F_UNLCK;
    int fReaders = 0;
    int fWriters = 0;
};

struct Registry
{
    std::mutex fMutex;
    std::unordered_map<Key, Holding, KeyHash> fFiles;
};

// Made once and never taken down: files may still close while the program's statics go.
Registry& TheRegistry()
{
    static Registry* const registry = new Registry;
    return *registry;
}

// A child made by fork shares the parent's descriptions, and with them its locks: it lets go of
// them, so that in the child the parent is another process whose locks are in the way.
void LockBeforeFork()
{
    TheRegistry().fMutex.lock();
}

void UnlockInParent()
{
    TheRegistry().fMutex.unlock();
}

void ForgetInChild()
{
    Registry& registry = TheRegistry();
    for (auto& file : registry.fFiles)
        close(file.second.fDescriptor);
    registry.fFiles.clear();
    registry.fMutex.unlock();
}

std::once_flag sForkHandlers;

bool NoLocksHere(int error)
{
    return error == ENOTSUP || error == EOPNOTSUPP;
}

// A lock of the whole file on the description, not waiting; 0 or the errno.
int SetLock(int descriptor, short type)
{
    struct flock lock = {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return fcntl(descriptor, F_OFD_SETLK, &lock) == 0 ? 0 : errno;
}

bool IsSameFile(int first, int second)
{
    struct stat a;
    struct stat b;
    return fstat(first, &a) == 0 && fstat(second, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A description of the open file of its own, so that the lock it carries belongs to no stream. It
// reads and writes where the file allows, so that the lock can change between shared and exclusive
// in place: a reader that opens its file for writing as well never lets go of it meanwhile. A
// reader of a program file keeps to reading, since a description open for writing would keep
// others from running the program. Where the file cannot be opened again, a second descriptor of
// the stream's own description.
int OpenHolder(int descriptor, bool exclusive, bool& canRead, bool& canWrite)
{
    char link[48];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
    int const flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    struct stat info;
    bool const tryWriting = exclusive || (fstat(descriptor, &info) == 0 && (info.st_mode & 0111) == 0);
    int holder = tryWriting ? open(link, O_RDWR | flags) : -1;
    canRead = true;
    canWrite = holder >= 0;
    if (holder < 0)
    {
        holder = open(link, (exclusive ? O_WRONLY : O_RDONLY) | flags);
        canRead = !exclusive;
        canWrite = exclusive;
    }
    if (holder >= 0 && !IsSameFile(holder, descriptor))
    {
        close(holder);
        holder = -1;
    }
    if (holder < 0)
    {
        int const access = fcntl(descriptor, F_GETFL) & O_ACCMODE;
        canRead = access != O_WRONLY;
        canWrite = access != O_RDONLY;
        holder = fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    }
    return holder;
}

// Makes the read lock of the holding a write lock, for the file open at descriptor (which is open
// for writing); 0 or the errno, and the read lock stays when it fails.
int Strengthen(Holding& holding, int descriptor)
{
    if (holding.fCanWrite)
        return SetLock(holding.fDescriptor, F_WRLCK);
    // The description that holds the read lock cannot carry a write lock (the file could not be
    // opened for writing when the reader came), and another one of this process would stand in its
    // way: the read lock goes for the moment the change takes.
    bool canRead = false;
    bool canWrite = false;
    int const holder = OpenHolder(descriptor, true, canRead, canWrite);
    if (holder < 0)
        return errno;
    SetLock(holding.fDescriptor, F_UNLCK);
    int const error = SetLock(holder, F_WRLCK);
    if (error != 0)
    {
        close(holder);
        SetLock(holding.fDescriptor, F_RDLCK);
        return error;
    }
    close(holding.fDescriptor);
    holding.fDescriptor = holder;
    holding.fCanRead = canRead;
    holding.fCanWrite = canWrite;
    return 0;
}
} // namespace

int PUNIXFileLocks::Acquire(int descriptor, bool exclusive, Hold& hold)
{
    std::call_once(sForkHandlers, [] { pthread_atfork(&LockBeforeFork, &UnlockInParent, &ForgetInChild); });
    hold = Hold();
    struct stat info;
    if (fstat(descriptor, &info) != 0)
        return errno;
    Key const key = {info.st_dev, info.st_ino};
    short const type = exclusive ? F_WRLCK : F_RDLCK;
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.fMutex);
    auto const found = registry.fFiles.find(key);
    if (found != registry.fFiles.end())
    {
        Holding& holding = found->second;
        if (exclusive && holding.fType != F_WRLCK)
        {
            if (int const error = Strengthen(holding, descriptor))
                return error;
            holding.fType = F_WRLCK;
        }
        ++(exclusive ? holding.fWriters : holding.fReaders);
        hold = {key.fDevice, key.fInode, exclusive ? Hold::cExclusive : Hold::cShared};
        return 0;
    }
    Holding holding;
    holding.fDescriptor = OpenHolder(descriptor, exclusive, holding.fCanRead, holding.fCanWrite);
    if (holding.fDescriptor < 0)
        return errno;
    if (int const error = SetLock(holding.fDescriptor, type))
    {
        close(holding.fDescriptor);
        return NoLocksHere(error) ? 0 : error;
    }
    holding.fType = type;
    ++(exclusive ? holding.fWriters : holding.fReaders);
    registry.fFiles.emplace(key, holding);
    hold = {key.fDevice, key.fInode, exclusive ? Hold::cExclusive : Hold::cShared};
    return 0;
}

void PUNIXFileLocks::Release(Hold& hold)
{
    if (hold.fKind == Hold::cNothing)
        return;
    Key const key = {hold.fDevice, hold.fInode};
    bool const writer = hold.fKind == Hold::cExclusive;
    hold = Hold();
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.fMutex);
    auto const found = registry.fFiles.find(key);
    if (found == registry.fFiles.end())
        return;
    Holding& holding = found->second;
    --(writer ? holding.fWriters : holding.fReaders);
    if (holding.fWriters + holding.fReaders <= 0)
    {
        close(holding.fDescriptor);
        registry.fFiles.erase(found);
    }
    else if (holding.fWriters <= 0 && holding.fType == F_WRLCK && holding.fCanRead &&
             SetLock(holding.fDescriptor, F_RDLCK) == 0)
    {
        // Only readers are left: other processes may read again. A holder that cannot read keeps
        // the write lock until the last reader goes.
        holding.fType = F_RDLCK;
    }
}

int PUNIXFileLocks::IsLockedElsewhere(int descriptor, bool& locked)
{
    locked = false;
    struct stat info;
    if (fstat(descriptor, &info) != 0)
        return errno;
    Key const key = {info.st_dev, info.st_ino};
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    int error = 0;
    {
        Registry& registry = TheRegistry();
        std::lock_guard<std::mutex> guard(registry.fMutex);
        auto const found = registry.fFiles.find(key);
        // Asked from the description that holds this process's lock, which is no conflict of its
        // own; else as the process, whose own record locks are none either.
        int const result = found != registry.fFiles.end()
                               ? fcntl(found->second.fDescriptor, F_OFD_GETLK, &lock)
                               : fcntl(descriptor, F_GETLK, &lock);
        error = result == 0 ? 0 : errno;
    }
    if (error != 0)
        return NoLocksHere(error) ? 0 : error;
    locked = lock.l_type != F_UNLCK;
    return 0;
}
