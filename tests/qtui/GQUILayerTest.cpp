// The toolkit's counted start-up and shut-down: the Qt application made, adopted and shared through
// its user count, a start that fails undone, the host's hooks, the default parent of dialogs, the
// look with its square check and radio indicators, and the texts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>

#include <cstdlib>
#include <memory>

#include "ErrorOf.h"
#include "GBQCSharedObject.h"
#include "GBasicFrameworkCoreLayer.h"
#include "GEmptyMessage.h"
#include "GFileSystem.h"
#include "GPrefMemoryModule.h"
#include "GPreferences.h"
#include "GQUIHelpHandler.h"
#include "GQUILayer.h"
#include "GQUIUserMessage.h"
#include "GSignal.h"
#include "GStringPool.h"
#include "PSystem.h"
#include "QtuiTestSupport.h"
#include "StringText.h"

using qtuitest::HookLog;
using qtuitest::LayerTest;

namespace
{
char const* RefCountProperty()
{
    return GBQCSharedObject::cRefCountProperty;
}

int argcOfHost = 1;
char hostArgument[] = "host";
char* argvOfHost[] = {hostArgument, nullptr};
} // namespace

TEST_F(LayerTest, TheFirstStartMakesTheApplicationAndTheLastStopDeletesIt)
{
    unsetenv("QT_MAC_WANTS_LAYER");
    GQUILayer::Initialize();
    QCoreApplication* const application = QCoreApplication::instance();
    ASSERT_NE(qobject_cast<QApplication*>(application), nullptr);
    EXPECT_STREQ(std::getenv("QT_MAC_WANTS_LAYER"), "1");
    EXPECT_EQ(GBQCSharedObject::GetRefCount(application), 1);
    EXPECT_TRUE(QCoreApplication::testAttribute(Qt::AA_PluginApplication));
    EXPECT_TRUE(QCoreApplication::testAttribute(Qt::AA_DontUseNativeMenuBar));

    GQUILayer::Initialize();
    EXPECT_EQ(GQUILayer::GetInitializeCount(), 2);
    EXPECT_EQ(QCoreApplication::instance(), application);
    EXPECT_EQ(GBQCSharedObject::GetRefCount(application), 1);

    GQUILayer::Finalize();
    EXPECT_EQ(QCoreApplication::instance(), application);
    GQUILayer::Finalize();
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
    EXPECT_EQ(GQUILayer::GetInitializeCount(), 0);

    // A stop without a start leaves the count at 0.
    GQUILayer::Finalize();
    EXPECT_EQ(GQUILayer::GetInitializeCount(), 0);
}

TEST_F(LayerTest, AStartThatFailsIsUndoneAndTheNextStartTriesAgain)
{
    // The plug-in's bundle is not found, so the folder of its code, which Qt's library path needs
    // when the layer makes the application, cannot be told.
    GBuffer identifier;
    PSystem::GetASCIIBundleIdentifier(identifier);
    PSystem::SetASCIIBundleIdentifier(GBuffer("com.example.not-installed"));
    int const foundation = GBasicFrameworkCoreLayer::GetInitializeCount();
    int const error = testsupport::ErrorOf([] { GQUILayer::Initialize(); });
    PSystem::SetASCIIBundleIdentifier(identifier);
    EXPECT_NE(error, 0);
    EXPECT_EQ(GQUILayer::GetInitializeCount(), 0);
    EXPECT_EQ(GBasicFrameworkCoreLayer::GetInitializeCount(), foundation);
    EXPECT_EQ(QCoreApplication::instance(), nullptr);

    GQUILayer::Initialize();
    EXPECT_EQ(GQUILayer::GetInitializeCount(), 1);
    ASSERT_NE(qobject_cast<QApplication*>(QCoreApplication::instance()), nullptr) << "the retry did nothing";
    EXPECT_EQ(GBQCSharedObject::GetRefCount(QCoreApplication::instance()), 1);
    EXPECT_EQ(GStringPool::GetString(2440), GString("Password"));
    GQUILayer::Finalize();
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
    EXPECT_EQ(GBasicFrameworkCoreLayer::GetInitializeCount(), foundation);
}

TEST_F(LayerTest, TwoStartersShareOneApplication)
{
    // Another component of the maker made the application first and holds one count on it.
    auto* const other = new GQUINativeLookingApplication<QApplication>(argcOfHost, argvOfHost, QT_VERSION);
    GBQCSharedObject::Acquire(other, 1);
    QPointer<QObject> const watch(other);

    GQUILayer::Initialize();
    EXPECT_EQ(QCoreApplication::instance(), other);
    EXPECT_EQ(GBQCSharedObject::GetRefCount(other), 2);
    GQUILayer::Finalize();
    ASSERT_FALSE(watch.isNull());
    EXPECT_EQ(GBQCSharedObject::GetRefCount(other), 1);

    // The other component leaves last and deletes it.
    GBQCSharedObject::Release(other, 1);
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(QCoreApplication::instance(), nullptr);
}

TEST_F(LayerTest, AHostApplicationCountedByOthersIsAdoptedAndLeftToThem)
{
    auto* const host = new QApplication(argcOfHost, argvOfHost);
    host->setProperty(RefCountProperty(), 2u);
    GQUILayer::Initialize();
    EXPECT_EQ(GBQCSharedObject::GetRefCount(host), 3);
    GQUILayer::Finalize();
    EXPECT_EQ(QCoreApplication::instance(), host);
    EXPECT_EQ(GBQCSharedObject::GetRefCount(host), 2);
    delete host;
}

TEST_F(LayerTest, ASharedCoreApplicationIsReplacedByAWidgetApplicationKeepingItsUsers)
{
    auto* const core = new QCoreApplication(argcOfHost, argvOfHost);
    core->setProperty(RefCountProperty(), 2u);
    GQUILayer::Initialize();
    QCoreApplication* const application = QCoreApplication::instance();
    ASSERT_NE(qobject_cast<QApplication*>(application), nullptr);
    EXPECT_EQ(GBQCSharedObject::GetRefCount(application), 3);
    GQUILayer::Finalize();
    EXPECT_EQ(GBQCSharedObject::GetRefCount(application), 2);
    delete application;
}

TEST_F(LayerTest, AnUnsharedCoreApplicationIsLeftAlone)
{
    auto* const core = new QCoreApplication(argcOfHost, argvOfHost);
    GQUILayer::Initialize();
    EXPECT_EQ(QCoreApplication::instance(), core);
    GQUILayer::Finalize();
    EXPECT_EQ(QCoreApplication::instance(), core);
    EXPECT_EQ(GBQCSharedObject::GetRefCount(core), 0);
    delete core;
}

TEST_F(LayerTest, AnUncountedHostApplicationGetsTheLookButIsNeitherCountedNorDeleted)
{
    auto* const host = new QApplication(argcOfHost, argvOfHost);
    GQUILayer::Initialize();
    EXPECT_FALSE(GBQCSharedObject::IsShared(host));
    EXPECT_FALSE(host->styleSheet().isEmpty());
    GQUILayer::Finalize();
    EXPECT_EQ(QCoreApplication::instance(), host);
    EXPECT_FALSE(GBQCSharedObject::IsShared(host));
    delete host;
}

TEST_F(LayerTest, TheMakersLookIsApplied)
{
    GQUILayer::Initialize();
    char const* const expected =
        PSystem::GetOSCode() >= 6016 ? GQUILayer::cStyleSheetFrom1015 : GQUILayer::cStyleSheetOther;
    // Followed, under any style but the macOS one, by what makes the indicators square.
    EXPECT_TRUE(qApp->styleSheet().startsWith(QString::fromLatin1(expected)))
        << qApp->styleSheet().toStdString();
    EXPECT_EQ(std::strlen(GQUILayer::cStyleSheetFrom1015), 300u);
    EXPECT_EQ(std::strlen(GQUILayer::cStyleSheetOther), 276u);

    QPalette const lists = QApplication::palette("QListWidget");
    EXPECT_EQ(lists.color(QPalette::Inactive, QPalette::Highlight),
              lists.color(QPalette::Active, QPalette::Highlight));
    EXPECT_EQ(lists.color(QPalette::Inactive, QPalette::HighlightedText),
              lists.color(QPalette::Active, QPalette::HighlightedText));
    EXPECT_EQ(QLocale().toString(1234567), QStringLiteral("1234567"));
    EXPECT_EQ(QLocale().decimalPoint(), QLatin1Char('.'));
    GQUILayer::Finalize();
    QLocale::setDefault(QLocale::c());
}

namespace
{
// A check box or a radio button with the style option it is drawn with.
template<class Button>
class IndicatorButton : public Button
{
public:
    IndicatorButton() : Button(QStringLiteral("Crop")) {}
    QRect IndicatorRect(QStyle::SubElement element)
    {
        QStyleOptionButton option;
        this->initStyleOption(&option);
        return this->style()->subElementRect(element, &option, this);
    }
    QImage Picture(bool checked)
    {
        this->setChecked(checked);
        QImage picture(this->size(), QImage::Format_ARGB32);
        picture.fill(Qt::white);
        this->render(&picture);
        return picture;
    }
};

// Where the two pictures differ: the mark that checking draws.
QRect MarkOf(QImage const& unchecked, QImage const& checked)
{
    QRect mark;
    for (int y = 0; y < checked.height(); ++y)
    {
        for (int x = 0; x < checked.width(); ++x)
        {
            if (checked.pixel(x, y) != unchecked.pixel(x, y))
                mark |= QRect(x, y, 1, 1);
        }
    }
    return mark;
}

template<class Button>
void ExpectSquareIndicatorHoldingItsMark(QStyle::SubElement element, QStyle::PixelMetric width,
                                         QStyle::PixelMetric height)
{
    IndicatorButton<Button> button;
    button.adjustSize();
    button.show();
    QRect const indicator = button.IndicatorRect(element);
    EXPECT_EQ(indicator.width(), indicator.height());
    EXPECT_GE(indicator.width(), 12);
    EXPECT_EQ(button.style()->pixelMetric(width, nullptr, &button),
              button.style()->pixelMetric(height, nullptr, &button));
    EXPECT_TRUE(button.rect().contains(indicator));

    QImage const unchecked = button.Picture(false);
    QRect const mark = MarkOf(unchecked, button.Picture(true));
    ASSERT_FALSE(mark.isEmpty()) << "checking draws a mark";
    EXPECT_TRUE(indicator.contains(mark))
        << "mark (" << mark.x() << ", " << mark.y() << ") " << mark.width() << " x " << mark.height()
        << " outside the indicator (" << indicator.x() << ", " << indicator.y() << ") " << indicator.width()
        << " x " << indicator.height();
}
} // namespace

// The sheet sizes the indicators for the macOS style, which draws its own control in the middle of
// them; any other style fills them, so they must be square there.
TEST_F(LayerTest, CheckBoxesAndRadioButtonsHaveSquareIndicatorsWithTheirMarksInside)
{
    GQUILayer::Initialize();
    ASSERT_FALSE(QApplication::style()->inherits("QMacStyle")) << "this platform's style";
    {
        SCOPED_TRACE("check box");
        ExpectSquareIndicatorHoldingItsMark<QCheckBox>(QStyle::SE_CheckBoxIndicator,
                                                       QStyle::PM_IndicatorWidth, QStyle::PM_IndicatorHeight);
    }
    {
        SCOPED_TRACE("radio button");
        ExpectSquareIndicatorHoldingItsMark<QRadioButton>(QStyle::SE_RadioButtonIndicator,
                                                          QStyle::PM_ExclusiveIndicatorWidth,
                                                          QStyle::PM_ExclusiveIndicatorHeight);
    }
    GQUILayer::Finalize();
}

TEST_F(LayerTest, WithoutTheMakersStyleTheHostsLookStays)
{
    auto* const host = new QApplication(argcOfHost, argvOfHost);
    host->setStyleSheet("QLabel { color: red; }");
    GQUILayer::SetUseZolvaneStyle(false);
    GQUILayer::Initialize();
    EXPECT_EQ(host->styleSheet(), QStringLiteral("QLabel { color: red; }"));
    GQUILayer::Finalize();
    host->setStyleSheet(QString());
    delete host;
}

TEST_F(LayerTest, WidgetsGetTheirControlSizeWhenPolished)
{
    GQUILayer::Initialize();
    {
        QMenu menu;
        QTabBar tabs;
        QPushButton button;
        QPushButton mini;
        mini.setAttribute(Qt::WA_MacMiniSize);
        for (QWidget* widget : std::initializer_list<QWidget*>{&menu, &tabs, &button, &mini})
            widget->ensurePolished();
        EXPECT_TRUE(menu.testAttribute(Qt::WA_MacNormalSize));
        EXPECT_TRUE(tabs.testAttribute(Qt::WA_MacNormalSize));
        EXPECT_TRUE(button.testAttribute(Qt::WA_MacSmallSize));
        EXPECT_TRUE(mini.testAttribute(Qt::WA_MacMiniSize));
        EXPECT_FALSE(mini.testAttribute(Qt::WA_MacSmallSize));
    }
    GQUILayer::Finalize();
}

TEST_F(LayerTest, HooksAreCalledWithTheirArgumentsAndTheLoopHooksGoAtTheLastStop)
{
    HookLog::Install();
    int window = 0;
    GQUILayer::HandleStartModalLoop(&window);
    GQUILayer::HandleStopModalLoop(&window);
    GQUILayer::HandleStartFloatingLoop(&window);
    GQUILayer::HandleStopFloatingLoop(&window);
    GQUILayer::HandleWindowEventFloating(&window, 3);
    EXPECT_EQ(HookLog::Calls(), "start modal, stop modal, start floating, stop floating, event 3");
    for (void* handle : HookLog::Handles())
        EXPECT_EQ(handle, &window);

    GQUILayer::Initialize();
    GQUILayer::Finalize();
    HookLog::Clear();
    GQUILayer::HandleStartModalLoop(&window);
    GQUILayer::HandleStopModalLoop(&window);
    GQUILayer::HandleStartFloatingLoop(&window);
    GQUILayer::HandleStopFloatingLoop(&window);
    GQUILayer::HandleWindowEventFloating(&window, 1);
    EXPECT_EQ(HookLog::Calls(), "event 1");
}

TEST_F(LayerTest, DialogsTakeTheActiveWindowOrTheWrapperOfTheMainWindowHook)
{
    GQUILayer::Initialize();
    EXPECT_EQ(GQUILayer::GetWidgetWrapper(), nullptr);
    GQUILayer::SetMainWindowHandler([]() -> void* { return nullptr; });
    QWidget* const wrapper = GQUILayer::GetWidgetWrapper();
    ASSERT_NE(wrapper, nullptr);
    EXPECT_EQ(wrapper->parentWidget(), nullptr);
    QPointer<QWidget> const watch(wrapper);
    GQUILayer::SetMainWindowHandler([]() -> void* { return nullptr; });
    EXPECT_TRUE(watch.isNull()) << "a new hook replaces the wrapper";
    EXPECT_NE(GQUILayer::GetWidgetWrapper(), nullptr);

    QWidget active;
    active.show();
    QApplication::setActiveWindow(&active);
    EXPECT_EQ(GQUILayer::GetWidgetWrapper(), &active);
    GQUILayer::SetUseActiveWindowAsParent(false);
    EXPECT_NE(GQUILayer::GetWidgetWrapper(), &active);
    GQUILayer::SetUseActiveWindowAsParent(true);
    active.hide();
    QApplication::setActiveWindow(nullptr);

    GQUILayer::SetMainWindowHandler(nullptr);
    EXPECT_EQ(GQUILayer::GetWidgetWrapper(), nullptr);
    GQUILayer::SetMainWindowHandler([]() -> void* { return nullptr; });
    GQUILayer::Finalize();
    EXPECT_EQ(GQUILayer::GetWidgetWrapper(), nullptr) << "the last stop deletes the wrapper";
}

namespace
{
// Counts the events of one custom type that reach it.
class EventCounter : public QObject
{
public:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            ++fCount;
        return QObject::event(event);
    }
    int fCount = 0;
};
} // namespace

TEST_F(LayerTest, TheRepeaterSignalDeliversPostedEventsOfAnApplicationTheLayerMade)
{
    GQUILayer::Initialize();
    EventCounter receiver;
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    EXPECT_EQ(receiver.fCount, 0);
    GSignal<GEmptyMessage>::GetSignal(GQUILayer::cRepeaterSignal)->Send(GEmptyMessage());
    EXPECT_EQ(receiver.fCount, 1);
    GQUILayer::Finalize();
}

TEST_F(LayerTest, TheHoverHelpListenerLivesFromTheFirstStartToTheLastStop)
{
    EXPECT_EQ(GQUIHelpHandler::GetListener(), nullptr);
    GQUILayer::Initialize();
    GQUILayer::Initialize();
    EXPECT_NE(GQUIHelpHandler::GetListener(), nullptr);
    GQUILayer::Finalize();
    EXPECT_NE(GQUIHelpHandler::GetListener(), nullptr);
    GQUILayer::Finalize();
    EXPECT_EQ(GQUIHelpHandler::GetListener(), nullptr);
}

TEST_F(LayerTest, TheToolkitsTextsAreRegistered)
{
    GQUILayer::Initialize();
    struct Case
    {
        int id;
        char const* text;
    } const cases[] = {
        {15, "Yes"},
        {16, "No"},
        {1100, "Don't show this message again"},
        {2421, "Select \"%1\""},
        {2443, "Passwords do not match"},
        {11010032, "Pages"},
        {1, "Framework DEBUG Alert\r\r%1\r\r"},
        {11010144, "Move Down"},
    };
    for (Case const& c : cases)
        EXPECT_EQ(testsupport::Utf8Of(GStringPool::GetString(c.id)), c.text) << c.id;
    GQUILayer::Finalize();
}

TEST_F(LayerTest, TheQtUserMessageServiceIsInstalledOnlyWhereNoneIs)
{
    GUserMessage::SetInstance(nullptr);
    GQUILayer::Initialize();
    EXPECT_NE(dynamic_cast<GQUIUserMessage*>(GUserMessage::GetInstance()), nullptr);
    GQUILayer::Finalize();

    GUserMessage* const own = new GUserMessage;
    GUserMessage::SetInstance(own);
    GQUILayer::Initialize();
    EXPECT_EQ(GUserMessage::GetInstance(), own);
    GQUILayer::Finalize();
    GUserMessage::SetInstance(nullptr);
}

TEST_F(LayerTest, LayoutGuidesArePaintedOnlyWhenThePreferenceIsExactlyTrue)
{
    struct Case
    {
        char const* value;
        bool guides;
    } const cases[] = {{"true", true}, {"TRUE", false}, {"1", false}, {"", false}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.value);
        auto* const module = new GPrefMemoryModule;
        module->Set(GBuffer("General"), GBuffer("ShowQtLayoutDebugGuides"), GString(c.value));
        GPreferences::SetPrefModule(GPreferences::cMemoryModuleID, module, true);
        GQUILayer::Initialize();
        {
            QWidget widget;
            widget.resize(40, 30);
            QImage const picture = widget.grab().toImage();
            EXPECT_EQ(picture.pixelColor(0, 0) == QColor(Qt::blue), c.guides);
        }
        GQUILayer::Finalize();
        GPreferences::RemovePrefModule(GPreferences::cMemoryModuleID);
    }
}

TEST_F(LayerTest, TheWindowStateFileIsTheOneSetOrTheDefaultInThePluginDataFolder)
{
    GPathName file;
    GQUILayer::SetPrefFileName(GPathName(""));
    GFileSystem::AddSpecialPath(36, GPathName("/Users/someone/Zolvane Prefs Folder/Plugin"));
    GQUILayer::GetPrefFileName(file);
    EXPECT_EQ(testsupport::Utf8Of(file.GetCrossPlatformString()),
              "/Users/someone/Zolvane Prefs Folder/Plugin/UIGeometrySettingsQt5.ini");
    GQUILayer::SetPrefFileName(GPathName("/tmp/state.ini"));
    GQUILayer::GetPrefFileName(file);
    EXPECT_EQ(testsupport::Utf8Of(file.GetCrossPlatformString()), "/tmp/state.ini");
}

TEST(GBQCSharedObjectTest, CountsLiveInThePropertyAndTheLastReleaseDeletes)
{
    EXPECT_FALSE(GBQCSharedObject::IsShared(nullptr));
    EXPECT_EQ(GBQCSharedObject::GetRefCount(nullptr), 0);
    GBQCSharedObject::Acquire(nullptr, 1);
    GBQCSharedObject::Release(nullptr, 1);

    QPointer<QObject> object(new QObject);
    EXPECT_FALSE(GBQCSharedObject::IsShared(object));
    GBQCSharedObject::Acquire(object, 2);
    EXPECT_EQ(object->property(RefCountProperty()).userType(), int(QMetaType::UInt));
    EXPECT_EQ(GBQCSharedObject::GetRefCount(object), 2);
    GBQCSharedObject::Release(object, 1);
    EXPECT_EQ(GBQCSharedObject::GetRefCount(object), 1);
    GBQCSharedObject::Release(object, 1);
    EXPECT_TRUE(object.isNull());

    // Without the property, and with a text that is no number, one release deletes.
    object = new QObject;
    GBQCSharedObject::Release(object, 1);
    EXPECT_TRUE(object.isNull());
    object = new QObject;
    object->setProperty(RefCountProperty(), QStringLiteral("many"));
    EXPECT_FALSE(GBQCSharedObject::IsShared(object));
    GBQCSharedObject::Release(object, 1);
    EXPECT_TRUE(object.isNull());
}
