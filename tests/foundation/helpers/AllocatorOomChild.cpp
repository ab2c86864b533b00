// Runs the allocator out of memory for real: exhausts its own address space under a small limit, so
// that the new-handler runs, or asks for more than any heap has. Prints what happened; exits 0 when
// everything went as expected.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <vector>

#include "GAllocator.h"
#include "GEmptyMessage.h"
#include "GMemoryException.h"
#include "GReceiver.h"

namespace
{
constexpr std::size_t cStep = 16 * 1024 * 1024;

long VirtualSize()
{
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r"))
    {
        if (std::fscanf(statm, "%ld", &pages) != 1)
            pages = 0;
        std::fclose(statm);
    }
    return pages * 4096;
}

// Holds memory the program can do without, and lets it go when memory runs out.
class Ballast : public GReceiver<GEmptyMessage>
{
public:
    explicit Ballast(bool frees) : fFrees(frees), fBlock(frees ? new char[4 * cStep] : nullptr)
    {
        Subscribe(102);
    }
    ~Ballast() override { delete[] fBlock; }
    void Receive(int, GEmptyMessage const&) override
    {
        ++fSignals;
        if (fFrees && fBlock)
        {
            delete[] fBlock;
            fBlock = nullptr;
            GAllocator::GetInstance()->SetMoreMemoryFree(true);
        }
    }
    int fSignals = 0;

private:
    bool fFrees;
    char* fBlock;
};

void Limit()
{
    rlimit limit;
    limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(VirtualSize()) + 256 * 1024 * 1024;
    if (setrlimit(RLIMIT_AS, &limit) != 0)
    {
        std::perror("setrlimit");
        std::exit(2);
    }
}

int Exhaust()
{
    Ballast ballast(false);
    std::vector<char*> hoard;
    hoard.reserve(1024);
    Limit();
    try
    {
        for (;;)
            hoard.push_back(new char[cStep]);
    }
    catch (GMemoryException const& exception)
    {
        std::printf("low-memory signals: %d\n", ballast.fSignals);
        std::printf("caught GMemoryException %d\n", exception.GetExceptionID());
    }
    for (char* block : hoard)
        delete[] block;
    char* again = new char[cStep];
    std::memset(again, 0, cStep);
    delete[] again;
    std::printf("allocates again\n");
    return ballast.fSignals == 1 ? 0 : 1;
}

int Rescue()
{
    Ballast ballast(true);
    std::vector<char*> hoard;
    hoard.reserve(1024);
    Limit();
    try
    {
        // Until memory runs out the first time; the ballast's release lets that very
        // allocation succeed.
        while (ballast.fSignals == 0)
            hoard.push_back(new char[cStep]);
        std::printf("rescued allocation succeeded\n");
    }
    catch (std::bad_alloc const&)
    {
        std::printf("threw although memory was freed\n");
        return 1;
    }
    if (GAllocator::GetReservedBuffer())
        std::printf("reserve restored\n");
    for (char* block : hoard)
        delete[] block;
    return 0;
}

// A request near the top of size_t: no heap can serve it, and it must fail as out of memory rather
// than be taken for a small one.
int Huge()
{
    std::size_t const sizes[] = {SIZE_MAX, SIZE_MAX - 3, SIZE_MAX - 7};
    int failures = 0;
    for (std::size_t size : sizes)
    {
        try
        {
            void* block = GAllocator::GetInstance()->Alloc(size);
            std::printf("request of %zu bytes served at %p\n", size, block);
            ++failures;
        }
        catch (std::bad_alloc const&)
        {
            std::printf("request of %zu bytes refused\n", size);
        }
    }
    return failures;
}
} // namespace

int main(int argc, char** argv)
{
    GAllocator::GetInstance();
    if (argc == 2 && std::strcmp(argv[1], "exhaust") == 0)
        return Exhaust();
    if (argc == 2 && std::strcmp(argv[1], "rescue") == 0)
        return Rescue();
    if (argc == 2 && std::strcmp(argv[1], "huge") == 0)
        return Huge();
    std::fprintf(stderr, "usage: %s exhaust|rescue|huge\n", argv[0]);
    return 2;
}
