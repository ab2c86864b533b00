// The toolkit's dialog base: host loop hooks, window events and saved geometry.
#include "GQUIWindow.h"

#include <QApplication>
#include <QScreen>
#include <QSettings>
#include <QSplitter>

#include <typeinfo>

#include "GException.h"
#include "GQStringSupport.h"
#include "GQUILayer.h"
#include "GQUIPathNameSupport.h"
#include "GQUISupport.h"

namespace
{
QString WindowStateFile()
{
    try
    {
        GPathName file;
        GQUILayer::GetPrefFileName(file);
        return GQUIPathNameSupport::ConvertToUIQString(file);
    }
    catch (GException const&) // no data folder: the window works, it only forgets its geometry
    {
        return QString();
    }
}
} // namespace

GQUIWindow::GQUIWindow(GString const& title, bool modal, QWidget* parent)
    : QDialog(parent ? parent : GQUILayer::GetWidgetWrapper()), fModal(modal),
      fSettingsFile(WindowStateFile())
{
    if (modal)
    {
        setWindowModality(Qt::ApplicationModal);
        setModal(true);
    }
    else if (GQUILayer::GetDefaultFloatingIsTool())
    {
        setWindowFlags((windowFlags() & ~Qt::WindowType_Mask) | Qt::Tool);
        if (parent)
            setAttribute(Qt::WA_MacAlwaysShowToolWindow);
    }
    setWindowTitle(GQStringSupport::ToQString(title));
    setSizeGripEnabled(true);
    connect(qApp, &QGuiApplication::screenAdded, this, &GQUIWindow::DesktopScreenCountChanged);
    connect(qApp, &QGuiApplication::screenRemoved, this, &GQUIWindow::DesktopScreenCountChanged);
}

GQUIWindow::~GQUIWindow()
{
    if (fSaveLoadGeometry)
        SaveGeometryAndState();
    fTrackedSplitters.Resize(0);
    CleanupEventLoop();
}

int GQUIWindow::exec()
{
    EnsureEventLoop();
    int result;
    try
    {
        result = QDialog::exec();
    }
    catch (...) // the host leaves its modal state whatever ended the loop; the error goes on
    {
        CleanupEventLoop();
        throw;
    }
    CleanupEventLoop();
    return result;
}

void GQUIWindow::show()
{
    EnsureEventLoop();
    QWidget::show();
    raise();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void GQUIWindow::EnsureEventLoop()
{
    if (fLoopRunning)
        return;
    fLoopHandle = reinterpret_cast<void*>(winId());
    if (fModal)
        GQUILayer::HandleStartModalLoop(fLoopHandle);
    else
        GQUILayer::HandleStartFloatingLoop(fLoopHandle);
    fLoopRunning = true;
}

void GQUIWindow::CleanupEventLoop()
{
    if (!fLoopRunning)
        return;
    if (fModal)
        GQUILayer::HandleStopModalLoop(fLoopHandle);
    else
        GQUILayer::HandleStopFloatingLoop(fLoopHandle);
    fLoopRunning = false;
}

QString GQUIWindow::ClassName() const
{
    char const* const name = metaObject()->className();
    // A subclass without a meta-object of its own is named by the compiler's type name.
    if (qstrcmp(name, "GQUIWindow") == 0)
        return QString::fromLatin1(typeid(*this).name());
    return QString::fromLatin1(name);
}

QString GQUIWindow::GetSettingsKey() const
{
    return QLatin1String(GQUISupport::cGroupIDGeometry) + fClassName + fWindowIdentifier;
}

bool GQUIWindow::IsKeyBare() const
{
    return (fClassName.isEmpty() && fWindowIdentifier.isEmpty()) || fSettingsFile.isEmpty();
}

void GQUIWindow::SaveGeometryAndState()
{
    if (IsKeyBare())
        return;
    QString const key = GetSettingsKey();
    QSettings settings(fSettingsFile, QSettings::IniFormat);
    settings.setValue(key, saveGeometry());
    for (int i = fTrackedSplitters.GetCount() - 1; i >= 0; --i)
        settings.setValue(key + QLatin1Char('/') + fTrackedSplitters[i]->objectName(),
                          fTrackedSplitters[i]->saveState());
}

void GQUIWindow::LoadGeometryAndState()
{
    if (IsKeyBare())
        return;
    QString const key = GetSettingsKey();
    QSettings settings(fSettingsFile, QSettings::IniFormat);
    if (settings.contains(key))
        restoreGeometry(settings.value(key).toByteArray());
    else
        GQUISupport::MoveToMiddleOfScreen(*this);
    for (int i = fTrackedSplitters.GetCount() - 1; i >= 0; --i)
    {
        QString const splitterKey = key + QLatin1Char('/') + fTrackedSplitters[i]->objectName();
        if (settings.contains(splitterKey))
            fTrackedSplitters[i]->restoreState(settings.value(splitterKey).toByteArray());
    }
}

void GQUIWindow::SetWindowIdentifier(GString const& identifier)
{
    fWindowIdentifier = GQStringSupport::ToQString(identifier);
}

void GQUIWindow::StartTrackState(QSplitter* splitter)
{
    fTrackedSplitters.AddItem(splitter);
}

void GQUIWindow::StopTrackState(QSplitter* splitter)
{
    if (!IsKeyBare())
    {
        QSettings settings(fSettingsFile, QSettings::IniFormat);
        settings.setValue(GetSettingsKey() + QLatin1Char('/') + splitter->objectName(),
                          splitter->saveState());
    }
    fTrackedSplitters.RemoveItem(splitter);
}

void GQUIWindow::SetVisibleState(GSimpleBoolState* state)
{
    fVisibleStateConnector.reset();
    if (state)
        fVisibleStateConnector.reset(new VisibleStateConnector(*this, *state));
}

void GQUIWindow::showEvent(QShowEvent* event)
{
    fClassName = ClassName();
    if (fSaveLoadGeometry)
        LoadGeometryAndState();
    QDialog::showEvent(event);
    MirrorVisibility();
}

void GQUIWindow::hideEvent(QHideEvent* event)
{
    SaveGeometryAndState();
    QDialog::hideEvent(event);
    MirrorVisibility();
}

void GQUIWindow::MirrorVisibility()
{
    if (!fVisibleStateConnector)
        return;
    GSimpleBoolState& state = fVisibleStateConnector->GetState();
    if (state.Get() != isVisible())
    {
        state.Set(isVisible());
        state.Notify();
    }
}

void GQUIWindow::DesktopScreenCountChanged()
{
    if (!fSaveLoadGeometry)
        return;
    SaveGeometryAndState();
    LoadGeometryAndState();
}

bool GQUIWindow::event(QEvent* event)
{
    switch (event->type())
    {
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Close:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
        // An open popup (a combo box's list, a menu) would stay behind on the screen.
        while (QWidget* const popup = QApplication::activePopupWidget())
        {
            popup->hide();
            if (QApplication::activePopupWidget() == popup)
                break;
        }
        break;
    default:
        break;
    }
    int report = -1;
    switch (event->type())
    {
    case QEvent::WindowActivate:
        report = cWindowActivated;
        break;
    case QEvent::FocusOut:
        report = cWindowFocusOut;
        break;
    case QEvent::Show:
        report = cWindowShown;
        break;
    case QEvent::Hide:
        // A Hide while the window is still visible reports nothing.
        if (!isVisible())
            report = cWindowHidden;
        break;
    default:
        break;
    }
    if (report >= 0)
        GQUILayer::HandleWindowEventFloating(reinterpret_cast<void*>(winId()), report);
    return QDialog::event(event);
}

GQUIWindow::VisibleStateConnector::VisibleStateConnector(GQUIWindow& window, GSimpleBoolState& state)
    : fWindow(window), fState(state)
{
    state.Attach(this, 0);
}

// The observer's own destructor leaves the state.
GQUIWindow::VisibleStateConnector::~VisibleStateConnector() = default;

void GQUIWindow::VisibleStateConnector::Update(GSubjectT<>*)
{
    if (fState.Get() && !fWindow.isVisible())
        fWindow.show();
    else if (!fState.Get() && fWindow.isVisible())
        fWindow.hide();
}
