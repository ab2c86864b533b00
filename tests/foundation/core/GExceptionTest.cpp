// Exceptions, their English messages and the per-thread error contexts that prefix them.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <future>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "GAbortException.h"
#include "GAllocator.h"
#include "GCustomException.h"
#include "GEmptyMessage.h"
#include "GException.h"
#include "GExceptionContext.h"
#include "GExceptionLocation.h"
#include "GExceptionMessages.h"
#include "GMemoryException.h"
#include "GPathName.h"
#include "GReceiver.h"
#include "GSimpleException.h"
#include "GString.h"
#include "GStringPool.h"
#include "GUTF8Encoding.h"
#include "PUNIXSystemException.h"

namespace
{
std::string Text(GString const& text)
{
    GBuffer bytes;
    text.GetBuffer(bytes, GUTF8Encoding::GetInstance());
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()), std::size_t(bytes.GetLength()));
}

std::string Full(GException const& exception)
{
    return Text(exception.GetFullDescription());
}

// The English table registered as the foundation's start-up does.
class GExceptionTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        GStringPool::Initialize();
        GException::Initialize();
    }
    static void TearDownTestSuite() { GStringPool::Finalize(); }
};
using GExceptionMessagesTest = GExceptionTest;
using GExceptionContextTest = GExceptionTest;
using GExceptionCaptureTest = GExceptionTest;
using GCustomExceptionTest = GExceptionTest;

TEST_F(GExceptionMessagesTest, IdsFillTheirRangesInAscendingOrder)
{
    struct Range
    {
        int first, last, count;
    };
    Range const ranges[] = {{2450, 2464, 15},  {40000, 40069, 70}, {40070, 40079, 10}, {40090, 40094, 5},
                            {40100, 40106, 7}, {40150, 40155, 6},  {40160, 40171, 12}, {40200, 40207, 8},
                            {40250, 40256, 7}, {40270, 40281, 8}};
    ASSERT_EQ(GExceptionMessages::cCount, 148);
    std::vector<int> perRange(std::size(ranges));
    int previous = 0;
    for (GStringPoolDataStruct const& row : GExceptionMessages::sRows)
    {
        SCOPED_TRACE(row.fID);
        EXPECT_GT(row.fID, previous) << "ids ascend without repeats";
        previous = row.fID;
        bool placed = false;
        for (std::size_t r = 0; r < std::size(ranges); ++r)
        {
            if (row.fID >= ranges[r].first && row.fID <= ranges[r].last)
            {
                ++perRange[r];
                placed = true;
            }
        }
        EXPECT_TRUE(placed) << "id outside every range of the table";
    }
    for (std::size_t r = 0; r < std::size(ranges); ++r)
    {
        SCOPED_TRACE(ranges[r].first);
        EXPECT_EQ(perRange[r], ranges[r].count);
    }
}

TEST_F(GExceptionMessagesTest, IdsReadTheirEnglishTexts)
{
    struct Case
    {
        int id;
        char const* text;
    };
    Case const cases[] = {
        {2450, "General Exception"},
        {2451, "Out of memory"},
        {2457, "Wrong or unknown PNG filter tag during decoding of an image"},
        {2459, "Action has been canceled"},
        {2464, "Could not write data to file"},
        {40000, "File directory full"},
        {40008, "Memory full (open) or file won't fit (load)"},
        {40014, "Directory is not empty (or: One or more files are open or File is busy )"},
        {40015, "Duplicate file name and version / Destination file already exists / File found instead of "
                "folder"},
        {40028, "non-hardware internal file system error"},
        {40041, "A file reference number does not correspond to a fork opened with the FSOpenFork, "
                "PBOpenForkSync , or PBOpenForkAsync functions"},
        {40044, "A parameter was expected to identify a folder, but it identified some other kind of object "
                "(e.g. a file) instead."},
        {40068, "Invalid path"},
        {40069, "Application root not found"},
        {40070, "Bundle reference not found"},
        {40074, "A UNIX System Error has occurred"},
        {40079, "Opening %1 in the application %2"},
        {40090, "URLs are not supported as path names"},
        {40091, "Internal error. Files are not locked. Please contact Zolvane Support "
                "(https://support.example.com/sendrix)."},
        {40094, "The application could not open %1 because the file was created by another user. Please ask "
                "your Administrator to change the permissions for this file."},
        {40100, "Application %1 is not opened"},
        {40106, "Application failed to execute the command"},
        {40150, "Target application was not listening"},
        {40155, "The message does not contain any data"},
        {40160, "Not enough space left for the specified write operation"},
        {40171, "Too many instances to the same shared memory object opened"},
        {40200, "The specified mutex could not be created"},
        {40207, "Could not release event"},
        {40250, "Could not load the specified framework bundle"},
        {40253,
         "System error, contact your System Administrator: \"The system lacked the necessary resources "
         "to create another thread, or the system-imposed limit on the total number of threads in a "
         "process would be exceeded.\""},
        {40256, "System error, contact your System Administrator: \"Error creating thread\""},
        {40270, "Random generator already initialised"},
        {40275, "Internal Cocoa file system error"},
        {40281, "Cannot find the file: Read permissions unavailable or the file may not exist"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.id);
        GSimpleException exception(c.id);
        EXPECT_EQ(Text(exception.GetDescription()), c.text);
        EXPECT_EQ(Full(exception), c.text);
    }
}

TEST_F(GExceptionMessagesTest, EveryRowIsRegisteredWhole)
{
    for (GStringPoolDataStruct const& row : GExceptionMessages::sRows)
    {
        SCOPED_TRACE(row.fID);
        EXPECT_EQ(Text(GSimpleException(row.fID).GetDescription()), row.fText);
    }
}

TEST_F(GExceptionMessagesTest, UnlistedIdKeepsItsIdAndReadsEmpty)
{
    for (int id : {2449, 2465, 40080, 40272, 40282})
    {
        SCOPED_TRACE(id);
        GSimpleException exception(id);
        EXPECT_EQ(exception.GetExceptionID(), id);
        EXPECT_EQ(Full(exception), "");
    }
}

TEST_F(GExceptionMessagesTest, SubclassesCarryTheirIds)
{
    GAbortException abort;
    EXPECT_EQ(abort.GetExceptionID(), 2459);
    EXPECT_EQ(Full(abort), "Action has been canceled");
    EXPECT_EQ(GException().GetExceptionID(), 2450);
    EXPECT_EQ(Full(GException()), "General Exception");
}

TEST_F(GExceptionContextTest, ContextPrefixesTheMessage)
{
    GString const file("/Users/anna/Documents/Brochure.indd");
    struct Case
    {
        char const* name;
        int context; // 0: a text context with file, -1: none
        int id;
        char const* full;
    };
    Case const cases[] = {
        {"no context", -1, 40202, "Could not lock the mutex"},
        {"text context", 0, 40003, "/Users/anna/Documents/Brochure.indd: I/O error"},
        {"id context", 2454, 2453, "Could not read data from file: Unexpected end of data"},
        {"id context with placeholders left", 40075, 40012, "Moving %1 to %2: File is locked"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::string full, description;
        auto make = [&]
        {
            GSimpleException exception(c.id);
            full = Full(exception);
            description = Text(exception.GetDescription());
        };
        if (c.context < 0)
            make();
        else if (c.context == 0)
        {
            GExceptionLocation location(file);
            make();
        }
        else
        {
            GExceptionLocation location(c.context);
            make();
        }
        EXPECT_EQ(full, c.full);
        EXPECT_EQ(description, Text(GSimpleException(c.id).GetDescription()))
            << "the description has no context";
    }
}

TEST_F(GExceptionContextTest, PathContextsNameThePathsInNativeForm)
{
    GPathName source("/Users/anna/./Brochure.indd");
    GPathName const target("/Volumes/Archive/Brochure.indd");
    {
        GExceptionLocation location(source);
        EXPECT_EQ(Full(GSimpleException(40012)), "/Users/anna/Brochure.indd: File is locked");
        // The path is read when the exception is made, not when the scope began.
        source.ReplaceLeaf(GString("Flyer.indd"));
        EXPECT_EQ(Full(GSimpleException(40012)), "/Users/anna/Flyer.indd: File is locked");
    }
    {
        GExceptionLocation location(40075, source, target);
        EXPECT_EQ(Full(GSimpleException(40015)),
                  "Moving /Users/anna/Flyer.indd to /Volumes/Archive/Brochure.indd: Duplicate file name and "
                  "version / Destination file already exists / File found instead of folder");
    }
    EXPECT_EQ(Full(GSimpleException(40012)), "File is locked");
}

TEST_F(GExceptionContextTest, OnlyTheInnermostContextIsShown)
{
    GString const outerText("Export.pdf");
    GString const innerText("fonts");
    GExceptionLocation outer(outerText);
    {
        GExceptionLocation middle(2454);
        {
            GExceptionLocation inner(innerText);
            EXPECT_EQ(Full(GSimpleException(40009)), "fonts: Too many files open");
        }
        EXPECT_EQ(Full(GSimpleException(40009)), "Could not read data from file: Too many files open");
    }
    EXPECT_EQ(Full(GSimpleException(40009)), "Export.pdf: Too many files open");
}

TEST_F(GExceptionContextTest, TextIsReadWhenTheExceptionIsMade)
{
    GString name("first.txt");
    GExceptionLocation location(name);
    name = GString("second.txt");
    GSimpleException exception(40012);
    name = GString("third.txt");
    EXPECT_EQ(Full(exception), "second.txt: File is locked");
}

TEST_F(GExceptionContextTest, UnwindingPopsTheContext)
{
    GString const name("job.pdf");
    try
    {
        GExceptionLocation location(name);
        throw GSimpleException(2464);
    }
    catch (GException const& caught)
    {
        EXPECT_EQ(Full(caught), "job.pdf: Could not write data to file");
    }
    EXPECT_EQ(Full(GSimpleException(2464)), "Could not write data to file");
    EXPECT_EQ(Text(GExceptionLocation::GetLngDescription().GetReadableString()), "");
}

TEST_F(GExceptionContextTest, CopyRethrownOutsideTheScopeKeepsTheContext)
{
    GString const name("Catalog.indd");
    GString const elsewhere("elsewhere");
    try
    {
        try
        {
            GExceptionLocation location(name);
            throw GSimpleException(2453);
        }
        catch (GSimpleException const& caught)
        {
            GSimpleException copy(caught); // made after the scope has been left
            GExceptionLocation other(elsewhere);
            EXPECT_EQ(Full(copy), "Catalog.indd: Unexpected end of data");
            throw copy; // copied again, inside another context
        }
    }
    catch (GSimpleException const& again)
    {
        EXPECT_EQ(Full(again), "Catalog.indd: Unexpected end of data");
    }
}

TEST_F(GExceptionContextTest, AssignmentTakesIdAndContext)
{
    GString const name("a.txt");
    GSimpleException target(40001);
    {
        GExceptionLocation location(name);
        GSimpleException source(40003);
        target = source;
    }
    EXPECT_EQ(target.GetExceptionID(), 40003);
    EXPECT_EQ(Full(target), "a.txt: I/O error");
    target = GSimpleException(40001);
    EXPECT_EQ(Full(target), "Disk or volume full");
}

// Releases the others when all have arrived; each thread waits for everyone at each of its steps.
class Rendezvous
{
public:
    explicit Rendezvous(int n) : fLeft(n), fAll(fDone.get_future().share()) {}
    void Arrive()
    {
        if (--fLeft == 0)
            fDone.set_value();
        fAll.wait();
    }

private:
    std::atomic<int> fLeft;
    std::promise<void> fDone;
    std::shared_future<void> fAll;
};

TEST_F(GExceptionContextTest, ContextsStayWithTheirThread)
{
    constexpr int cThreads = 3;
    std::vector<std::string> seen(cThreads);
    std::vector<std::string> names = {"thread 0.pdf", "thread 1.pdf", "thread 2.pdf"};
    Rendezvous allPushed(cThreads);
    Rendezvous allThrown(cThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < cThreads; ++i)
        threads.emplace_back(
            [&, i]
            {
                GString const name(names[i].c_str());
                if (i == 0)
                {
                    // This thread has no context: the others' must not show.
                    allPushed.Arrive();
                    seen[i] = Full(GSimpleException(40202));
                    allThrown.Arrive();
                    return;
                }
                GExceptionLocation location(name);
                allPushed.Arrive();
                seen[i] = Full(GSimpleException(40202));
                allThrown.Arrive();
            });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(seen[0], "Could not lock the mutex");
    EXPECT_EQ(seen[1], "thread 1.pdf: Could not lock the mutex");
    EXPECT_EQ(seen[2], "thread 2.pdf: Could not lock the mutex");
}

// Made while this file is statically initialised, possibly before the library's own files are.
std::unique_ptr<GSimpleException> MakeDuringStaticInitialisation()
{
    GExceptionLocation location(2454);
    return std::make_unique<GSimpleException>(2453);
}
std::unique_ptr<GSimpleException> const sMadeDuringStaticInitialisation = MakeDuringStaticInitialisation();

TEST_F(GExceptionContextTest, ScopesWorkDuringStaticInitialisation)
{
    EXPECT_EQ(Full(*sMadeDuringStaticInitialisation),
              "Could not read data from file: Unexpected end of data");
    EXPECT_EQ(Full(GSimpleException(2453)), "Unexpected end of data") << "that scope was popped";
}

TEST_F(GExceptionContextTest, MemoryExceptionIsABadAllocWithoutContext)
{
    GString const name("big.tif");
    GExceptionLocation location(name);
    try
    {
        throw GMemoryException();
    }
    catch (std::bad_alloc const& caught)
    {
        EXPECT_STREQ(caught.what(), std::bad_alloc().what());
        auto const* exception = dynamic_cast<GMemoryException const*>(&caught);
        ASSERT_NE(exception, nullptr);
        EXPECT_EQ(exception->GetExceptionID(), 2451);
        EXPECT_EQ(Full(*exception), "Out of memory");
    }
}

TEST_F(GCustomExceptionTest, DescribesItselfByItsLiteralText)
{
    GString const name("render.log");
    GExceptionLocation location(name);
    GCustomException custom(40074, GString("Disk quota exceeded"));
    EXPECT_EQ(custom.GetExceptionID(), 40074);
    EXPECT_EQ(Text(custom.GetDescription()), "Disk quota exceeded");
    EXPECT_EQ(Full(custom), "render.log: Disk quota exceeded");

    GCustomException withoutText(40074);
    EXPECT_EQ(Text(withoutText.GetDescription()), "A UNIX System Error has occurred");
    // An empty literal would read as nothing at all; the id's message stands in.
    GCustomException emptyText(40275, GString(""));
    EXPECT_EQ(Text(emptyText.GetDescription()), "Internal Cocoa file system error");
}

TEST_F(GCustomExceptionTest, CopiesAndAssignmentsOwnTheirText)
{
    GString const name("in.pdf");
    auto* original = new GCustomException(40275, GString("The volume was ejected"));
    GCustomException copy(*original);
    GCustomException assigned(2450);
    {
        GExceptionLocation location(name);
        assigned = GCustomException(40276, GString("scoped"));
    }
    EXPECT_EQ(Full(assigned), "in.pdf: scoped");
    EXPECT_EQ(assigned.GetExceptionID(), 40276);

    assigned = *original;
    delete original; // the copies must not share its text
    EXPECT_EQ(Full(copy), "The volume was ejected");
    EXPECT_EQ(Full(assigned), "The volume was ejected");
    EXPECT_EQ(assigned.GetExceptionID(), 40275);

    GCustomException& alias = assigned;
    assigned = alias;
    EXPECT_EQ(Full(assigned), "The volume was ejected");

    assigned = GCustomException(40070);
    EXPECT_EQ(Full(assigned), "Bundle reference not found") << "assigning no text drops the old one";

    // Thrown and caught through the base, the override still describes it.
    try
    {
        throw copy;
    }
    catch (GException const& caught)
    {
        EXPECT_EQ(Text(caught.GetDescription()), "The volume was ejected");
    }
}

TEST_F(GCustomExceptionTest, SystemExceptionReadsTheSystemText)
{
    for (int number : {ENOENT, EACCES, ENOSPC, 99999})
    {
        SCOPED_TRACE(number);
        std::string const expected = std::strerror(number);
        errno = EINTR;
        PUNIXSystemException exception(number);
        EXPECT_EQ(errno, EINTR) << "the caller's errno is kept";
        EXPECT_EQ(exception.GetExceptionID(), 40074);
        EXPECT_EQ(exception.GetSystemErrorCode(), number);
        EXPECT_EQ(Text(exception.GetDescription()), expected);
    }
    try
    {
        throw PUNIXSystemException(EPERM);
    }
    catch (GCustomException const& caught)
    {
        EXPECT_EQ(Full(caught), std::strerror(EPERM));
    }
}

// A context of the test's own kind on this thread's stack for the scope, as GExceptionLocation
// keeps its kinds.
class TestLocation
{
public:
    explicit TestLocation(GExceptionContext* context) { GExceptionLocation::ContextStack().AddItem(context); }
    ~TestLocation()
    {
        GTable<GExceptionContext*>* stack = GExceptionLocation::ContextStack().Instance();
        GExceptionContext* top = (*stack)[stack->GetCount() - 1];
        stack->RemoveLastItem();
        delete top;
    }
    TestLocation(TestLocation const&) = delete;
    TestLocation& operator=(TestLocation const&) = delete;
};

// Describing it runs out of memory the way operator new does when the heap is exhausted: it calls
// the installed new-handler and fails when that returns. It records the handler it found.
class OutOfMemoryContext : public GExceptionContext
{
public:
    GLngString GetLngDescription() const override
    {
        std::new_handler const handler = std::get_new_handler();
        if (handler != &GAllocator::NewHandler)
            fForeignHandlers.fetch_add(1);
        if (handler)
            handler();
        throw std::bad_alloc();
    }

    mutable std::atomic<int> fForeignHandlers{0};
};

// Describing it fails with an exception of its own: a failed lock of the stack would throw a
// GSimpleException, and code below the description may throw anything.
class FailingContext : public GExceptionContext
{
public:
    explicit FailingContext(void (*fail)()) : fFail(fail) {}
    GLngString GetLngDescription() const override
    {
        fFail();
        return GLngString();
    }

private:
    void (*fFail)();
};

// Counts the allocator's low-memory signals and tells it that memory was freed, so that a handler
// that gets this far returns and takes its reserve again.
class LowMemoryCounter : public GReceiver<GEmptyMessage>
{
public:
    LowMemoryCounter() { Subscribe(102); }
    void Receive(int, GEmptyMessage const&) override
    {
        fCalls.fetch_add(1);
        GAllocator::GetInstance()->SetMoreMemoryFree(true);
    }
    std::atomic<int> fCalls{0};
};

TEST_F(GExceptionCaptureTest, OutOfMemoryWhileCapturingLeavesTheContextEmpty)
{
    GAllocator::GetInstance();
    ASSERT_EQ(std::get_new_handler(), &GAllocator::NewHandler);
    void* const reserve = GAllocator::GetReservedBuffer();
    ASSERT_NE(reserve, nullptr);
    LowMemoryCounter lowMemory;

    auto* context = new OutOfMemoryContext;
    TestLocation location(context);
    std::string full;
    EXPECT_NO_THROW(full = Full(GSimpleException(40003)));
    EXPECT_EQ(full, "I/O error");
    EXPECT_EQ(context->fForeignHandlers.load(), 0)
        << "the process's new-handler was swapped during the capture";
    EXPECT_EQ(lowMemory.fCalls.load(), 0) << "the capture entered the allocator's low-memory handling";
    EXPECT_EQ(GAllocator::GetReservedBuffer(), reserve);
    EXPECT_EQ(std::get_new_handler(), &GAllocator::NewHandler);

    // The same failure outside a capture does reach the low-memory handling.
    EXPECT_THROW(context->GetLngDescription(), std::bad_alloc);
    EXPECT_EQ(lowMemory.fCalls.load(), 1);
}

TEST_F(GExceptionCaptureTest, ExceptionFromTheCaptureLeavesTheContextEmpty)
{
    struct Case
    {
        char const* name;
        void (*fail)();
    };
    Case const cases[] = {
        {"GSimpleException", [] { throw GSimpleException(40202); }},
        {"std::runtime_error", [] { throw std::runtime_error("described badly"); }},
        {"int", [] { throw 7; }},
    };
    GString const next("next.txt");
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.name);
        {
            TestLocation location(new FailingContext(c.fail));
            std::string full;
            EXPECT_NO_THROW(full = Full(GSimpleException(40012)));
            EXPECT_EQ(full, "File is locked");
        }
        // The failed capture left the thread able to capture again.
        GExceptionLocation location(next);
        EXPECT_EQ(Full(GSimpleException(40012)), "next.txt: File is locked");
    }
}

TEST_F(GExceptionCaptureTest, ThreadsCapturingAtOnceLeaveTheNewHandlerAlone)
{
    GAllocator::GetInstance();
    std::new_handler const before = std::get_new_handler();
    ASSERT_EQ(before, &GAllocator::NewHandler);
    constexpr int cThreads = 4;
    constexpr int cRounds = 500;
    std::atomic<int> foreign{0};
    std::atomic<int> withContext{0};
    Rendezvous start(cThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < cThreads; ++i)
        threads.emplace_back(
            [&, i]
            {
                auto* failing = new OutOfMemoryContext;
                TestLocation outer(failing);
                GString const name(i % 2 ? "odd" : "even");
                start.Arrive();
                for (int round = 0; round < cRounds; ++round)
                {
                    if (round % 2)
                    {
                        GExceptionLocation inner(name);
                        if (Full(GSimpleException(40003)) == Text(name) + ": I/O error")
                            withContext.fetch_add(1);
                    }
                    else
                        Full(GSimpleException(40003));
                }
                foreign.fetch_add(failing->fForeignHandlers.load());
            });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(foreign.load(), 0) << "a capture saw another handler than the allocator's";
    EXPECT_EQ(withContext.load(), cThreads * cRounds / 2);
    EXPECT_EQ(std::get_new_handler(), before);
}
} // namespace
