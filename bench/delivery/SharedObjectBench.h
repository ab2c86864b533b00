// What the delivery link's benchmarks measure against: a process-shared pthread mutex and plain
// memory in a POSIX shared-memory object of their own, and names that no other run uses.
#pragma once

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace bench
{
// A name of this process's own for a shared object of the kind given.
inline std::string OwnName(char const* kind)
{
    return std::string("Bn") + kind + std::to_string(getpid());
}

// A shared-memory object holding a process-shared pthread mutex followed by size bytes, mapped and
// unlinked again at the end.
class PthreadSharedMemory
{
public:
    explicit PthreadSharedMemory(std::size_t size)
        : fName("/" + OwnName("Px")), fSize(sizeof(pthread_mutex_t) + size)
    {
        int const descriptor = shm_open(fName.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        if (descriptor < 0 || ftruncate(descriptor, static_cast<off_t>(fSize)) != 0)
            std::abort();
        void* base = mmap(nullptr, fSize, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
        close(descriptor);
        if (base == MAP_FAILED)
            std::abort();
        fMutex = static_cast<pthread_mutex_t*>(base);
        pthread_mutexattr_t attributes;
        pthread_mutexattr_init(&attributes);
        pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
        pthread_mutex_init(fMutex, &attributes);
        pthread_mutexattr_destroy(&attributes);
    }
    ~PthreadSharedMemory()
    {
        pthread_mutex_destroy(fMutex);
        munmap(fMutex, fSize);
        shm_unlink(fName.c_str());
    }
    PthreadSharedMemory(PthreadSharedMemory const&) = delete;
    PthreadSharedMemory& operator=(PthreadSharedMemory const&) = delete;

    pthread_mutex_t* Mutex() const { return fMutex; }
    unsigned char* Data() const { return reinterpret_cast<unsigned char*>(fMutex + 1); }

private:
    std::string fName;
    std::size_t fSize;
    pthread_mutex_t* fMutex;
};
} // namespace bench
