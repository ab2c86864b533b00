// What the delivery tests need of the POSIX objects behind mutexes and blocks: names of their own
// that parallel runs never share, removed at the end of each test whatever happened, and a view of
// an object's bytes as another process sees them.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "GBuffer.h"
#include "GShMemID.h"
#include "GSharedMemoryBase.h"
#include "PUNIXSharedMemory.h"

namespace deliverytest
{
inline GBuffer BufferOf(std::string const& bytes)
{
    return GBuffer(reinterpret_cast<unsigned char const*>(bytes.data()), static_cast<int>(bytes.size()));
}

inline std::string TextOf(GBuffer const& bytes)
{
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()),
                       static_cast<std::size_t>(bytes.GetLength()));
}

// True when a POSIX shared-memory object of that name ("/" first) exists.
inline bool ObjectExists(std::string const& posixName)
{
    int const descriptor = shm_open(posixName.c_str(), O_RDONLY, 0);
    if (descriptor < 0)
        return false;
    close(descriptor);
    return true;
}

// The object's size; -1 when it does not exist.
inline long long ObjectSize(std::string const& posixName)
{
    int const descriptor = shm_open(posixName.c_str(), O_RDONLY, 0);
    if (descriptor < 0)
        return -1;
    struct stat status;
    long long const size = fstat(descriptor, &status) == 0 ? static_cast<long long>(status.st_size) : -1;
    close(descriptor);
    return size;
}

// The identity of the object a name stands for, to tell a new object under an old name.
inline ino_t ObjectInode(std::string const& posixName)
{
    int const descriptor = shm_open(posixName.c_str(), O_RDONLY, 0);
    if (descriptor < 0)
        return 0;
    struct stat status;
    ino_t const inode = fstat(descriptor, &status) == 0 ? status.st_ino : 0;
    close(descriptor);
    return inode;
}

// A read-write mapping of a whole object, as any other local process can make one. With a size,
// the object is created (or resized) to it first, the way a creator starts.
class ObjectView
{
public:
    explicit ObjectView(std::string const& posixName, long long createWithSize = -1)
    {
        int flags = O_RDWR;
        if (createWithSize >= 0)
            flags |= O_CREAT;
        fDescriptor = shm_open(posixName.c_str(), flags, 0600);
        if (fDescriptor < 0)
            return;
        if (createWithSize >= 0 && ftruncate(fDescriptor, createWithSize) != 0)
            return;
        struct stat status;
        if (fstat(fDescriptor, &status) != 0 || status.st_size == 0)
            return;
        fSize = static_cast<std::size_t>(status.st_size);
        void* base = mmap(nullptr, fSize, PROT_READ | PROT_WRITE, MAP_SHARED, fDescriptor, 0);
        if (base != MAP_FAILED)
            fBase = static_cast<unsigned char*>(base);
    }
    ~ObjectView()
    {
        if (fBase)
            munmap(fBase, fSize);
        if (fDescriptor >= 0)
            close(fDescriptor);
    }
    ObjectView(ObjectView const&) = delete;
    ObjectView& operator=(ObjectView const&) = delete;

    bool IsMapped() const { return fBase != nullptr; }
    std::size_t Size() const { return fSize; }
    unsigned char* Bytes() const { return fBase; }
    std::int32_t Field(std::size_t offset) const
    {
        std::int32_t value = 0;
        if (offset + 4 <= fSize)
            std::memcpy(&value, fBase + offset, 4);
        return value;
    }
    void SetField(std::size_t offset, std::int32_t value) const
    {
        if (offset + 4 <= fSize)
            std::memcpy(fBase + offset, &value, 4);
    }

private:
    int fDescriptor = -1;
    std::size_t fSize = 0;
    unsigned char* fBase = nullptr;
};

// Runs body in a forked child and gives its exit code; -1 when it did not end within the seconds
// (it is then killed) or ended abnormally. What can hang for ever when it goes wrong runs so, so
// that the test fails instead of hanging.
inline int ExitCodeWithin(double seconds, std::function<int()> const& body)
{
    pid_t const child = fork();
    if (child == 0)
        _exit(body());
    if (child < 0)
        return -1;
    auto const until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0)
    {
        if (std::chrono::steady_clock::now() >= until)
        {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The special ids that queue and registry names are built from, for the tests of one fixture
// (the core layer's own tests need them absent before they start it).
class SpecialIDScope
{
public:
    SpecialIDScope() { GShMemID::Initialize(); }
    ~SpecialIDScope() { GShMemID::Finalize(); }
    SpecialIDScope(SpecialIDScope const&) = delete;
    SpecialIDScope& operator=(SpecialIDScope const&) = delete;
};

// Hands out ids of this process's own ("D" + process id + a count) and unlinks, at the end of the
// test, every object that any of them can have named: a mutex segment of its own, or a block's
// data and mutex.
class SharedObjectsTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        for (std::string const& id : fIDs)
        {
            shm_unlink(("/" + id).c_str());
            shm_unlink(("/ZlvShD" + id).c_str());
            shm_unlink(("/ZlvShL" + id).c_str());
        }
    }

    // A new id, padded with "x" to the length asked for when longer than it would be.
    std::string NewID(std::size_t length = 0)
    {
        static int sCount = 0;
        std::string id = "D" + std::to_string(getpid()) + "_" + std::to_string(++sCount);
        if (id.size() < length)
            id.append(length - id.size(), 'x');
        fIDs.push_back(id);
        return id;
    }

private:
    std::vector<std::string> fIDs;
};

// Shared-memory blocks under ids of the test's own: made through the library, and their objects and
// process lists as another process sees them.
class SharedBlockTest : public SharedObjectsTest
{
public:
    using Block = GSharedMemoryBase<PUNIXSharedMemory>;

    static std::unique_ptr<Block> Create(std::string const& id, int size, bool* createdOut = nullptr)
    {
        bool created = false;
        auto block = std::make_unique<Block>(GBuffer(), BufferOf(id), size, created);
        if (createdOut)
            *createdOut = created;
        return block;
    }
    static std::string DataName(std::string const& id) { return "/ZlvShD" + id; }
    static std::string LockName(std::string const& id) { return "/ZlvShL" + id; }
    // The process ids in the block's list, as another process reads them.
    static std::vector<int> ListOf(std::string const& id)
    {
        ObjectView const view(DataName(id));
        std::vector<int> ids;
        int const length = view.Field(PUNIXSharedMemory::cListLengthOffset);
        for (int offset = 0; offset < length && offset < PUNIXSharedMemory::cMaxListLength; offset += 4)
            ids.push_back(view.Field(PUNIXSharedMemory::cListOffset + offset));
        return ids;
    }
};
} // namespace deliverytest
