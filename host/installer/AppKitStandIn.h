// This project's stand-in for the AppKit controls, alerts and open panels of the installer pane,
// over Qt Widgets: a combo box, a button and a text field cell each wrap the Qt widget the pane's view
// holds, and call the control's action (inside an autorelease pool, as the platform's event loop
// does) when the user works it. Alerts are Qt message boxes and the open panel Qt's own file dialog,
// in which a bundle folder (a package) is chosen as a file, as on the platform. A robot, when one is
// set, answers alerts and open panels instead of the user, as the host's UI tests do.
#pragma once

#include "macos/FoundationStandIn.h"

#include <QString>

#include <functional>
#include <string>

class QComboBox;
class QLineEdit;
class QPushButton;

// Not platform calls: a string's text for Qt and back (autoreleased; null for null).
QString AppKitStandInQString(CFStringRef text);
CFStringRef AppKitStandInMakeString(QString const& text);

class NSButton
{
public:
    explicit NSButton(QPushButton* button) : fButton(button) {}

    void setTitle(CFStringRef title);
    // Autoreleased.
    CFStringRef title() const;
    // Called when the user clicks the button.
    void setAction(std::function<void(NSButton*)> action);

private:
    QPushButton* fButton;
};

// Its items are strings; no item is selected while it has none.
class NSComboBox
{
public:
    explicit NSComboBox(QComboBox* comboBox) : fComboBox(comboBox) {}

    // The text of the box cannot be selected or edited (only an item chosen) when not selectable.
    void setSelectable(bool selectable);
    void setStringValue(CFStringRef text);
    // Autoreleased.
    CFStringRef stringValue() const;
    void removeAllItems();
    void addItemWithObjectValue(CFStringRef item);
    void addItemsWithObjectValues(CFArrayRef items);
    NSInteger numberOfItems() const;
    // Not retained for the caller beyond the innermost pool; null past the last item.
    CFStringRef itemObjectValueAtIndex(NSInteger index) const;
    // The items, autoreleased.
    CFArrayRef objectValues() const;
    // -1 when none is selected.
    NSInteger indexOfSelectedItem() const;
    // An index outside the items selects none.
    void selectItemAtIndex(NSInteger index);
    // Null clears it.
    void setToolTip(CFStringRef text);
    CFStringRef toolTip() const;
    // Called when the user chooses an item (not when the program selects one).
    void setAction(std::function<void(NSComboBox*)> action);

private:
    QComboBox* fComboBox;
};

// The title of a text field that shows what it is told, not for editing.
class NSTextFieldCell
{
public:
    explicit NSTextFieldCell(QLineEdit* field) : fField(field) {}

    void setTitle(CFStringRef title);
    CFStringRef title() const;

private:
    QLineEdit* fField;
};

// What NSRunAlertPanel answers.
enum : NSInteger
{
    NSAlertDefaultReturn = 1,
    NSAlertAlternateReturn = 0,
    NSAlertOtherReturn = -1
};

// An application-modal alert with the title, the text made from msgFormat and the arguments (as
// CFStringCreateWithFormat makes it) and up to three buttons; a null default button is "OK", a null
// alternate or other button is not shown.
NSInteger NSRunAlertPanel(CFStringRef title, CFStringRef msgFormat, CFStringRef defaultButton,
                          CFStringRef alternateButton, CFStringRef otherButton, ...);

enum : NSInteger
{
    NSModalResponseCancel = 0,
    NSModalResponseOK = 1
};

class NSOpenPanel : public CFStandInObject
{
public:
    // Autoreleased; chooses files, one at a time, until told otherwise.
    static NSOpenPanel* openPanel();

    void setCanChooseFiles(bool can) { fFiles = can; }
    void setCanChooseDirectories(bool can) { fFolders = can; }
    void setAllowsMultipleSelection(bool allows) { fMultiple = allows; }
    // Shows the panel until the user confirms (NSModalResponseOK) or cancels.
    NSInteger runModal();
    // The chosen items as file URLs, autoreleased; empty before a confirmed run.
    CFArrayRef URLs() const;

private:
    NSOpenPanel() = default;
    bool fFiles = true;
    bool fFolders = false;
    bool fMultiple = false;
    std::string fChosen;
};

// Not platform calls: what answers alerts and open panels instead of the user while it is set.
class AppKitStandInRobot
{
public:
    virtual ~AppKitStandInRobot() = default;
    // The button the user would press.
    virtual NSInteger AnswerAlert(std::string const& title, std::string const& text) = 0;
    // True, with the chosen path, for a confirmed panel.
    virtual bool AnswerOpenPanel(std::string& path) = 0;
};
void AppKitStandInSetRobot(AppKitStandInRobot* robot);
