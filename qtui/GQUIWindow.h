// The dialog base of every toolkit window. It tells the host when its modal or floating event loop
// starts and ends, reports activation, focus loss, show and hide to the host's window-event hook,
// takes the toolkit's default parent when given none, and keeps its geometry and its splitters'
// state in the window-state file under its class name and an optional window identifier.
#pragma once

#include <QDialog>
#include <QString>

#include <memory>

#include "GObserverT.h"
#include "GSimpleBoolState.h"
#include "GString.h"
#include "GTable.h"

class QSplitter;

class GQUIWindow : public QDialog
{
    Q_OBJECT

public:
    // What the window-event hook is told.
    enum WindowEvent
    {
        cWindowActivated = 0,
        cWindowFocusOut = 1,
        cWindowShown = 2,
        cWindowHidden = 3
    };

    // A modal window is application-modal; a floating one is a tool window unless the layer says
    // otherwise.
    GQUIWindow(GString const& title, bool modal, QWidget* parent = nullptr);
    ~GQUIWindow() override;

    // The start hook, Qt's modal loop, then the stop hook (also when the loop ends by an exception).
    int exec() override;

    void SaveGeometryAndState();
    void LoadGeometryAndState();
    // On (the default): loaded at show, saved at destruction and when the screens change. Hiding
    // saves in any case.
    void SetSaveLoadGeometry(bool on) { fSaveLoadGeometry = on; }
    bool GetSaveLoadGeometry() const { return fSaveLoadGeometry; }
    // Appended to the class name in the settings key, from the next save or load on.
    void SetWindowIdentifier(GString const& identifier);
    void StartTrackState(QSplitter* splitter);
    // Saves the splitter's state now and stops tracking it.
    void StopTrackState(QSplitter* splitter);
    // Links the window's visibility with the state both ways; null unlinks.
    void SetVisibleState(GSimpleBoolState* state);

    // "Geometry/" + class name + window identifier.
    QString GetSettingsKey() const;

public Q_SLOTS:
    // The start hook (once), then shown, raised, activated and focused. The stop hook follows at
    // destruction.
    void show();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    class VisibleStateConnector;

    void EnsureEventLoop();
    void CleanupEventLoop();
    void DesktopScreenCountChanged();
    void MirrorVisibility();
    QString ClassName() const;
    bool IsKeyBare() const;

    bool fModal;
    bool fLoopRunning = false;
    std::unique_ptr<VisibleStateConnector> fVisibleStateConnector;
    QString fSettingsFile;
    QString fClassName;
    QString fWindowIdentifier;
    GTable<QSplitter*> fTrackedSplitters;
    bool fSaveLoadGeometry = true;
    // The handle the start hook was given, for the stop hook.
    void* fLoopHandle = nullptr;
};

// Shows or hides the window when its state changes.
class GQUIWindow::VisibleStateConnector : public GObserverT<>
{
public:
    VisibleStateConnector(GQUIWindow& window, GSimpleBoolState& state);
    ~VisibleStateConnector() override;

    void Update(GSubjectT<>* subject) override;
    GSimpleBoolState& GetState() const { return fState; }

private:
    GQUIWindow& fWindow;
    GSimpleBoolState& fState;
};
