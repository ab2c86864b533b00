// The metadata search: what it finds in its folders, that it finishes only through the run loop of
// the thread that started it, and the notification centre that tells its end.
#include "MetadataQueryStandIn.h"
#include "TempFolder.h"
#include "macos/CFRunLoopStandIn.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using testing::ElementsAre;
using testing::IsEmpty;

namespace
{
std::string UTF8Of(CFTypeRef text)
{
    return CFStringStandInGetUTF8(static_cast<CFStringRef>(text));
}

void MakeBundle(fs::path const& folder, std::string const& identifier)
{
    fs::create_directories(folder / "Contents");
    std::ofstream(folder / "Contents/Info.plist")
        << "<plist><dict><key>CFBundleIdentifier</key><string>" << identifier << "</string></dict></plist>";
}

class MetadataQueryTest : public ::testing::Test
{
protected:
    MetadataQueryTest()
    {
        fQuery->setPredicate(NSPredicate::predicateWithFormat(CFSTR("kMDItemCFBundleIdentifier == %@"),
                                                              CFSTR("com.adobe.InDesign")));
    }
    ~MetadataQueryTest() override
    {
        CFRelease(fQuery);
        NSMetadataQueryStandInSetSearchFolders(nullptr);
        fPool->drain();
    }

    void SearchIn(std::vector<std::string> const& folders)
    {
        NSMetadataQueryStandInSetSearchFolders(&folders);
    }

    // Runs the run loop until the query has finished; false after a minute.
    bool RunUntilFinished()
    {
        auto const deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (fQuery->isGathering())
        {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.05, true);
        }
        return true;
    }

    std::vector<std::string> FoundPaths() const
    {
        std::vector<std::string> paths;
        for (NSUInteger i = 0; i < fQuery->resultCount(); ++i)
            paths.push_back(UTF8Of(fQuery->resultAtIndex(i)->valueForAttribute(kMDItemPath)));
        return paths;
    }

    NSAutoreleasePool* fPool = new NSAutoreleasePool;
    testsupport::TempFolder fTemp{"sendrix-query"};
    NSMetadataQuery* fQuery = new NSMetadataQuery;
};

TEST_F(MetadataQueryTest, FindsBundlesOfTheIdentifierInItsFoldersInNameOrder)
{
    fs::path const first = fTemp / "First";
    fs::path const second = fTemp / "Second";
    MakeBundle(second / "B.app", "com.adobe.InDesign");
    MakeBundle(first / "Adobe" / "Z.app", "com.adobe.InDesign");
    MakeBundle(first / "A.app", "com.adobe.InDesign");
    MakeBundle(first / "Other.app", "com.adobe.Photoshop");
    MakeBundle(first / "Case.app", "COM.ADOBE.INDESIGN");
    // Not looked into: bundles, hidden folders, symbolic links, folders too deep.
    MakeBundle(first / "A.app" / "Contents" / "Inner.app", "com.adobe.InDesign");
    MakeBundle(first / ".Hidden" / "H.app", "com.adobe.InDesign");
    fs::create_directory_symlink(first / "Adobe", first / "Linked");
    MakeBundle(first / "1" / "2" / "3" / "4" / "5" / "Five.app", "com.adobe.InDesign");
    MakeBundle(first / "1" / "2" / "3" / "4" / "5" / "6" / "Six.app", "com.adobe.InDesign");
    SearchIn({first.string(), second.string()});
    ASSERT_TRUE(fQuery->startQuery());
    ASSERT_TRUE(RunUntilFinished());
    EXPECT_THAT(FoundPaths(), ElementsAre((first / "1/2/3/4/5/Five.app").string(), (first / "A.app").string(),
                                          (first / "Adobe/Z.app").string(), (second / "B.app").string()));
    NSMetadataItem* const item = fQuery->resultAtIndex(0);
    EXPECT_EQ(UTF8Of(item->valueForAttribute(kMDItemFSName)), "Five.app");
    EXPECT_EQ(UTF8Of(item->valueForAttribute(kMDItemCFBundleIdentifier)), "com.adobe.InDesign");
    EXPECT_EQ(item->valueForAttribute(CFSTR("kMDItemVersion")), nullptr);
}

TEST_F(MetadataQueryTest, FinishesOnlyThroughTheRunLoopAndTellsItsObservers)
{
    MakeBundle(fTemp / "A.app", "com.adobe.InDesign");
    SearchIn({fTemp.String()});
    struct Observer
    {
        void Finished(NSNotification* notification)
        {
            fObjects.push_back(notification->object());
            fNames.push_back(UTF8Of(notification->name()));
        }
        std::vector<void const*> fObjects;
        std::vector<std::string> fNames;
    } observer;
    NSNotificationCenter::defaultCenter()->addObserver(
        &observer, &Observer::Finished, NSMetadataQueryDidFinishGatheringNotification, nullptr);
    ASSERT_TRUE(fQuery->startQuery());
    EXPECT_FALSE(fQuery->startQuery());
    // However long the walk has been done, nothing is told until the loop runs.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(fQuery->isGathering());
    EXPECT_THAT(observer.fObjects, IsEmpty());
    ASSERT_TRUE(RunUntilFinished());
    EXPECT_THAT(observer.fObjects, ElementsAre(fQuery));
    EXPECT_THAT(observer.fNames, ElementsAre("NSMetadataQueryDidFinishGatheringNotification"));
    EXPECT_EQ(fQuery->resultCount(), 1u);

    // Stopped, the query keeps its results and may start again.
    fQuery->stopQuery();
    EXPECT_EQ(fQuery->resultCount(), 1u);
    EXPECT_TRUE(fQuery->isStopped());
    ASSERT_TRUE(fQuery->startQuery());
    ASSERT_TRUE(RunUntilFinished());
    EXPECT_EQ(observer.fObjects.size(), 2u);

    // A query stopped while it gathers tells nothing.
    fQuery->stopQuery();
    ASSERT_TRUE(fQuery->startQuery());
    fQuery->stopQuery();
    CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.1, false);
    EXPECT_EQ(observer.fObjects.size(), 2u);
    EXPECT_EQ(fQuery->resultCount(), 0u);
    NSNotificationCenter::defaultCenter()->removeObserver(&observer);
}

TEST_F(MetadataQueryTest, FindsNothingWhenToldToOrWhereNothingIs)
{
    for (auto const& folders :
         {std::vector<std::string>{}, std::vector<std::string>{(fTemp / "Missing").string()}})
    {
        MakeBundle(fTemp / "A.app", "com.adobe.InDesign");
        SearchIn(folders);
        ASSERT_TRUE(fQuery->startQuery());
        ASSERT_TRUE(RunUntilFinished());
        EXPECT_EQ(fQuery->resultCount(), 0u);
        fQuery->stopQuery();
    }
}

TEST_F(MetadataQueryTest, KnowsOnlyAnEqualityWithOneArgument)
{
    struct Case
    {
        char const* fFormat;
        bool fKnown;
    };
    Case const cases[] = {
        {"kMDItemCFBundleIdentifier == %@", true},
        {"kMDItemPath==%@", true},
        {"kMDItemPath != %@", false},
        {"kMDItemPath == 'x'", false},
        {"== %@", false},
        {"kMDItemPath == %@ && kMDItemFSName == %@", false},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.fFormat);
        CFStringRef const format =
            CFStringCreateWithCString(kCFAllocatorDefault, test.fFormat, kCFStringEncodingUTF8);
        EXPECT_EQ(NSPredicate::predicateWithFormat(format, CFSTR("x")) != nullptr, test.fKnown);
        CFRelease(format);
    }
    NSMetadataQuery* const query = new NSMetadataQuery;
    EXPECT_FALSE(query->startQuery());
    CFRelease(query);
}

TEST(NotificationCenterTest, CallsObserversByNameAndSenderUntilRemoved)
{
    struct Observer
    {
        void Told(NSNotification* notification) { fTold.push_back(UTF8Of(notification->name())); }
        std::vector<std::string> fTold;
    } anyName, named, fromOne;
    int const sender = 0;
    NSNotificationCenter* const center = NSNotificationCenter::defaultCenter();
    center->addObserver(&anyName, &Observer::Told, nullptr, nullptr);
    center->addObserver(&named, &Observer::Told, CFSTR("A"), nullptr);
    center->addObserver(&fromOne, &Observer::Told, nullptr, &sender);
    center->postNotificationName(CFSTR("A"), nullptr);
    center->postNotificationName(CFSTR("B"), &sender);
    center->removeObserver(&anyName);
    center->postNotificationName(CFSTR("A"), &sender);
    center->removeObserver(&named);
    center->removeObserver(&fromOne);
    center->postNotificationName(CFSTR("A"), &sender);
    EXPECT_THAT(anyName.fTold, ElementsAre("A", "B"));
    EXPECT_THAT(named.fTold, ElementsAre("A", "A"));
    EXPECT_THAT(fromOne.fTold, ElementsAre("B", "A"));
}
} // namespace
