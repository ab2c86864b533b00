// A POSIX shared-memory object mapped whole, read-write, as another process maps it: what the delivery
// link's fuzz targets write hostile bytes through. Nothing is mapped when the object is missing or
// empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fuzzsupport
{
class MappedSharedObject
{
public:
    explicit MappedSharedObject(std::string const& posixName)
    {
        int const descriptor = shm_open(posixName.c_str(), O_RDWR, 0);
        if (descriptor < 0)
            return;
        struct stat status;
        if (fstat(descriptor, &status) == 0 && status.st_size > 0)
        {
            void* base = mmap(nullptr, static_cast<std::size_t>(status.st_size), PROT_READ | PROT_WRITE,
                              MAP_SHARED, descriptor, 0);
            if (base != MAP_FAILED)
            {
                fBase = static_cast<std::uint8_t*>(base);
                fSize = static_cast<std::size_t>(status.st_size);
            }
        }
        close(descriptor);
    }
    ~MappedSharedObject()
    {
        if (fBase)
            munmap(fBase, fSize);
    }
    MappedSharedObject(MappedSharedObject const&) = delete;
    MappedSharedObject& operator=(MappedSharedObject const&) = delete;

    std::uint8_t* Bytes() const { return fBase; }
    std::size_t Size() const { return fSize; }
    bool IsMapped() const { return fBase != nullptr; }

private:
    std::uint8_t* fBase = nullptr;
    std::size_t fSize = 0;
};
} // namespace fuzzsupport
