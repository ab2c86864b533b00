// The toolkit's counted start-up and shut-down and the shared Qt application.
#include "GQUILayer.h"

#include "GBasicFrameworkCoreLayer.h"

#include <QApplication>
#include <QLocale>
#include <QPalette>
#include <QStyle>

#include <cstdlib>
#include <memory>

#include "GBQCSharedObject.h"
#include "GBQLayoutDebugger.h"
#include "GEmptyMessage.h"
#include "GFileSystem.h"
#include "GPreferences.h"
#include "GQStringSupport.h"
#include "GQUIHelpHandler.h"
#include "GQUILayerTexts.h"
#include "GQUINativeLookingApplication.h"
#include "GQUIUserMessage.h"
#include "GQUIWidgetWrapper.h"
#include "GReceiver.h"
#include "GStringPoolSupport.h"
#include "PSystem.h"

namespace
{
// Delivers Qt's posted events when the repeater signal comes; only needed when this layer made the
// application, since a host's own application has its own event loop.
class GQEventsSenderHelper : public GReceiver<GEmptyMessage>
{
public:
    void Receive(int, GEmptyMessage const&) override { QCoreApplication::sendPostedEvents(nullptr, 0); }
};

// The application object this layer holds one count on (made or adopted), or null.
QObject* sApplicationObj = nullptr;
GQEventsSenderHelper* sEventsSenderHelper = nullptr;
GPathName* sQtPluginsFolder = nullptr;
std::unique_ptr<GBQLayoutDebugger> sLayoutDebugger;
std::unique_ptr<GQUIWidgetWrapper> sWidgetWrapper;

char sEmptyArgument[] = "";

QApplication* CurrentWidgetApplication()
{
    return qobject_cast<QApplication*>(QCoreApplication::instance());
}

// The last steps of a tear-down, whole or of a failed start: the event helper, this layer's count on
// the application, and the layout guides.
void ReleaseApplication()
{
    delete sEventsSenderHelper;
    sEventsSenderHelper = nullptr;
    if (sApplicationObj)
    {
        GBQCSharedObject::Release(QCoreApplication::instance(), 1);
        sApplicationObj = nullptr;
    }
    if (QApplication* const application = CurrentWidgetApplication())
        application->removeEventFilter(sLayoutDebugger.get());
    sLayoutDebugger.reset();
}

} // namespace

int GQUILayer::cDummyArgc = 1;
char* GQUILayer::cDummyArgv[2] = {sEmptyArgument, nullptr};
char const* const GQUILayer::cStyleSheetFrom1015 =
    "QRadioButton { spacing:5px;} QRadioButton::indicator { bottom:1px; width: 15px; height: 24px; } "
    "QCheckBox { height: 20px; spacing:5px;}QCheckBox::indicator{ bottom:1px; width:15px; height: 20px; }"
    "QToolButton::menu-indicator { right:200 } QSpinBox, QDoubleSpinBox { height:17px; padding-right: 4px; "
    "} ";
char const* const GQUILayer::cStyleSheetOther =
    "QRadioButton { spacing:5px;} QRadioButton::indicator { width: 15px; height: 24px; } "
    "QCheckBox { height: 20px; spacing:5px;}QCheckBox::indicator{ width:15px; height: 20px; }"
    "QToolButton::menu-indicator { right:200 } QSpinBox, QDoubleSpinBox { height:17px; padding-right: 4px; "
    "} ";
char const* const GQUILayer::cSquareIndicators = "QRadioButton::indicator { width: 15px; height: 15px; } "
                                                 "QCheckBox::indicator{ width:15px; height: 15px; }";

GPathName GQUILayer::sPrefFileName;
int GQUILayer::sInitialized = 0;
GQUILayer::LoopHandler GQUILayer::sStartModalLoopHandler = nullptr;
GQUILayer::LoopHandler GQUILayer::sStopModalLoopHandler = nullptr;
GQUILayer::LoopHandler GQUILayer::sStartFloatingLoopHandler = nullptr;
GQUILayer::LoopHandler GQUILayer::sStopFloatingLoopHandler = nullptr;
GQUILayer::WindowEventHandler GQUILayer::sWindowEventFloatingHandler = nullptr;
GQUILayer::MainWindowHandler GQUILayer::sMainWindowHandler = nullptr;
bool GQUILayer::sUseActiveWindowAsParent = true;
bool GQUILayer::sUseZolvaneStyle = true;
bool GQUILayer::sDefaultFloatingIsTool = true;

void GQUILayer::Initialize()
{
    if (sInitialized++ != 0)
        return;
    bool foundation = false;
    bool help = false;
    try
    {
        GBasicFrameworkCoreLayer::Initialize();
        foundation = true;

        QCoreApplication* const existing = QCoreApplication::instance();
        if (!existing)
            CreateApplication(1);
        else if (qobject_cast<QApplication*>(existing))
        {
            // A host's own application is used as it is; one that another component shares is
            // counted.
            if (GBQCSharedObject::IsShared(existing))
            {
                sApplicationObj = existing;
                GBQCSharedObject::Acquire(existing, 1);
            }
        }
        else if (GBQCSharedObject::IsShared(existing))
        {
            // A shared application without widgets makes way for one with them, keeping its users.
            unsigned const users = static_cast<unsigned>(GBQCSharedObject::GetRefCount(existing));
            delete existing;
            CreateApplication(users + 1);
        }

        if (QApplication* const application = CurrentWidgetApplication())
        {
            if (GPreferences::GetBool(GBuffer("General"), GBuffer("ShowQtLayoutDebugGuides")))
            {
                sLayoutDebugger.reset(new GBQLayoutDebugger(nullptr));
                application->installEventFilter(sLayoutDebugger.get());
            }
            if (sUseZolvaneStyle)
                ApplyLook();
        }
        GQUIHelpHandler::Initialize();
        help = true;
        GStringPoolSupport::AddStringPoolData(GBuffer("enUS"), "WinAnsiEncoding", GQUILayerTexts::sRows,
                                              GQUILayerTexts::cCount, false);
        if (GUserMessage::HasDefaultInstance())
            GUserMessage::SetInstance(new GQUIUserMessage);
    }
    catch (...) // a half-made start is taken down before the error travels on; the next start tries anew
    {
        UndoStart(foundation, help);
        --sInitialized;
        throw;
    }
}

void GQUILayer::UndoStart(bool foundation, bool help)
{
    // What the start made, in the order Finalize takes it down; the caller's hooks and settings stay.
    if (help)
        GQUIHelpHandler::Finalize();
    if (sEventsSenderHelper)
        sEventsSenderHelper->UnSubscribe(cRepeaterSignal);
    if (foundation)
        GBasicFrameworkCoreLayer::Finalize();
    ReleaseApplication();
}

void GQUILayer::Finalize()
{
    if (--sInitialized > 0)
        return;
    if (sInitialized < 0)
    {
        sInitialized = 0;
        return;
    }
    GQUIHelpHandler::Finalize();
    sStartModalLoopHandler = nullptr;
    sStopModalLoopHandler = nullptr;
    sStartFloatingLoopHandler = nullptr;
    sStopFloatingLoopHandler = nullptr;
    sWidgetWrapper.reset();
    if (sEventsSenderHelper)
        sEventsSenderHelper->UnSubscribe(cRepeaterSignal);
    delete sQtPluginsFolder;
    sQtPluginsFolder = nullptr;
    GBasicFrameworkCoreLayer::Finalize();
    ReleaseApplication();
}

void GQUILayer::CreateApplication(unsigned users)
{
    // Read by Qt on macOS when it makes its first window: layer-backed views, as the host has.
    setenv("QT_MAC_WANTS_LAYER", "1", 1);
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    QCoreApplication::setAttribute(Qt::AA_PluginApplication);
    AddLibraryPath();
    QApplication* const application =
        new GQUINativeLookingApplication<QApplication>(cDummyArgc, cDummyArgv, QT_VERSION);
    sApplicationObj = application;
    GBQCSharedObject::Acquire(application, users);

    delete sEventsSenderHelper;
    sEventsSenderHelper = new GQEventsSenderHelper;
    sEventsSenderHelper->Subscribe(cRepeaterSignal);
}

void GQUILayer::AddLibraryPath()
{
    GPathName folder;
    if (sQtPluginsFolder && !sQtPluginsFolder->IsEmpty())
        folder = *sQtPluginsFolder;
    else
    {
        GPathName code;
        GFileSystem::GetDllPath(code);
        folder = code.GetBranch();
    }
    QCoreApplication::addLibraryPath(GQStringSupport::ToQString(folder));
}

void GQUILayer::ApplyLook()
{
    // Selected list rows keep their active colours while the window is not active.
    QPalette palette = QApplication::palette();
    palette.setBrush(QPalette::Inactive, QPalette::Highlight,
                     QBrush(palette.color(QPalette::Active, QPalette::Highlight)));
    palette.setBrush(QPalette::Inactive, QPalette::HighlightedText,
                     QBrush(palette.color(QPalette::Active, QPalette::HighlightedText)));
    QApplication::setPalette(palette, "QListWidget");

    QLocale locale(QLocale::English, QLocale::AnyCountry);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QLocale::setDefault(locale);

    // From macOS 10.15 on the indicators sit one pixel higher.
    constexpr int cMacOS1015 = 6016;
    QString sheet =
        QString::fromLatin1(PSystem::GetOSCode() >= cMacOS1015 ? cStyleSheetFrom1015 : cStyleSheetOther);
    // The indicators' sizes suit the macOS style, which draws its control in the middle of them;
    // other styles fill them, and a tick drawn for the height spills out of a narrower box.
    if (!QApplication::style()->inherits("QMacStyle"))
        sheet += QLatin1String(cSquareIndicators);
    qApp->setStyleSheet(sheet);
}

void GQUILayer::HandleStartModalLoop(void* windowHandle)
{
    if (sStartModalLoopHandler)
        sStartModalLoopHandler(windowHandle);
}

void GQUILayer::HandleStopModalLoop(void* windowHandle)
{
    if (sStopModalLoopHandler)
        sStopModalLoopHandler(windowHandle);
}

void GQUILayer::HandleStartFloatingLoop(void* windowHandle)
{
    if (sStartFloatingLoopHandler)
        sStartFloatingLoopHandler(windowHandle);
}

void GQUILayer::HandleStopFloatingLoop(void* windowHandle)
{
    if (sStopFloatingLoopHandler)
        sStopFloatingLoopHandler(windowHandle);
}

void GQUILayer::HandleWindowEventFloating(void* windowHandle, int event)
{
    if (sWindowEventFloatingHandler)
        sWindowEventFloatingHandler(windowHandle, event);
}

void GQUILayer::SetMainWindowHandler(MainWindowHandler handler)
{
    sMainWindowHandler = handler;
    sWidgetWrapper.reset();
    // A widget needs the application; without one there is no default parent to make.
    if (handler && CurrentWidgetApplication())
        sWidgetWrapper.reset(new GQUIWidgetWrapper);
}

QWidget* GQUILayer::GetWidgetWrapper()
{
    if (sUseActiveWindowAsParent)
    {
        if (QWidget* const active = QApplication::activeWindow())
            return active;
    }
    return sWidgetWrapper.get();
}

void GQUILayer::SetQtPluginsFolder(GPathName const& folder)
{
    delete sQtPluginsFolder;
    sQtPluginsFolder = nullptr;
    sQtPluginsFolder = new GPathName(folder);
}

void GQUILayer::GetPrefFileName(GPathName& file)
{
    if (!sPrefFileName.IsEmpty())
    {
        file = sPrefFileName;
        return;
    }
    constexpr int cPluginDataFolder = 36;
    file = GFileSystem::GetSpecialPath(cPluginDataFolder) / GPathName("UIGeometrySettingsQt5.ini");
}
