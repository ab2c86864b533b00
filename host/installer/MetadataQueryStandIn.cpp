// The metadata query stand-in: a thread walks the search folders, a run-loop source brings the
// results back to the thread that started the query, and the notification centre tells its observers.
#include "MetadataQueryStandIn.h"

#include "macos/CFRunLoopStandIn.h"
#include "macos/VolumesStandIn.h"

#include <algorithm>
#include <atomic>
#include <dirent.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <thread>

namespace
{
// How many folder levels below a search folder are walked.
constexpr int cSearchDepth = 6;

std::mutex sFoldersMutex;
std::vector<std::string>* sSearchFolders = nullptr;
std::atomic<unsigned long> sFinishedGatherings{0};
std::atomic<unsigned long> sRunningGatherings{0};

std::string UTF8Of(CFStringRef text)
{
    return CFStringStandInGetUTF8(text);
}

CFStringRef MakeString(std::string const& text)
{
    return CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(text.data()),
                                   static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8, false);
}

std::vector<std::string> DefaultFolders()
{
    std::vector<std::string> folders;
    NSAutoreleasePool* const pool = new NSAutoreleasePool;
    NSURL* const applications = NSFileManager::defaultManager()->URLForDirectory(
        NSApplicationDirectory, NSLocalDomainMask, nullptr, false, nullptr);
    if (applications && applications->path())
        folders.push_back(UTF8Of(applications->path()));
    pool->drain();
    std::vector<VolumeStandInEntry> const volumes = VolumesStandInList();
    // The first volume is the start-up volume, whose Applications folder is searched already.
    for (std::size_t i = 1; i < volumes.size(); ++i)
        folders.push_back(volumes[i].fMountPath);
    return folders;
}

std::vector<std::string> SortedEntries(std::string const& folder)
{
    std::vector<std::string> names;
    DIR* const directory = opendir(folder.c_str());
    if (!directory)
        return names;
    while (dirent const* entry = readdir(directory))
    {
        if (entry->d_name[0] != '.')
            names.push_back(entry->d_name);
    }
    closedir(directory);
    std::sort(names.begin(), names.end());
    return names;
}

bool IsFile(std::string const& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

typedef std::map<std::string, std::string> Attributes;
} // namespace

CFStringRef const NSMetadataQueryDidFinishGatheringNotification =
    CFSTR("NSMetadataQueryDidFinishGatheringNotification");
CFStringRef const kMDItemPath = CFSTR("kMDItemPath");
CFStringRef const kMDItemFSName = CFSTR("kMDItemFSName");
CFStringRef const kMDItemCFBundleIdentifier = CFSTR("kMDItemCFBundleIdentifier");
CFStringRef const NSMetadataItemPathKey = CFSTR("kMDItemPath");

// --- the predicate and the items ---

NSPredicate* NSPredicate::predicateWithFormat(CFStringRef format, CFStringRef argument)
{
    std::string const text = UTF8Of(format);
    std::string::size_type const equals = text.find("==");
    if (!argument || equals == std::string::npos)
        return nullptr;
    auto trimmed = [](std::string part)
    {
        std::string::size_type const first = part.find_first_not_of(' ');
        std::string::size_type const last = part.find_last_not_of(' ');
        return first == std::string::npos ? std::string() : part.substr(first, last - first + 1);
    };
    std::string const attribute = trimmed(text.substr(0, equals));
    if (attribute.empty() || attribute.find_first_of(" %=\"'") != std::string::npos ||
        trimmed(text.substr(equals + 2)) != "%@")
        return nullptr;
    NSPredicate* const predicate = new NSPredicate;
    predicate->fAttribute = attribute;
    predicate->fValue = UTF8Of(argument);
    return static_cast<NSPredicate*>(const_cast<void*>(CFAutorelease(predicate)));
}

CFTypeRef NSMetadataItem::valueForAttribute(CFStringRef key) const
{
    std::string const name = UTF8Of(key);
    for (auto const& value : fValues)
    {
        if (value.first == name)
            return value.second;
    }
    return nullptr;
}

NSMetadataItem::~NSMetadataItem()
{
    for (auto const& value : fValues)
        CFRelease(value.second);
}

// --- notifications ---

struct NSNotificationCenter::Observation
{
    void const* fObserver;
    std::function<void(NSNotification*)> fCall;
    std::string fName;
    bool fAnyName;
    void const* fObject;
    bool fRemoved = false;
};

NSNotification::~NSNotification()
{
    if (fName)
        CFRelease(fName);
}

NSNotificationCenter* NSNotificationCenter::defaultCenter()
{
    static auto* const sCenter = new NSNotificationCenter;
    return sCenter;
}

void NSNotificationCenter::AddObserver(void const* observer, std::function<void(NSNotification*)> call,
                                       CFStringRef name, void const* object)
{
    fObservations.push_back(std::make_shared<Observation>(Observation{
        observer, std::move(call), name ? UTF8Of(name) : std::string(), name == nullptr, object}));
}

void NSNotificationCenter::removeObserver(void const* observer)
{
    for (auto& observation : fObservations)
    {
        if (observation->fObserver == observer)
            observation->fRemoved = true;
    }
    fObservations.erase(std::remove_if(fObservations.begin(), fObservations.end(),
                                       [](std::shared_ptr<Observation> const& observation)
                                       { return observation->fRemoved; }),
                        fObservations.end());
}

void NSNotificationCenter::postNotificationName(CFStringRef name, void const* object)
{
    NSNotification* const notification = new NSNotification;
    notification->fName = name ? static_cast<CFStringRef>(CFRetain(name)) : nullptr;
    notification->fObject = object;
    std::string const text = UTF8Of(name);
    // An observer may add or remove observers while it is called: the list is walked as it was, and
    // one removed meanwhile is not called any more.
    std::vector<std::shared_ptr<Observation>> const observations = fObservations;
    for (auto const& observation : observations)
    {
        if (observation->fRemoved || (!observation->fAnyName && observation->fName != text) ||
            (observation->fObject && observation->fObject != object))
            continue;
        observation->fCall(notification);
    }
    CFRelease(notification);
}

// --- the query ---

struct NSMetadataQuery::Gathering
{
    std::thread fThread;
    std::atomic<bool> fCancelled{false};
    // Written by the thread before it signals the source, read after it was joined.
    std::vector<Attributes> fItems;
    CFRunLoopRef fLoop = nullptr;
    CFRunLoopSourceRef fSource = nullptr;

    void Walk(std::string const& folder, int depth, std::string const& attribute, std::string const& value)
    {
        for (std::string const& name : SortedEntries(folder))
        {
            if (fCancelled)
                return;
            std::string const path = folder == "/" ? "/" + name : folder + "/" + name;
            struct stat status;
            if (lstat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
                continue;
            if (!IsFile(path + "/Contents/Info.plist"))
            {
                if (depth + 1 < cSearchDepth)
                    Walk(path, depth + 1, attribute, value);
                continue;
            }
            Attributes item;
            std::map<std::string, std::string> info;
            if (CFBundleStandInReadInfo(path, info) && info.count("CFBundleIdentifier"))
                item["kMDItemCFBundleIdentifier"] = info["CFBundleIdentifier"];
            item["kMDItemPath"] = path;
            item["kMDItemFSName"] = name;
            auto const found = item.find(attribute);
            if (found != item.end() && found->second == value)
                fItems.push_back(item);
        }
    }
};

NSMetadataQuery::~NSMetadataQuery()
{
    stopQuery();
    ClearResults();
    if (fPredicate)
        CFRelease(fPredicate);
}

void NSMetadataQuery::setPredicate(NSPredicate* predicate)
{
    if (predicate)
        CFRetain(predicate);
    if (fPredicate)
        CFRelease(fPredicate);
    fPredicate = predicate;
}

void NSMetadataQuery::setSearchScopes(CFArrayRef scopes)
{
    fScopes.clear();
    for (CFIndex i = 0; scopes && i < CFArrayGetCount(scopes); ++i)
        fScopes.push_back(UTF8Of(static_cast<CFStringRef>(CFArrayGetValueAtIndex(scopes, i))));
}

BOOL NSMetadataQuery::startQuery()
{
    if (!fPredicate || (fStarted && !fStopped))
        return NO;
    std::vector<std::string> folders = fScopes;
    if (folders.empty())
    {
        std::lock_guard<std::mutex> lock(sFoldersMutex);
        folders = sSearchFolders ? *sSearchFolders : DefaultFolders();
    }
    ClearResults();
    fStarted = true;
    fStopped = false;
    fGathering = true;
    fWork = std::make_shared<Gathering>();
    ++sRunningGatherings;
    CFRunLoopSourceContext context{};
    context.info = this;
    context.perform = &NSMetadataQuery::Finish;
    fWork->fLoop = CFRunLoopGetCurrent();
    fWork->fSource = CFRunLoopSourceCreate(kCFAllocatorDefault, 0, &context);
    CFRunLoopAddSource(fWork->fLoop, fWork->fSource, kCFRunLoopCommonModes);
    std::string const attribute = fPredicate->Attribute();
    std::string const value = fPredicate->Value();
    Gathering* const work = fWork.get();
    work->fThread = std::thread(
        [work, folders, attribute, value]
        {
            for (std::string const& folder : folders)
                work->Walk(folder, 0, attribute, value);
            CFRunLoopSourceSignal(work->fSource);
            CFRunLoopWakeUp(work->fLoop);
        });
    return YES;
}

void NSMetadataQuery::Finish(void* info)
{
    static_cast<NSMetadataQuery*>(info)->EndGathering();
}

void NSMetadataQuery::EndGathering()
{
    if (!fWork)
        return;
    std::shared_ptr<Gathering> const work = fWork;
    work->fThread.join();
    fWork.reset();
    --sRunningGatherings;
    CFRunLoopRemoveSource(work->fLoop, work->fSource, kCFRunLoopCommonModes);
    CFRunLoopSourceInvalidate(work->fSource);
    CFRelease(work->fSource);
    for (Attributes const& attributes : work->fItems)
    {
        NSMetadataItem* const item = new NSMetadataItem;
        for (auto const& attribute : attributes)
        {
            if (CFStringRef const text = MakeString(attribute.second))
                item->fValues.emplace_back(attribute.first, text);
        }
        fResults.push_back(item);
    }
    fGathering = false;
    ++sFinishedGatherings;
    NSAutoreleasePool* const pool = new NSAutoreleasePool;
    NSNotificationCenter::defaultCenter()->postNotificationName(NSMetadataQueryDidFinishGatheringNotification,
                                                                this);
    pool->drain();
}

void NSMetadataQuery::stopQuery()
{
    if (fWork)
    {
        fWork->fCancelled = true;
        fWork->fThread.join();
        CFRunLoopRemoveSource(fWork->fLoop, fWork->fSource, kCFRunLoopCommonModes);
        CFRunLoopSourceInvalidate(fWork->fSource);
        CFRelease(fWork->fSource);
        fWork.reset();
        --sRunningGatherings;
    }
    fGathering = false;
    if (fStarted)
        fStopped = true;
}

void NSMetadataQuery::ClearResults()
{
    for (NSMetadataItem* item : fResults)
        CFRelease(item);
    fResults.clear();
}

NSUInteger NSMetadataQuery::resultCount() const
{
    return fResults.size();
}

NSMetadataItem* NSMetadataQuery::resultAtIndex(NSUInteger index) const
{
    return index < fResults.size() ? fResults[index] : nullptr;
}

void NSMetadataQueryStandInSetSearchFolders(std::vector<std::string> const* folders)
{
    std::lock_guard<std::mutex> lock(sFoldersMutex);
    delete sSearchFolders;
    sSearchFolders = folders ? new std::vector<std::string>(*folders) : nullptr;
}

unsigned long NSMetadataQueryStandInFinishedGatherings()
{
    return sFinishedGatherings;
}

unsigned long NSMetadataQueryStandInRunningGatherings()
{
    return sRunningGatherings;
}
