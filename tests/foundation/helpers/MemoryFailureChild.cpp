// Runs parts of the foundation out of memory on purpose, in a process of their own, and prints what
// came of it; exits 0 when everything went as expected.
//   descramble      reads a scrambled secret too large for the memory left (a real shortage under
//                   an address-space limit): the secret reads as an empty string without encoding.
//   language-cache  destroys a language cache with a cache file to write while every allocation of
//                   the C++ runtime fails with the runtime's own std::bad_alloc, as under a host
//                   whose new-handler gives up: the destruction ends quietly, the process goes on.
//   start-up        starts the foundation over and over, the k-th allocation of the runtime failing
//                   each time (k growing): every start comes up whole, or throws and leaves nothing
//                   up, after which the next start comes up whole.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "GASCIIEncoding.h"
#include "GBasicFrameworkCoreLayer.h"
#include "GIdleTimeManager.h"
#include "GLanguageInfoCache.h"
#include "GPathName.h"
#include "GProcessInfo.h"
#include "GStringSupport.h"
#include "GTrace.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"
#include "PMacXBasicFrameworkCoreLayer.h"

namespace
{
// While set, every allocation of the C++ runtime fails at once with std::bad_alloc.
bool sRefuseAllocations = false;
// When not 0, the allocation of that number (counted from when it was set) fails.
long sFailingAllocation = 0;
long sAllocations = 0;
bool sFailed = false;

// Whether every singleton the start makes is there, or none is.
bool AllUp()
{
    return GUnicodeEncoding::GetInstance() && GWinAnsiEncoding::GetInstance() && GTrace::GetInstance() &&
           GLanguageInfoCache::GetInstance() && GIdleTimeManager::GetInstance() &&
           GProcessInfo::GetInstance();
}

bool AllDown()
{
    return !GUnicodeEncoding::GetInstance() && !GWinAnsiEncoding::GetInstance() && !GTrace::GetInstance() &&
           !GLanguageInfoCache::GetInstance() && !GIdleTimeManager::GetInstance() &&
           !GProcessInfo::GetInstance() && GBasicFrameworkCoreLayer::GetInitializeCount() == 0 &&
           PMacXBasicFrameworkCoreLayer::GetInitializeCount() == 0;
}

long VirtualSize()
{
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r"))
    {
        if (std::fscanf(statm, "%ld", &pages) != 1)
            pages = 0;
        std::fclose(statm);
    }
    return pages * sysconf(_SC_PAGESIZE);
}

int DeScramble()
{
    // 96 million digits, made while memory is plentiful; reading them needs that much again and
    // more, and only 32 MiB are left.
    std::size_t const digits = std::size_t(96) * 1024 * 1024;
    GBuffer hex;
    hex.SetLength(static_cast<int>(digits));
    std::memset(hex.GetWritePtr(), '7', digits);
    GString const secret(hex, GASCIIEncoding::GetInstance(), true);
    rlimit limit;
    limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(VirtualSize()) + 32 * 1024 * 1024;
    if (setrlimit(RLIMIT_AS, &limit) != 0)
    {
        std::perror("setrlimit");
        return 2;
    }
    try
    {
        GString const text = GStringSupport::DeScramble(secret);
        if (!text.IsEmpty() || text.GetEncoding().Get())
        {
            std::printf("read %d bytes\n", text.GetBytes().GetLength());
            return 1;
        }
        std::printf("an empty string without encoding\n");
        return 0;
    }
    catch (std::bad_alloc const&)
    {
        std::printf("the memory error passed out\n");
        return 1;
    }
}

int StartUp()
{
    int refusals = 0;
    for (long failing = 1;; failing += failing < 64 ? 1 : failing / 8)
    {
        sAllocations = 0;
        sFailed = false;
        sFailingAllocation = failing;
        bool up = false;
        bool threw = false;
        try
        {
            up = GBasicFrameworkCoreLayer::Initialize();
        }
        catch (...)
        {
            threw = true;
        }
        sFailingAllocation = 0;
        if (!sFailed)
        {
            // The whole start took fewer allocations: nothing was refused any more.
            bool const whole = up && AllUp();
            GBasicFrameworkCoreLayer::Finalize();
            std::printf("%d starts met a refused allocation; the start takes %ld allocations\n", refusals,
                        sAllocations);
            return whole && AllDown() ? 0 : 1;
        }
        ++refusals;
        if (!threw)
        {
            // Come up all the same (or refused by the platform, with the count raised): one Finalize
            // takes it down.
            if (up && !AllUp())
            {
                std::printf("allocation %ld refused: up, but not whole\n", failing);
                return 1;
            }
            GBasicFrameworkCoreLayer::Finalize();
        }
        if (!AllDown())
        {
            std::printf("allocation %ld refused (%s): something was left up\n", failing,
                        threw ? "thrown" : "not thrown");
            return 1;
        }
        bool const again = GBasicFrameworkCoreLayer::Initialize() && AllUp();
        GBasicFrameworkCoreLayer::Finalize();
        if (!again || !AllDown())
        {
            std::printf("allocation %ld refused: the next start did not come up whole\n", failing);
            return 1;
        }
    }
}

int DestroyLanguageCache()
{
    char folder[] = "/tmp/sendrix-memory-XXXXXX";
    if (!mkdtemp(folder))
        return 2;
    std::string const cacheFile = std::string(folder) + "/languages.cache";
    auto* cache = new GLanguageInfoCache;
    cache->SetCacheFile(GPathName(cacheFile.c_str()));
    sRefuseAllocations = true;
    delete cache;
    sRefuseAllocations = false;
    std::printf("the cache went quietly\n");
    std::remove(cacheFile.c_str());
    rmdir(folder);
    return 0;
}
} // namespace

// The runtime's allocation, which fails on request; otherwise as the standard one: the heap, and
// the new-handler while the heap has nothing.
void* operator new(std::size_t size)
{
    if (sRefuseAllocations)
        throw std::bad_alloc();
    if (sFailingAllocation != 0 && ++sAllocations == sFailingAllocation)
    {
        sFailed = true;
        throw std::bad_alloc();
    }
    for (;;)
    {
        if (void* block = std::malloc(size == 0 ? 1 : size))
            return block;
        std::new_handler const handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}

void* operator new[](std::size_t size)
{
    return operator new(size);
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete[](void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept
{
    std::free(block);
}

int main(int argc, char** argv)
{
    std::string const mode = argc == 2 ? argv[1] : "";
    if (mode != "start-up")
        GBasicFrameworkCoreLayer::Initialize();
    int result = 2;
    if (mode == "descramble")
        result = DeScramble();
    else if (mode == "language-cache")
        result = DestroyLanguageCache();
    else if (mode == "start-up")
        result = StartUp();
    else
        std::fprintf(stderr, "usage: %s descramble|language-cache|start-up\n", argv[0]);
    std::fflush(stdout);
    // Taken down by the process's end: the shortage may have left the framework half able.
    _exit(result);
}
