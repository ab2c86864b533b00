// An alert with an icon and up to four buttons, run modally inside the host; it answers which button
// was pressed.
#pragma once

#include "GString.h"

class GQUIAlertWindow
{
public:
    GQUIAlertWindow() = delete;

    enum IconType
    {
        cIconNone = 0,
        cIconCritical = 1,
        cIconWarning = 2,
        cIconInformation = 3,
        // A picture given by the caller.
        cIconPicture = 4
    };

    // What closed the box: the position of the button pressed, 0 when it closed otherwise (by
    // Escape or the window's close button when it has no "No" button, which they press otherwise).
    enum Result
    {
        cClosed = 0,
        cButton1 = 1,
        cButton2 = 2,
        cButton3 = 3,
        cButton4 = 4
    };

    // Button 1 (Qt's Yes, the default) is always shown, with Qt's own label when its text is empty;
    // buttons 2 (No, also the escape button), 3 (Yes to All) and 4 (Cancel) only when their texts
    // are not empty.
    static int ShowDialog(GString const& title, GString const& text, IconType icon, GString const& button1,
                          GString const& button2, GString const& button3, GString const& button4);
    // The same with the picture of the toolkit's icon of that name.
    static int ShowDialog(GString const& title, GString const& text, GString const& iconName,
                          GString const& button1, GString const& button2, GString const& button3,
                          GString const& button4);
};
