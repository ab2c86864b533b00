// This project's stand-in for Spotlight's metadata queries and Foundation's notification centre, as
// the installer pane uses them. A query is answered by walking search folders (by default the
// start-up volume's Applications folder and every folder of the volumes root, VolumesStandIn.h; the
// query's own search scopes when it has some) for bundles, folders with "Contents/Info.plist", read
// as CFBundleStandIn.h reads them; a bundle's items are "kMDItemPath", "kMDItemFSName" and, when its
// description has one, "kMDItemCFBundleIdentifier". The walk goes six levels deep, never into a
// bundle, a hidden item or a symbolic link, each folder in the order of its names, on a thread of its
// own; the query finishes through the run loop of the thread that started it (CFRunLoopStandIn.h),
// where the gathering's end is posted as NSMetadataQueryDidFinishGatheringNotification.
#pragma once

#include "macos/FoundationStandIn.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

extern CFStringRef const NSMetadataQueryDidFinishGatheringNotification;
extern CFStringRef const kMDItemPath;
extern CFStringRef const kMDItemFSName;
extern CFStringRef const kMDItemCFBundleIdentifier;
extern CFStringRef const NSMetadataItemPathKey;

// Only the comparison "<attribute> == %@" with a string argument is known: the item's attribute
// equals the argument exactly.
class NSPredicate : public CFStandInObject
{
public:
    // Autoreleased; null for a format of another form or a null argument.
    static NSPredicate* predicateWithFormat(CFStringRef format, CFStringRef argument);

    std::string const& Attribute() const { return fAttribute; }
    std::string const& Value() const { return fValue; }

private:
    NSPredicate() = default;
    std::string fAttribute;
    std::string fValue;
};

class NSMetadataItem : public CFStandInObject
{
public:
    // Not retained for the caller; null when the item has no such attribute.
    CFTypeRef valueForAttribute(CFStringRef key) const;

    ~NSMetadataItem() override;

private:
    NSMetadataItem() = default;
    friend class NSMetadataQuery;
    std::vector<std::pair<std::string, CFStringRef>> fValues;
};

class NSNotification : public CFStandInObject
{
public:
    CFStringRef name() const { return fName; }
    void const* object() const { return fObject; }

    ~NSNotification() override;

private:
    NSNotification() = default;
    friend class NSNotificationCenter;
    CFStringRef fName = nullptr;
    void const* fObject = nullptr;
};

class NSNotificationCenter
{
public:
    static NSNotificationCenter* defaultCenter();

    // [center addObserver:observer selector:@selector(...) name:name object:object]: the method is
    // called for every notification of the name (null: every name) from the object (null: any
    // sender), until the observer is removed.
    template<class Observer>
    void addObserver(Observer* observer, void (Observer::*selector)(NSNotification*), CFStringRef name,
                     void const* object)
    {
        AddObserver(
            observer,
            [observer, selector](NSNotification* notification) { (observer->*selector)(notification); }, name,
            object);
    }
    void removeObserver(void const* observer);
    // Calls the observers at once, on the calling thread, in the order they were added.
    void postNotificationName(CFStringRef name, void const* object);

private:
    NSNotificationCenter() = default;
    void AddObserver(void const* observer, std::function<void(NSNotification*)> call, CFStringRef name,
                     void const* object);
    struct Observation;
    std::vector<std::shared_ptr<Observation>> fObservations;
};

// Made with new (as alloc and init make it) and released with CFRelease; a query that goes while it
// gathers stops first.
class NSMetadataQuery : public CFStandInObject
{
public:
    NSMetadataQuery() = default;
    ~NSMetadataQuery() override;

    void setPredicate(NSPredicate* predicate);
    NSPredicate* predicate() const { return fPredicate; }
    // Folders (POSIX paths) to search instead of the default ones; an empty array or null is none.
    void setSearchScopes(CFArrayRef scopes);

    // NO when the query has no predicate or is already started and not stopped.
    BOOL startQuery();
    // Ends a gathering that has not finished (its results are dropped); the results already had stay.
    void stopQuery();
    BOOL isStarted() const { return fStarted; }
    BOOL isGathering() const { return fGathering; }
    BOOL isStopped() const { return fStopped; }
    // Counted; a query of this stand-in gathers once and is not updated afterwards anyway.
    void disableUpdates() { ++fDisabledUpdates; }
    void enableUpdates() { --fDisabledUpdates; }

    NSUInteger resultCount() const;
    // Not retained for the caller; null past the last one.
    NSMetadataItem* resultAtIndex(NSUInteger index) const;

private:
    struct Gathering;
    static void Finish(void* info);
    void EndGathering();
    void ClearResults();

    NSPredicate* fPredicate = nullptr;
    std::vector<std::string> fScopes;
    std::shared_ptr<Gathering> fWork;
    bool fStarted = false;
    bool fGathering = false;
    bool fStopped = false;
    int fDisabledUpdates = 0;
    std::vector<NSMetadataItem*> fResults;
};

// Not platform calls: the folders searched when a query has no scopes of its own (null gives the
// default ones again; an empty list makes every query find nothing), how many gatherings have
// finished through a run loop in this process, for waiting on one, and how many were started and have
// neither finished nor been stopped, for telling that there is none to wait for.
void NSMetadataQueryStandInSetSearchFolders(std::vector<std::string> const* folders);
unsigned long NSMetadataQueryStandInFinishedGatherings();
unsigned long NSMetadataQueryStandInRunningGatherings();
