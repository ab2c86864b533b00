// Toolkit windows inside the host: every modal and floating loop announced to the host's hooks,
// window events reported, and geometry and splitter states kept in the window-state file under the
// window's class name and identifier.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QHideEvent>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <cstring>
#include <fstream>
#include <sstream>

#include "GQUILayer.h"
#include "GQUIWindow.h"
#include "QtuiTestSupport.h"
#include "TempFolder.h"

using qtuitest::HookLog;

// A window with a meta-object of its own.
class TestDialog : public GQUIWindow
{
    Q_OBJECT

public:
    explicit TestDialog(bool modal = true) : GQUIWindow(GString("Test"), modal) {}
};

// A window without one: it is named by the compiler's type name.
class PlainTestWindow : public GQUIWindow
{
public:
    PlainTestWindow() : GQUIWindow(GString("Plain"), true) {}
};

namespace
{
class GQUIWindowTest : public qtuitest::LayerTest
{
protected:
    void SetUp() override
    {
        LayerTest::SetUp();
        GQUILayer::SetPrefFileName(GPathName(GString(fFolder.String().c_str())) / GPathName("state.ini"));
        GQUILayer::Initialize();
        HookLog::Install();
    }
    void TearDown() override
    {
        LayerTest::TearDown();
        GQUILayer::SetPrefFileName(GPathName());
    }

    std::string StateFile() const { return (fFolder / "state.ini").string(); }
    QSettings Settings() const
    {
        return QSettings(QString::fromStdString(StateFile()), QSettings::IniFormat);
    }
    std::string StateText() const
    {
        std::ifstream in(StateFile());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Answers the next modal dialog from the event loop: notes what the hooks saw by then, then
    // accepts it.
    void AnswerNextModal(std::string& seenDuringLoop, int result = QDialog::Accepted)
    {
        QTimer::singleShot(0,
                           [&seenDuringLoop, result]()
                           {
                               auto* const dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                               seenDuringLoop = dialog ? HookLog::Calls("st") : "no modal dialog";
                               if (dialog)
                                   dialog->done(result);
                           });
    }

    testsupport::TempFolder fFolder;
};
} // namespace

TEST_F(GQUIWindowTest, EachModalRunIsAnnouncedToTheHostBeforeAndAfterWithOneHandle)
{
    TestDialog dialog;
    std::string seen;
    AnswerNextModal(seen, QDialog::Accepted);
    EXPECT_EQ(dialog.exec(), int(QDialog::Accepted));
    EXPECT_EQ(seen, "start modal");
    EXPECT_EQ(HookLog::Calls("st"), "start modal, stop modal");

    AnswerNextModal(seen, QDialog::Rejected);
    EXPECT_EQ(dialog.exec(), int(QDialog::Rejected));
    EXPECT_EQ(seen, "start modal, stop modal, start modal");
    EXPECT_EQ(HookLog::Calls("st"), "start modal, stop modal, start modal, stop modal");

    void* const handle = reinterpret_cast<void*>(dialog.winId());
    for (std::size_t i = 0; i < HookLog::Handles().size(); ++i)
        EXPECT_EQ(HookLog::Handles()[i], handle) << i;
}

TEST_F(GQUIWindowTest, AFloatingWindowStartsItsLoopWhenShownAndStopsItWhenDestroyed)
{
    void* handle = nullptr;
    {
        TestDialog window(false);
        EXPECT_TRUE(window.windowFlags().testFlag(Qt::Tool));
        EXPECT_FALSE(window.isModal());
        window.show();
        window.show();
        handle = reinterpret_cast<void*>(window.winId());
        window.hide();
        EXPECT_EQ(HookLog::Calls("st"), "start floating");
    }
    EXPECT_EQ(HookLog::Calls("st"), "start floating, stop floating");
    EXPECT_EQ(HookLog::Handles().front(), handle);
    EXPECT_EQ(HookLog::Handles().back(), handle);

    GQUILayer::SetDefaultFloatingIsTool(false);
    TestDialog plain(false);
    EXPECT_FALSE(plain.windowFlags().testFlag(Qt::Tool));
}

TEST_F(GQUIWindowTest, ShowHideAndActivationAreReportedToTheWindowEventHook)
{
    TestDialog window(false);
    window.show();
    QApplication::setActiveWindow(&window);
    EXPECT_EQ(HookLog::Calls("event"), "event 2, event 0");
    HookLog::Clear();

    // A Hide that arrives while the window is still visible reports nothing.
    QHideEvent early;
    QApplication::sendEvent(&window, &early);
    EXPECT_EQ(HookLog::Calls("event"), "");
    window.hide();
    std::string const hidden = HookLog::Calls("event");
    EXPECT_NE(hidden.find("event 3"), std::string::npos) << hidden;
    EXPECT_EQ(hidden.find("event 2"), std::string::npos) << hidden;
}

TEST_F(GQUIWindowTest, GeometryIsKeptUnderTheClassNameAndIdentifier)
{
    {
        TestDialog window(false);
        window.show();
        window.setGeometry(130, 140, 310, 220);
        QApplication::processEvents();
    }
    EXPECT_NE(StateText().find("[Geometry]"), std::string::npos) << StateText();
    EXPECT_TRUE(Settings().contains("Geometry/TestDialog"));
    {
        TestDialog window(false);
        window.show();
        EXPECT_EQ(window.geometry(), QRect(130, 140, 310, 220));
    }
    {
        TestDialog window(false);
        window.SetWindowIdentifier(GString("A"));
        window.show();
    }
    EXPECT_TRUE(Settings().contains("Geometry/TestDialogA"));
}

TEST_F(GQUIWindowTest, AWindowWithoutItsOwnMetaObjectIsNamedByItsTypeName)
{
    {
        PlainTestWindow window;
        window.show();
    }
    QString const expected = QStringLiteral("Geometry/") + QString::number(std::strlen("PlainTestWindow")) +
                             QStringLiteral("PlainTestWindow");
    EXPECT_TRUE(Settings().contains(expected)) << Settings().allKeys().join(' ').toStdString();
}

TEST_F(GQUIWindowTest, AWindowNeverShownSavesNothing)
{
    {
        TestDialog window(false);
    }
    EXPECT_TRUE(Settings().allKeys().isEmpty());
}

TEST_F(GQUIWindowTest, TrackedSplittersKeepTheirStateUnderTheWindowsKey)
{
    auto const build = [](TestDialog& window)
    {
        auto* const splitter = new QSplitter(&window);
        splitter->setObjectName("split");
        splitter->addWidget(new QWidget);
        splitter->addWidget(new QWidget);
        auto* const layout = new QVBoxLayout(&window);
        layout->addWidget(splitter);
        window.resize(400, 300);
        window.StartTrackState(splitter);
        return splitter;
    };
    QList<int> saved;
    {
        TestDialog window(false);
        QSplitter* const splitter = build(window);
        window.show();
        splitter->setSizes({100, 250});
        saved = splitter->sizes();
    }
    EXPECT_TRUE(Settings().contains("Geometry/TestDialog/split"));
    {
        TestDialog window(false);
        QSplitter* const splitter = build(window);
        window.show();
        EXPECT_EQ(splitter->sizes(), saved);

        // Stopping saves the state at once.
        splitter->setSizes({200, 150});
        QList<int> const now = splitter->sizes();
        window.StopTrackState(splitter);
        splitter->setSizes({10, 340});
        QSplitter check;
        check.addWidget(new QWidget);
        check.addWidget(new QWidget);
        check.resize(splitter->size());
        check.restoreState(Settings().value("Geometry/TestDialog/split").toByteArray());
        EXPECT_EQ(check.sizes(), now);
    }
}

TEST_F(GQUIWindowTest, TheFirstShowCentresTheWindowOnTheScreenUnderThePointer)
{
    TestDialog window(false);
    window.resize(301, 201);
    window.show();
    QRect const screen = QGuiApplication::screenAt(QCursor::pos())
                             ? QGuiApplication::screenAt(QCursor::pos())->geometry()
                             : QGuiApplication::primaryScreen()->geometry();
    QSize const frame = window.frameGeometry().size();
    EXPECT_EQ(window.frameGeometry().topLeft(),
              QPoint(screen.x() + screen.width() / 2 - frame.width() / 2,
                     screen.y() + screen.height() / 2 - frame.height() / 2));
}

TEST_F(GQUIWindowTest, WithoutSaveAndLoadOnlyHidingSaves)
{
    {
        TestDialog window(false);
        window.show();
        window.setGeometry(50, 60, 250, 150);
        QApplication::processEvents();
    }
    {
        TestDialog window(false);
        window.SetSaveLoadGeometry(false);
        EXPECT_FALSE(window.GetSaveLoadGeometry());
        window.resize(222, 111);
        window.show();
        EXPECT_NE(window.geometry(), QRect(50, 60, 250, 150)) << "nothing is loaded";
        window.setGeometry(70, 80, 260, 160);
        QApplication::processEvents();
        window.hide();
        window.setGeometry(90, 100, 270, 170);
    }
    TestDialog window(false);
    window.show();
    EXPECT_EQ(window.geometry(), QRect(70, 80, 260, 160)) << "the hide saved, the destruction did not";
}

TEST_F(GQUIWindowTest, AVisibleStateFollowsTheWindowAndShowsOrHidesIt)
{
    GSimpleBoolState state(false);
    TestDialog window(false);
    window.SetVisibleState(&state);
    window.show();
    EXPECT_TRUE(state.Get());
    window.hide();
    EXPECT_FALSE(state.Get());
    state.Set(true);
    state.Notify();
    EXPECT_TRUE(window.isVisible());
    state.Set(false);
    state.Notify();
    EXPECT_FALSE(window.isVisible());
    window.SetVisibleState(nullptr);
    EXPECT_EQ(state.GetObserverCount(), 0);
}

TEST_F(GQUIWindowTest, AWindowWithoutParentTakesTheToolkitsDefaultParent)
{
    GQUILayer::SetMainWindowHandler([]() -> void* { return nullptr; });
    TestDialog window;
    EXPECT_EQ(window.parentWidget(), GQUILayer::GetWidgetWrapper());
    EXPECT_NE(window.parentWidget(), nullptr);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Test"));
    EXPECT_TRUE(window.isSizeGripEnabled());
    EXPECT_EQ(window.windowModality(), Qt::ApplicationModal);
}

#include "GQUIWindowTest.moc"
