// Lock files between processes: shared and exclusive locks, waiting for a holder, and what a lock
// file allows while it is held.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "ChildProcess.h"
#include "ErrorOf.h"
#include "FileTree.h"
#include "GLockByFile.h"
#include "GLockFile.h"
#include "OtherUser.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

namespace
{
using testsupport::ChildProcess;
using testsupport::ErrorOf;
using testsupport::PathOf;

class GLockFileTest : public ::testing::Test
{
protected:
    GPathName Lock() const { return PathOf(fRoot / "shared.prefslock"); }

    // A child that holds the lock of that type until told to let go.
    std::unique_ptr<ChildProcess> Holder(GLockFile::LockType type) const
    {
        GPathName const path = Lock();
        auto holder = std::make_unique<ChildProcess>(
            [path, type](ChildProcess::Child const& child)
            {
                GLockFile lock(path);
                child.Tell(lock.Lock(type) ? 'L' : 'N');
                child.Await();
                lock.UnLock();
                child.Tell('U');
                child.Await();
                return 0;
            });
        return holder;
    }

    testsupport::TempFolder fRoot{"sendrix-locks"};
};
} // namespace

TEST_F(GLockFileTest, ReadersShareTheLock)
{
    auto const holder = Holder(GLockFile::cShared);
    ASSERT_EQ(holder->Await(), 'L');
    GLockFile lock(Lock());
    EXPECT_TRUE(lock.Lock(GLockFile::cShared));
    GLockFile writer(Lock());
    EXPECT_FALSE(writer.Lock(GLockFile::cExclusive)) << "another process reads";
}

TEST_F(GLockFileTest, AWriterExcludesEveryoneElse)
{
    auto const holder = Holder(GLockFile::cExclusive);
    ASSERT_EQ(holder->Await(), 'L');
    GLockFile lock(Lock());
    EXPECT_FALSE(lock.Lock(GLockFile::cShared));
    EXPECT_FALSE(lock.Lock(GLockFile::cExclusive));
    EXPECT_FALSE(lock.IsLocked(GLockFile::cShared));
    GLockByFile const tried(Lock(), GLockFile::cShared, false);
    EXPECT_FALSE(tried.HasLock());
}

TEST_F(GLockFileTest, AWaitingScopeLockGetsTheLockOnceTheHolderLetsGo)
{
    auto const holder = Holder(GLockFile::cExclusive);
    ASSERT_EQ(holder->Await(), 'L');
    std::atomic<bool> released{false};
    std::thread releaser(
        [&]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            released = true;
            holder->Tell('g');
        });
    GLockByFile const waited(Lock(), GLockFile::cExclusive, true);
    EXPECT_TRUE(waited.HasLock());
    EXPECT_TRUE(released) << "the lock came before the holder let go";
    releaser.join();
}

TEST_F(GLockFileTest, LockingCreatesTheLockFile)
{
    EXPECT_FALSE(fs::exists(fRoot / "shared.prefslock"));
    GLockFile lock(Lock());
    EXPECT_TRUE(lock.Lock(GLockFile::cShared));
    EXPECT_TRUE(fs::is_regular_file(fRoot / "shared.prefslock"));
    EXPECT_EQ(fs::file_size(fRoot / "shared.prefslock"), 0u);
}

TEST_F(GLockFileTest, AHeldLockIsNeitherTakenTwiceNorChanged)
{
    GLockFile lock(Lock());
    EXPECT_TRUE(lock.Lock(GLockFile::cShared));
    EXPECT_FALSE(lock.Lock(GLockFile::cShared));
    EXPECT_FALSE(lock.Lock(GLockFile::cExclusive));
    EXPECT_TRUE(lock.IsLocked(GLockFile::cShared));
    EXPECT_FALSE(lock.IsLocked(GLockFile::cExclusive));
    lock.UnLock();
    EXPECT_TRUE(lock.Lock(GLockFile::cExclusive));
    EXPECT_TRUE(lock.IsLocked(GLockFile::cShared));
    EXPECT_TRUE(lock.IsLocked(GLockFile::cExclusive));
    lock.UnLock();
    EXPECT_FALSE(lock.IsLocked(GLockFile::cShared));
    EXPECT_FALSE(lock.IsLocked(GLockFile::cExclusive));
    EXPECT_FALSE(lock.Lock(static_cast<GLockFile::LockType>(3)));
}

TEST_F(GLockFileTest, TheLockFileGoesOnlyWhenNothingIsHeld)
{
    GLockFile lock(Lock());
    lock.Lock(GLockFile::cExclusive);
    EXPECT_EQ(ErrorOf([&] { lock.DeleteFile(); }), 40093);
    EXPECT_TRUE(fs::exists(fRoot / "shared.prefslock"));
    lock.UnLock();
    lock.DeleteFile();
    EXPECT_FALSE(fs::exists(fRoot / "shared.prefslock"));
    EXPECT_NO_THROW(lock.DeleteFile());
}

TEST_F(GLockFileTest, ACopyLocksTheSameFileButHoldsNothing)
{
    GLockFile lock(Lock());
    lock.Lock(GLockFile::cExclusive);
    GLockFile const copy(lock);
    EXPECT_EQ(copy.GetLockFileSpec(), Lock());
    EXPECT_FALSE(copy.IsLocked(GLockFile::cShared));
    EXPECT_TRUE(lock.IsLocked(GLockFile::cExclusive));
}

TEST_F(GLockFileTest, ALockFileThatCannotBeOpenedIsReported)
{
    fs::permissions(fRoot.Path(), fs::perms(0755));
    testsupport::WriteFile(fRoot / "readonly.prefslock", "");
    fs::permissions(fRoot / "readonly.prefslock", fs::perms(0444));
    GPathName const path = PathOf(fRoot / "readonly.prefslock");
    // The lock file is not the other user's: it may read it, not write it.
    EXPECT_TRUE(testsupport::RunsAsOtherUser(fRoot / "unrelated",
                                             [&] { return ErrorOf([&] { GLockByFile lock(path, GLockFile::cShared, true); }) == 40092; }));
}

TEST_F(GLockFileTest, ALockTakenOnALaterTryIsKept)
{
    auto const holder = Holder(GLockFile::cExclusive);
    ASSERT_EQ(holder->Await(), 'L');
    GLockFile lock(Lock());
    EXPECT_FALSE(lock.Lock(GLockFile::cExclusive));
    holder->Tell('g');
    ASSERT_EQ(holder->Await(), 'U');
    ASSERT_TRUE(lock.Lock(GLockFile::cExclusive));
    // The descriptor of the first try is gone by now; the lock must not have gone with it.
    GPathName const path = Lock();
    ChildProcess other(
        [path](ChildProcess::Child const&)
        {
            GLockFile mine(path);
            return mine.Lock(GLockFile::cShared) ? 1 : 0;
        });
    EXPECT_EQ(other.Wait(), 0) << "another process took the lock this one holds";
}

TEST_F(GLockFileTest, AScopeLockWhoseReleaseIsRefusedGoesWithoutThrowing)
{
    // The descriptor that carries the lock is closed behind the lock's back, so that the release at
    // the end of the scope is refused. In a child: a destructor that threw would end the process.
    GPathName const path = Lock();
    fs::path const file = fRoot / "shared.prefslock";
    ChildProcess child(
        [&](ChildProcess::Child const&)
        {
            {
                GLockByFile lock(path, GLockFile::cExclusive, false);
                if (!lock.HasLock())
                    return 2;
                std::vector<int> descriptors;
                for (fs::directory_entry const& entry : fs::directory_iterator("/proc/self/fd"))
                {
                    std::error_code error;
                    if (fs::read_symlink(entry.path(), error) == file)
                        descriptors.push_back(std::stoi(entry.path().filename().string()));
                }
                if (descriptors.empty())
                    return 3;
                for (int descriptor : descriptors)
                    close(descriptor);
            }
            return 0;
        });
    EXPECT_EQ(child.Wait(), 0) << "2: no lock, 3: no descriptor found, -1: the process ended abnormally";
}
