// The installer host's window: the page before the pane (the target volume), the pane's page with
// its title above its view, and the Back and Continue buttons, which lead the user through the pane
// as the Installer does.
#pragma once

#include "InstallerPane.h"

#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QWidget>

#include <functional>

class InstallerWindow : public QWidget
{
public:
    // done is called with 0 when the user continued past the pane.
    InstallerWindow(InstallerPane* pane, std::function<void(int)> done);
    ~InstallerWindow() override;

    // Shows the pane, entering it forward.
    void EnterPane();
    void Continue();
    void Back();
    // The target volume the page before the pane chose; only while it is shown.
    bool ChooseVolume(QString const& path);
    bool OnPane() const { return fPages->currentIndex() == 1; }
    QString Heading() const { return fHeading->text(); }
    unsigned long GatheringsAtEntry() const { return fGatheringsAtEntry; }

private:
    void ShowVolume();

    InstallerPane* fPane;
    std::function<void(int)> fDone;
    QLabel* fHeading;
    QLabel* fVolume;
    QStackedWidget* fPages;
    QPushButton* fBack;
    QPushButton* fContinue;
    unsigned long fGatheringsAtEntry = 0;
};
