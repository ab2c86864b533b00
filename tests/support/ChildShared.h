// Memory that a test shares with the child processes it forks: a T made in an anonymous shared
// mapping, value-initialised, and unmapped when the holder goes. The T must be of plain words and
// atomics, which both sides may use at once.
#pragma once

#include <cerrno>
#include <new>
#include <sys/mman.h>
#include <system_error>

namespace testsupport
{
template<class T>
class ChildShared
{
public:
    ChildShared()
    {
        void* const memory = mmap(nullptr, sizeof(T), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED)
            throw std::system_error(errno, std::generic_category(), "mmap of the memory shared with a child");
        fValue = new (memory) T();
    }
    ~ChildShared() { munmap(fValue, sizeof(T)); }
    ChildShared(ChildShared const&) = delete;
    ChildShared& operator=(ChildShared const&) = delete;

    T* Get() const { return fValue; }
    T* operator->() const { return fValue; }
    T& operator*() const { return *fValue; }

private:
    T* fValue;
};
} // namespace testsupport
