// The InDesign installation pane.
#include "InDesignDA2025.h"

#include "HostPickerPane.h"
#include "PaneSupport.h"
#include "macos/CFBundleStandIn.h"
#include "macos/FileManagerStandIn.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

#include <cstring>
#include <unistd.h>

using panesupport::MakeString;
using panesupport::UTF8Of;

namespace
{
// The link's name is the pane's class name, which the installer's later steps know it by.
char const cClassName[] = "InDesignDA2025";
CFStringRef const cPathKey = CFSTR("PPATH");

InstallerPaneStandInClass const
sClass(cClassName, [](InstallerSection* section) -> InstallerPane* { return new InDesignDA2025(section); });

template<class Object>
void Replace(Object*& slot, Object* value)
{
    if (value)
        CFRetain(value);
    if (slot)
        CFRelease(slot);
    slot = value;
}

CFStringRef Joined(CFStringRef first, char const* second)
{
    return MakeString(UTF8Of(first) + second);
}

// The index of the folder among the first count folders (case-insensitive, as the file system
// compares names), -1 when it is not there.
CFIndex IndexOfFolder(CFArrayRef folders, CFStringRef folder, CFIndex count)
{
    for (CFIndex i = 0; i < count; ++i)
    {
        CFStringRef const listed = static_cast<CFStringRef>(CFArrayGetValueAtIndex(folders, i));
        if (CFStringCompare(folder, listed, kCFCompareCaseInsensitive) == kCFCompareEqualTo)
            return i;
    }
    return -1;
}
} // namespace

InDesignDA2025::InDesignDA2025(InstallerSection* section)
    : InstallerPane(section), mBundles(CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks)),
      mVolume(nullptr), mQuery(nullptr),
      mDisplayList(CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks))
{
    // What the pane's interface file holds: the list of installations with the Browse button beside
    // it, and the chosen folder below.
    auto* const view = new QWidget;
    auto* const comboBox = new QComboBox;
    comboBox->setObjectName(QStringLiteral("uiCSInstallations"));
    comboBox->setEditable(true);
    comboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto* const button = new QPushButton;
    button->setObjectName(QStringLiteral("uiBrowseBtn"));
    auto* const field = new QLineEdit;
    field->setObjectName(QStringLiteral("mPathOfSelectedApp"));
    field->setReadOnly(true);
    field->setFrame(false);
    auto* const layout = new QGridLayout(view);
    layout->addWidget(comboBox, 0, 0);
    layout->addWidget(button, 0, 1);
    layout->addWidget(field, 1, 0, 1, 2);
    layout->setColumnStretch(0, 1);
    layout->setRowStretch(2, 1);
    setContentView(view);

    uiCSInstallations = new NSComboBox(comboBox);
    uiBrowseBtn = new NSButton(button);
    mPathOfSelectedApp = new NSTextFieldCell(field);
    uiCSInstallations->setAction([this](NSComboBox* sender) { installationChanged(sender); });
    uiBrowseBtn->setAction([this](NSButton* sender) { browseBtnClick(sender); });
}

InDesignDA2025::~InDesignDA2025()
{
    if (fObserving)
        NSNotificationCenter::defaultCenter()->removeObserver(this);
    if (mQuery)
    {
        mQuery->stopQuery();
        CFRelease(mQuery);
    }
    CFRelease(mBundles);
    CFRelease(mDisplayList);
    if (mVolume)
        CFRelease(mVolume);
    delete uiCSInstallations;
    delete uiBrowseBtn;
    delete mPathOfSelectedApp;
}

CFStringRef InDesignDA2025::title()
{
    uiCSInstallations->setSelectable(false);
    uiBrowseBtn->setTitle(GetLocalizedString(CFSTR("Browse")));
    return GetLocalizedString(CFSTR("PaneTitle"));
}

void InDesignDA2025::didEnterPane(InstallerSectionDirection)
{
    CFStringRef const target = section()->installerState()->targetVolumePath();
    CFStringRef const volume = target && CFStringGetLength(target) >= 2 ? target : CFSTR("");
    if (uiCSInstallations->numberOfItems() > 0 && mVolume &&
        CFStringCompare(mVolume, volume, kCFCompareCaseInsensitive) == kCFCompareEqualTo)
        return;
    Replace(mVolume, volume);
    uiCSInstallations->removeAllItems();
    uiCSInstallations->setStringValue(CFSTR(""));
    // A folder of the volume left before must not stay in the tool tip.
    uiCSInstallations->setToolTip(nullptr);
    CFArrayRemoveAllValues(mBundles);
    CFArrayRemoveAllValues(mDisplayList);
    mPathOfSelectedApp->setTitle(CFSTR(""));
    setupAndStartQuery();
}

BOOL InDesignDA2025::shouldExitPane(InstallerSectionDirection direction)
{
    NSMutableDictionary* const shared = section()->sharedDictionary();
    NSInteger const selected = uiCSInstallations->indexOfSelectedItem();
    if (selected >= 0 && selected < CFArrayGetCount(mBundles))
        shared->setObject(CFArrayGetValueAtIndex(mBundles, selected), cPathKey);
    if (direction != InstallerDirectionForward)
        return YES;
    if (uiCSInstallations->numberOfItems() == 0)
    {
        Alert(CFSTR("Error"), CFSTR("ErrorNoAppSelected"));
        return NO;
    }

    std::string const volume = UTF8Of(mVolume);
    std::string const link = volume + "/private/tmp/" + cClassName;
    if (unlink(link.c_str()) != 0)
        NSLog(CFSTR("unlink csPlugin failed"));
    NSFileManager* const files = NSFileManager::defaultManager();
    CFStringRef const privateFolder = Joined(mVolume, "/private");
    if (files->createDirectoryAtPath(privateFolder, true, nullptr, nullptr))
        setVisibilityForFile(privateFolder, YES, NO);
    files->createDirectoryAtPath(Joined(privateFolder, "/tmp"), true, nullptr, nullptr);
    CFTypeRef const chosen = shared->objectForKey(cPathKey);
    if (chosen && symlink(UTF8Of(static_cast<CFStringRef>(chosen)).c_str(), link.c_str()) == 0)
    {
        // The choice is handed over: a search ending now must not change the list or "PPATH" behind
        // the link.
        if (mQuery)
            mQuery->stopQuery();
        return YES;
    }
    NSLog(CFSTR("symlink csPlugin failed"));
    Alert(CFSTR("Error"), CFSTR("ErrorLinkFailed"));
    return NO;
}

void InDesignDA2025::browseBtnClick(NSButton*)
{
    NSOpenPanel* const panel = NSOpenPanel::openPanel();
    panel->setCanChooseFiles(true);
    panel->setCanChooseDirectories(false);
    panel->setAllowsMultipleSelection(false);
    if (panel->runModal() != NSModalResponseOK)
        return;
    CFArrayRef const urls = panel->URLs();
    NSURL const* const url =
        CFArrayGetCount(urls) > 0 ? static_cast<NSURL const*>(CFArrayGetValueAtIndex(urls, 0)) : nullptr;
    CFStringRef const path = url ? url->path() : nullptr;
    CFURLRef const bundleURL =
        path ? CFURLCreateWithFileSystemPath(kCFAllocatorDefault, path, kCFURLPOSIXPathStyle, true) : nullptr;
    CFBundleRef const bundle = bundleURL ? CFBundleCreate(kCFAllocatorDefault, bundleURL) : nullptr;
    if (bundleURL)
        CFRelease(bundleURL);
    CFStringRef const identifier = bundle ? CFBundleGetIdentifier(bundle) : nullptr;
    CFTypeRef const version =
        bundle ? CFBundleGetValueForInfoDictionaryKey(bundle, kCFBundleVersionKey) : nullptr;
    bool const accepted =
        identifier && version &&
        CFStringCompare(identifier, cCSAppId, kCFCompareCaseInsensitive) == kCFCompareEqualTo &&
        panesupport::IsSupportedVersion(version);
    CFURLRef const folderURL = accepted ? CFBundleCopyBundleURL(bundle) : nullptr;
    CFStringRef const bundlePath =
        folderURL ? CFURLCopyFileSystemPath(folderURL, kCFURLPOSIXPathStyle) : nullptr;
    if (folderURL)
        CFRelease(folderURL);
    if (bundle)
        CFRelease(bundle);
    if (!bundlePath)
    {
        Alert(CFSTR("Error"), CFSTR("ErrorAppNotSelected"));
        return;
    }
    CFStringRef const folder = panesupport::ParentFolder(bundlePath);
    CFRelease(bundlePath);
    if (IndexOfFolder(mBundles, folder, CFArrayGetCount(mBundles)) >= 0)
    {
        Alert(CFSTR("Warning"), CFSTR("ErrorAppAlreadyExists"));
        return;
    }
    uiCSInstallations->addItemWithObjectValue(getDisplayName(uiCSInstallations->objectValues()));
    uiCSInstallations->selectItemAtIndex(uiCSInstallations->numberOfItems() - 1);
    CFArrayAppendValue(mBundles, folder);
    ShowFolder(folder);
}

void InDesignDA2025::installationChanged(NSComboBox*)
{
    NSInteger const selected = uiCSInstallations->indexOfSelectedItem();
    if (selected >= 0 && selected < CFArrayGetCount(mBundles))
        ShowFolder(static_cast<CFStringRef>(CFArrayGetValueAtIndex(mBundles, selected)));
}

CFStringRef InDesignDA2025::GetLocalizedString(CFStringRef key)
{
    // The pane's own bundle, found through a symbol of this module.
    NSBundle* const bundle = NSBundle::bundleContainingAddress(&cCSAppId);
    CFStringRef const text = bundle ? bundle->localizedStringForKey(key, nullptr, nullptr) : key;
    CFMutableStringRef const result = CFStringCreateMutableCopy(kCFAllocatorDefault, 0, text ? text : key);
    CFStringFindAndReplace(result, CFSTR("%@"), cCSAppDisplayName, CFRangeMake(0, CFStringGetLength(result)),
                           0);
    return static_cast<CFStringRef>(CFAutorelease(result));
}

NSMetadataQuery* InDesignDA2025::createQuery()
{
    NSMetadataQuery* const query = new NSMetadataQuery;
    query->setPredicate(NSPredicate::predicateWithFormat(CFSTR("kMDItemCFBundleIdentifier == %@"), cCSAppId));
    return query;
}

void InDesignDA2025::setupAndStartQuery()
{
    if (!mQuery)
        mQuery = createQuery();
    if (!fObserving)
    {
        NSNotificationCenter::defaultCenter()->addObserver(
            this, &InDesignDA2025::discoveredFiles, NSMetadataQueryDidFinishGatheringNotification, nullptr);
        fObserving = true;
    }
    mQuery->startQuery();
}

void InDesignDA2025::discoveredFiles(NSNotification* notification)
{
    // Every query's end is told to the pane; only its own has its results.
    if (!mQuery || notification->object() != mQuery)
        return;
    mQuery->disableUpdates();
    CFMutableArrayRef const folders = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
    CFMutableArrayRef const names = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
    NSUInteger const count = mQuery->resultCount();
    if (count == 0)
    {
        CFArrayRef const scanned = getBundles(Joined(mVolume, "/Applications"), names, cRecursiveDirDepth);
        for (CFIndex i = 0; i < CFArrayGetCount(scanned); ++i)
            CFArrayAppendValue(folders, CFArrayGetValueAtIndex(scanned, i));
    }
    for (NSUInteger i = 0; i < count; ++i)
    {
        CFStringRef const path =
            static_cast<CFStringRef>(mQuery->resultAtIndex(i)->valueForAttribute(kMDItemPath));
        NSBundle* const bundle = path ? NSBundle::bundleWithPath(path) : nullptr;
        if (!bundle ||
            !panesupport::IsSupportedVersion(bundle->objectForInfoDictionaryKey(kCFBundleVersionKey)))
            continue;
        CFURLRef const url =
            CFURLCreateWithFileSystemPath(kCFAllocatorDefault, path, kCFURLPOSIXPathStyle, true);
        bool const application = panesupport::IsApplication(url);
        if (url)
            CFRelease(url);
        if (!application)
            continue;
        CFArrayAppendValue(names, getDisplayName(names));
        CFArrayAppendValue(folders, panesupport::ParentFolder(path));
    }
    // The list is emptied when the search starts, so what it holds now the user browsed to while the
    // search ran: those stay, after the found ones and under names that keep every item's name its own,
    // and so does the user's choice among them.
    NSInteger const selected = uiCSInstallations->indexOfSelectedItem();
    CFStringRef const chosen =
        selected >= 0 && selected < CFArrayGetCount(mBundles)
            ? static_cast<CFStringRef>(CFRetain(CFArrayGetValueAtIndex(mBundles, selected)))
            : nullptr;
    CFIndex const found = CFArrayGetCount(folders);
    for (CFIndex i = 0; i < CFArrayGetCount(mBundles); ++i)
    {
        CFStringRef const browsed = static_cast<CFStringRef>(CFArrayGetValueAtIndex(mBundles, i));
        if (IndexOfFolder(folders, browsed, found) >= 0)
            continue;
        CFArrayAppendValue(names, getDisplayName(names));
        CFArrayAppendValue(folders, browsed);
    }
    CFRelease(mBundles);
    mBundles = folders;
    CFRelease(mDisplayList);
    mDisplayList = names;

    // The combo box's items stay parallel to the folders.
    uiCSInstallations->removeAllItems();
    uiCSInstallations->addItemsWithObjectValues(mDisplayList);
    if (uiCSInstallations->numberOfItems() > 0)
    {
        CFIndex const kept = chosen ? IndexOfFolder(mBundles, chosen, CFArrayGetCount(mBundles)) : -1;
        CFIndex const index = kept >= 0 ? kept : 0;
        uiCSInstallations->selectItemAtIndex(index);
        CFStringRef const folder = static_cast<CFStringRef>(CFArrayGetValueAtIndex(mBundles, index));
        ShowFolder(folder);
        section()->sharedDictionary()->setObject(folder, cPathKey);
    }
    else
    {
        uiCSInstallations->setToolTip(nullptr);
        mPathOfSelectedApp->setTitle(CFSTR(""));
    }
    if (chosen)
        CFRelease(chosen);
    mQuery->stopQuery();
}

BOOL InDesignDA2025::setVisibilityForFile(CFStringRef path, BOOL isDirectory, BOOL isVisible)
{
    CFURLRef const url =
        CFURLCreateWithFileSystemPath(kCFAllocatorDefault, path, kCFURLPOSIXPathStyle, isDirectory);
    if (!url)
    {
        NSLog(CFSTR("Error creating CFURL for %@."), path);
        return NO;
    }
    FSRef ref;
    bool const found = CFURLGetFSRef(url, &ref);
    CFRelease(url);
    if (!found)
    {
        NSLog(CFSTR("Error creating FSRef for %@."), path);
        return NO;
    }
    FSCatalogInfo catalogInfo;
    OSErr error = FSGetCatalogInfo(&ref, kFSCatInfoFinderInfo, &catalogInfo, nullptr, nullptr, nullptr);
    if (error != noErr)
    {
        NSLog(CFSTR("Error getting catalog info for %@. The error returned was: %d"), path,
              static_cast<int>(error));
        return NO;
    }
    // A folder's Finder flags lie where a file's do.
    FileInfo info;
    std::memcpy(&info, catalogInfo.finderInfo, sizeof info);
    info.finderFlags = static_cast<UInt16>(info.finderFlags & ~kIsInvisible);
    if (!isVisible)
        info.finderFlags |= kIsInvisible;
    std::memcpy(catalogInfo.finderInfo, &info, sizeof info);
    error = FSSetCatalogInfo(&ref, kFSCatInfoFinderInfo, &catalogInfo);
    if (error != noErr)
    {
        NSLog(CFSTR("Error setting visibility bit for %@. The error returned was: %d"), path,
              static_cast<int>(error));
        return NO;
    }
    return YES;
}

void InDesignDA2025::ShowFolder(CFStringRef folder)
{
    uiCSInstallations->setToolTip(folder);
    mPathOfSelectedApp->setTitle(folder);
}

void InDesignDA2025::Alert(CFStringRef titleKey, CFStringRef textKey)
{
    // The text is an argument, not the format: a translation may hold a "%".
    NSRunAlertPanel(GetLocalizedString(titleKey), CFSTR("%@"), nullptr, nullptr, nullptr,
                    GetLocalizedString(textKey));
}
