// The Installer pane that finds the installations of the supported InDesign on the target volume,
// lets the user choose one or browse for one, and hands the choice to the installer's later steps:
// the folder under "PPATH" in the section's shared dictionary, and a symbolic link
// "<volume>/private/tmp/InDesignDA2025" to it.
#pragma once

#include "AppKitStandIn.h"
#include "InstallerPane.h"
#include "MetadataQueryStandIn.h"

class InDesignDA2025 : public InstallerPane
{
public:
    explicit InDesignDA2025(InstallerSection* section);
    ~InDesignDA2025() override;

    CFStringRef title() override;
    void didEnterPane(InstallerSectionDirection direction) override;
    BOOL shouldExitPane(InstallerSectionDirection direction) override;

    void browseBtnClick(NSButton* sender);
    void installationChanged(NSComboBox* sender);

    // The pane bundle's text for the key (the key itself when it has none), "%@" replaced by the
    // display name; autoreleased.
    CFStringRef GetLocalizedString(CFStringRef key);
    // A new query (owned by the caller) for bundles of the host application's identifier.
    NSMetadataQuery* createQuery();
    void setupAndStartQuery();
    void discoveredFiles(NSNotification* notification);
    BOOL setVisibilityForFile(CFStringRef path, BOOL isDirectory, BOOL isVisible);

private:
    void ShowFolder(CFStringRef folder);
    void Alert(CFStringRef titleKey, CFStringRef textKey);

    NSComboBox* uiCSInstallations;
    NSButton* uiBrowseBtn;
    NSTextFieldCell* mPathOfSelectedApp;
    // The folders of the listed installations, parallel to the combo box's items.
    CFMutableArrayRef mBundles;
    // Empty for the start-up volume.
    CFStringRef mVolume;
    NSMetadataQuery* mQuery;
    CFMutableArrayRef mDisplayList;
    bool fObserving = false;
};
