// Reading and writing files through streams: shared files with their own positions, lengths, skips,
// truncation, whole-file locks between processes, and writes that reach the file whole or fail.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdarg>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>

#include "ChildProcess.h"
#include "ChildShared.h"
#include "ErrorOf.h"
#include "FileTree.h"
#include "GAutoPtr.h"
#include "GBuffer.h"
#include "GFileInStream.h"
#include "GFileOutStream.h"
#include "GFileSystem.h"
#include "GStringPool.h"
#include "PUNIXFileSystemImp.h"
#include "PUNIXSystemException.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

namespace
{
// While not 0, fcntl refuses every lock and every question about locks with this error (see
// LockFailure below).
int sLockFailure = 0;
} // namespace

// The record locks of the system, as a full lock table or a failed lock manager leaves them when
// a test asks for it; otherwise the system's own. Releases always pass.
extern "C" int fcntl(int descriptor, int command, ...)
{
    std::va_list arguments;
    va_start(arguments, command);
    void* const argument = va_arg(arguments, void*);
    va_end(arguments);
    using Call = int (*)(int, int, ...);
    static Call const sSystemCall = reinterpret_cast<Call>(dlsym(RTLD_NEXT, "fcntl"));
    bool const aboutLocks = command == F_SETLK || command == F_SETLKW || command == F_GETLK ||
                            command == F_OFD_SETLK || command == F_OFD_SETLKW || command == F_OFD_GETLK;
    if (aboutLocks && sLockFailure != 0 && static_cast<struct flock const*>(argument)->l_type != F_UNLCK)
    {
        errno = sLockFailure;
        return -1;
    }
    return sSystemCall(descriptor, command, argument);
}

namespace
{
using testsupport::ChildProcess;
using testsupport::ChildShared;
using testsupport::PathOf;
using testsupport::ReadFile;
using testsupport::WriteFile;

std::string Text(GBuffer const& bytes)
{
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()), static_cast<std::size_t>(bytes.GetLength()));
}

GBuffer Bytes(std::string const& text)
{
    return GBuffer(reinterpret_cast<unsigned char const*>(text.data()), static_cast<int>(text.size()));
}

// The system error of the PUNIXSystemException an operation throws; 0 when it throws none.
template<class Operation>
int SystemErrorOf(Operation operation)
{
    try
    {
        operation();
    }
    catch (PUNIXSystemException const& exception)
    {
        return exception.GetSystemErrorCode();
    }
    return 0;
}

// While one lives, fcntl refuses every lock and every question about locks with the error given,
// as the system does when it cannot lock.
class LockFailure
{
public:
    explicit LockFailure(int error) { sLockFailure = error; }
    ~LockFailure() { sLockFailure = 0; }
    LockFailure(LockFailure const&) = delete;
    LockFailure& operator=(LockFailure const&) = delete;
};

class GFileStreamTest : public ::testing::Test
{
protected:
    GPathName At(std::string const& name) const { return PathOf(fRoot / name); }
    fs::path Fs(std::string const& name) const { return fRoot / name; }

    testsupport::TempFolder fRoot{"sendrix-streams"};
};
} // namespace

TEST_F(GFileStreamTest, ClonesReadTheFileEachFromItsOwnPosition)
{
    WriteFile(Fs("f"), "abcdefghij");
    GFileInStream first(At("f"));
    GBuffer out;
    ASSERT_EQ(first.Read(out, 3), 3);
    EXPECT_EQ(Text(out), "abc");
    GInStream* const clone = first.CreateClone();
    ASSERT_EQ(clone->Read(out, 2), 2);
    EXPECT_EQ(Text(out), "de");
    ASSERT_EQ(first.Read(out, 2), 2);
    EXPECT_EQ(Text(out), "de") << "the first stream goes on from where it stood";
    ASSERT_EQ(clone->Read(out, 10), 5);
    EXPECT_EQ(Text(out), "fghij");
    ASSERT_EQ(first.Read(out, 1), 1);
    EXPECT_EQ(Text(out), "f");
    delete clone;
    ASSERT_EQ(first.Read(out, 1), 1);
    EXPECT_EQ(Text(out), "g");
}

TEST_F(GFileStreamTest, ReadingAtTheEndGivesMinusOneAndSkipsStopThere)
{
    WriteFile(Fs("f"), "12345");
    GFileInStream in(At("f"));
    EXPECT_EQ(in.GetLength(), 5);
    EXPECT_EQ(in.Skip(3), 3);
    EXPECT_EQ(in.Skip(10), 2);
    EXPECT_EQ(in.Skip(-4), 0);
    GBuffer out;
    EXPECT_EQ(in.Read(out, 4), -1);
    EXPECT_EQ(in.GetPos(), 5);
    in.Reset();
    ASSERT_EQ(in.Read(out, 4), 4);
    EXPECT_EQ(Text(out), "1234");
    EXPECT_EQ(in.Read(out, 0), -1);
}

TEST_F(GFileStreamTest, AMissingFileCannotBeReadAndTheErrorNamesIt)
{
    GStringPool::Initialize();
    GException::Initialize();
    try
    {
        GFileInStream in(At("missing"));
        ADD_FAILURE() << "nothing thrown";
    }
    catch (PUNIXSystemException const& exception)
    {
        EXPECT_EQ(exception.GetSystemErrorCode(), ENOENT);
        std::string const full = testsupport::Utf8Of(exception.GetFullDescription());
        EXPECT_EQ(full.find(Fs("missing").string() + ": "), 0u) << full;
    }
    GStringPool::Finalize();
}

TEST_F(GFileStreamTest, WritingWithTruncationLeavesOnlyWhatIsWritten)
{
    WriteFile(Fs("f"), "a much longer old content");
    {
        GFileOutStream out(At("f"), true);
        EXPECT_EQ(out.Write(Bytes("new")), 3);
        EXPECT_EQ(out.GetLength(), 3);
    }
    EXPECT_EQ(ReadFile(Fs("f")), "new");
    {
        GFileOutStream out(At("f"), false);
        out.Write(Bytes("N"));
    }
    EXPECT_EQ(ReadFile(Fs("f")), "New");
}

TEST_F(GFileStreamTest, WritingANewFileMakesItsFolders)
{
    {
        GFileOutStream out(At("a/b/new.txt"), true);
        out.Write(Bytes("text"));
    }
    EXPECT_EQ(ReadFile(Fs("a/b/new.txt")), "text");
}

TEST_F(GFileStreamTest, SkippingWhileWritingLeavesAGap)
{
    {
        GFileOutStream out(At("gap"), true);
        EXPECT_EQ(out.Skip(10), 10);
        out.Write(Bytes("x"));
        EXPECT_EQ(out.GetLength(), 11);
        out.Reset();
        out.Write(Bytes("y"));
    }
    std::string const content = ReadFile(Fs("gap"));
    ASSERT_EQ(content.size(), 11u);
    EXPECT_EQ(content.front(), 'y');
    EXPECT_EQ(content.back(), 'x');
}

TEST_F(GFileStreamTest, TheLengthOfAFileWithoutADescriptorComesFromTheFileSystem)
{
    GFileInStream::File absent(At("missing"), false);
    EXPECT_EQ(absent.GetLength(), -1);
    WriteFile(Fs("f"), "123456");
    GFileInStream::File present(At("f"), false);
    EXPECT_EQ(present.GetLength(), 6);
    present.OpenWith(PUNIXFileImp::cRead);
    GBuffer out;
    present.Read(out, 2);
    EXPECT_EQ(present.GetLength(), 6);
    EXPECT_EQ(present.GetFilePosition(), 2) << "measuring leaves the descriptor where it was";
}

TEST_F(GFileStreamTest, AFileLockedByAnotherProcessIsRefusedAndKeptWhole)
{
    WriteFile(Fs("f"), "precious");
    GPathName const path = At("f");
    ChildProcess reader(
        [&](ChildProcess::Child const& child)
        {
            GFileInStream in(path);
            child.Tell('R');
            child.Await();
            return 0;
        });
    ASSERT_EQ(reader.Await(), 'R');
    EXPECT_NE(testsupport::ErrorOf([&] { GFileOutStream out(path, true); }), 0);
    EXPECT_EQ(ReadFile(Fs("f")), "precious") << "a refused open must not empty the file";
    EXPECT_NO_THROW(GFileInStream shared(path)) << "readers share the file";
    EXPECT_EQ(reader.Wait(), 0);
    EXPECT_NO_THROW(GFileOutStream out(path, true));
}

TEST_F(GFileStreamTest, AWriteLockSurvivesThisProcessOpeningAndClosingTheFile)
{
    WriteFile(Fs("f"), "kept");
    GPathName const path = At("f");
    GFileOutStream writer(path, false);
    // The process opens and closes the file in other ways meanwhile: an in-use test, a stream of
    // its own, a plain descriptor. A lock of the process's own would go with the first close.
    EXPECT_FALSE(GFileSystem::FileInUse(path)) << "the process's own lock keeps others off, not itself";
    {
        GFileInStream reader(path);
    }
    { std::ifstream(Fs("f")).get(); }
    ChildProcess other(
        [&](ChildProcess::Child const&)
        {
            if (!GFileSystem::FileInUse(path))
                return 2;
            return testsupport::ErrorOf([&] { GFileOutStream out(path, true); }) != 0 ? 0 : 1;
        });
    EXPECT_EQ(other.Wait(), 0) << "another process opened the file while this one held it (2: saw it unused)";
    EXPECT_EQ(ReadFile(Fs("f")), "kept");
}

TEST_F(GFileStreamTest, ThisProcessOpensItsOwnLockedFileAgainWhileOthersAreKeptOff)
{
    WriteFile(Fs("f"), "0123456789");
    GPathName const path = At("f");
    // What another process may do with the file now: read it, write it, see it in use.
    auto const othersMay = [&]
    {
        ChildProcess other(
            [&](ChildProcess::Child const&)
            {
                int const read = testsupport::ErrorOf([&] { GFileInStream in(path); }) == 0 ? 1 : 0;
                int const write = testsupport::ErrorOf([&] { GFileOutStream out(path, false); }) == 0 ? 2 : 0;
                int const inUse = GFileSystem::FileInUse(path) ? 4 : 0;
                return read | write | inUse;
            });
        return other.Wait();
    };
    GAutoPtr<GFileInStream> reader(new GFileInStream(path));
    EXPECT_EQ(othersMay(), 1 | 4) << "a reader lets others read";
    {
        // Read and written by this process at once, by two writers even.
        GFileOutStream writer(path, false);
        EXPECT_EQ(writer.Write(Bytes("ab")), 2);
        GFileOutStream second(path, false);
        EXPECT_FALSE(GFileSystem::FileInUse(path));
        GBuffer out;
        ASSERT_EQ(reader->Read(out, 4), 4);
        EXPECT_EQ(Text(out), "ab23");
        EXPECT_EQ(othersMay(), 4) << "a writer keeps others from reading and writing";
    }
    EXPECT_EQ(othersMay(), 1 | 4) << "with the writers gone the reader still keeps others from writing";
    reader.Reset();
    EXPECT_EQ(othersMay(), 1 | 2) << "nothing is held once every stream is closed";
    EXPECT_EQ(ReadFile(Fs("f")), "ab23456789");
}

TEST_F(GFileStreamTest, AReaderThatOpensItsFileForWritingKeepsItsLockAllTheWay)
{
    // A reader of this process opens its file for writing, and closes the writer again, while
    // another process tries to lock the whole file for writing as fast as it can. The reader holds
    // the file from its open to its close, so the other process must never get it, and the writer
    // must never be refused.
    WriteFile(Fs("f"), "precious");
    GPathName const path = At("f");
    std::string const native = Fs("f").string();
    struct Shared
    {
        // Odd while a round of this process holds a reader of the file.
        std::atomic<unsigned> fRound;
        std::atomic<int> fStop;
        std::atomic<int> fTaken;
    };
    ChildShared<Shared> const shared;
    ChildProcess other(
        [&](ChildProcess::Child const& child)
        {
            int const descriptor = open(native.c_str(), O_RDWR | O_CLOEXEC);
            if (descriptor < 0)
                return 2;
            child.Tell('R');
            while (shared->fStop.load() == 0)
            {
                unsigned const round = shared->fRound.load();
                if (round % 2 == 0)
                    continue;
                struct flock lock = {};
                lock.l_type = F_WRLCK;
                lock.l_whence = SEEK_SET;
                if (fcntl(descriptor, F_SETLK, &lock) != 0)
                    continue;
                // Taken while the round that began before the attempt still held its reader.
                if (shared->fRound.load() == round)
                    shared->fTaken.fetch_add(1);
                lock.l_type = F_UNLCK;
                fcntl(descriptor, F_SETLK, &lock);
            }
            return 0;
        });
    // Whatever ends the test, the other process stops.
    struct Stop
    {
        Shared* fShared;
        ~Stop() { fShared->fStop.store(1); }
    } const stop{shared.Get()};
    ASSERT_EQ(other.Await(), 'R');
    int refused = 0;
    auto const deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    for (int round = 0; round < 5000 && shared->fTaken.load() == 0 && std::chrono::steady_clock::now() < deadline;
         ++round)
    {
        // Between rounds the other process may hold the file for a moment: the reader waits for it.
        GAutoPtr<GFileInStream> reader;
        while (!reader.Get())
        {
            try
            {
                reader.Reset(new GFileInStream(path));
            }
            catch (GException const&) // held by the other process just now
            {
            }
        }
        shared->fRound.fetch_add(1);
        refused += testsupport::ErrorOf([&] { GFileOutStream writer(path, false); }) != 0 ? 1 : 0;
        shared->fRound.fetch_add(1);
    }
    shared->fStop.store(1);
    EXPECT_EQ(other.Wait(), 0);
    EXPECT_EQ(shared->fTaken.load(), 0) << "another process locked the file while a reader held it";
    EXPECT_EQ(refused, 0) << "the reader's own writer was refused";
    EXPECT_EQ(ReadFile(Fs("f")), "precious");
}

TEST_F(GFileStreamTest, ALockThatCannotBeTakenRefusesTheOpenAndKeepsTheFileWhole)
{
    // No file system here fails a lock so, so fcntl answers as a full lock table or a failed lock
    // manager (ENOLCK) would, and as a file system without record locks (EOPNOTSUPP) does: only
    // the last means that nobody can hold the file.
    GPathName const path = At("f");
    struct Case
    {
        char const* fLabel;
        int fError;
        bool fOpens;
    };
    Case const cases[] = {{"no lock to be had", ENOLCK, false}, {"no record locks at all", EOPNOTSUPP, true}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        WriteFile(Fs("f"), "precious");
        LockFailure const failing(c.fError);
        EXPECT_EQ(SystemErrorOf([&] { GFileOutStream out(path, true); }), c.fOpens ? 0 : c.fError);
        EXPECT_EQ(SystemErrorOf([&] { GFileInStream in(path); }), c.fOpens ? 0 : c.fError);
        EXPECT_EQ(ReadFile(Fs("f")), c.fOpens ? "" : "precious");
        bool inUse = true;
        EXPECT_EQ(SystemErrorOf([&] { inUse = GFileSystem::FileInUse(path); }), c.fOpens ? 0 : c.fError);
        if (c.fOpens)
        {
            EXPECT_FALSE(inUse);
        }
    }
}

TEST_F(GFileStreamTest, AskingTheLengthKeepsThePlaceASkipWentTo)
{
    {
        GFileOutStream out(At("gap"), true);
        EXPECT_EQ(out.Skip(10), 10);
        EXPECT_EQ(out.GetLength(), 0);
        out.Write(Bytes("x"));
        EXPECT_EQ(out.GetLength(), 11);
    }
    std::string const content = ReadFile(Fs("gap"));
    ASSERT_EQ(content.size(), 11u);
    EXPECT_EQ(content.back(), 'x');

    WriteFile(Fs("f"), "0123456789");
    {
        GFileOutStream out(At("f"), false);
        out.Skip(4);
        EXPECT_EQ(out.GetLength(), 10);
        out.Write(Bytes("ab"));
    }
    EXPECT_EQ(ReadFile(Fs("f")), "0123ab6789");
}

TEST_F(GFileStreamTest, AShortWriteIsResumedAndAFailedOneReported)
{
    GPathName const path = At("limited");
    // In a child: the file may grow to 10 bytes only, so a write of 16 stops short and then fails.
    ChildProcess child(
        [&](ChildProcess::Child const&)
        {
            std::signal(SIGXFSZ, SIG_IGN);
            GFileOutStream out(path, true);
            rlimit const limit{10, 10};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return 3;
            bool failed = false;
            try
            {
                out.Write(Bytes("0123456789ABCDEF"));
            }
            catch (PUNIXSystemException const& exception)
            {
                failed = exception.GetSystemErrorCode() == EFBIG;
            }
            if (!failed)
                return 1;
            return out.GetFile()->GetCachedPos() == 10 ? 0 : 2;
        });
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_EQ(ReadFile(Fs("limited")), "0123456789");

    {
        GFileOutStream out(path, true);
        std::string const big(5 * 1024 * 1024, 'z');
        EXPECT_EQ(out.Write(Bytes(big)), static_cast<int>(big.size()));
    }
    EXPECT_EQ(fs::file_size(Fs("limited")), 5u * 1024 * 1024);
}

TEST(PUNIXFileSystemImpTest, AFailureWithoutAnErrorNumberThrowsNothing)
{
    errno = 0;
    EXPECT_NO_THROW(PUNIXFileSystemImp::CheckErrno(false));
    errno = EACCES;
    EXPECT_THROW(PUNIXFileSystemImp::CheckErrno(false), PUNIXSystemException);
    EXPECT_NO_THROW(PUNIXFileSystemImp::CheckErrno(true));
}
