// This project's stand-in for the macOS Installer's plug-in interface: the pane a plug-in section
// shows, the section with its shared dictionary, and the installer's state with the target volume.
// A pane module registers its classes by name when it is loaded, as the object runtime would, and
// the installer makes the one its bundle's "NSPrincipalClass" names.
#pragma once

#include "macos/FoundationStandIn.h"

#include <QPointer>
#include <QWidget>

// Which way the user leaves or enters a pane; the installer's forward direction is 0.
enum InstallerSectionDirection : NSInteger
{
    InstallerDirectionForward = 0,
    InstallerDirectionBackward = 1,
    InstallerDirectionUndefined = 2
};

class InstallerState
{
public:
    InstallerState() = default;
    ~InstallerState();
    InstallerState(InstallerState const&) = delete;
    InstallerState& operator=(InstallerState const&) = delete;

    // The POSIX path of the volume the user chose ("/" for the start-up volume); null before one is
    // chosen.
    CFStringRef targetVolumePath() const { return fTargetVolumePath; }

    // Not a platform call: the destination the installer's own pane chose (retained; null for none).
    void StandInSetTargetVolumePath(CFStringRef path);

private:
    CFStringRef fTargetVolumePath = nullptr;
};

class InstallerSection
{
public:
    InstallerSection();
    ~InstallerSection();
    InstallerSection(InstallerSection const&) = delete;
    InstallerSection& operator=(InstallerSection const&) = delete;

    // What the section's panes hand to the installer's later steps; it lives as long as the section.
    NSMutableDictionary* sharedDictionary() const { return fSharedDictionary; }
    InstallerState* installerState() { return &fState; }

private:
    NSMutableDictionary* fSharedDictionary;
    InstallerState fState;
};

class InstallerPane
{
public:
    explicit InstallerPane(InstallerSection* section) : fSection(section) {}
    // Deletes the content view unless its window already did.
    virtual ~InstallerPane();
    InstallerPane(InstallerPane const&) = delete;
    InstallerPane& operator=(InstallerPane const&) = delete;

    InstallerSection* section() const { return fSection; }
    // What the pane shows; the installer puts it into its window.
    QWidget* contentView() const { return fContentView; }

    // Autoreleased; the installer shows it above the content view.
    virtual CFStringRef title();
    virtual void willEnterPane(InstallerSectionDirection direction);
    virtual void didEnterPane(InstallerSectionDirection direction);
    // NO keeps the user on the pane.
    virtual BOOL shouldExitPane(InstallerSectionDirection direction);
    virtual void willExitPane(InstallerSectionDirection direction);
    virtual void didExitPane(InstallerSectionDirection direction);

protected:
    // What a pane's interface file holds on the platform: the pane makes its view and hands it here.
    void setContentView(QWidget* view) { fContentView = view; }

private:
    InstallerSection* fSection;
    QPointer<QWidget> fContentView;
};

typedef InstallerPane* (*InstallerPaneFactory)(InstallerSection* section);

// Not platform calls: a pane class known by name for as long as the registration lives (a static
// object of the module that holds the class), and a new pane of the class, which the caller deletes
// (null for a name that is not known).
class InstallerPaneStandInClass
{
public:
    InstallerPaneStandInClass(char const* name, InstallerPaneFactory factory);
    ~InstallerPaneStandInClass();
    InstallerPaneStandInClass(InstallerPaneStandInClass const&) = delete;
    InstallerPaneStandInClass& operator=(InstallerPaneStandInClass const&) = delete;

private:
    char const* fName;
};
InstallerPane* InstallerPaneStandInMakePane(char const* name, InstallerSection* section);
