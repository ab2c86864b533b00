// Hover help: a widget's text shown in its window's help pane after the delay (at once in a modal
// window), taken back when the pointer leaves early, several panes served on one idle signal, and
// widgets and help components that are destroyed while the help knows them.
#include <gtest/gtest.h>

#include <QCursor>
#include <QTest>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include <memory>

#include "GBasicSignals.h"
#include "GQUIHelpHandler.h"
#include "GQUILayer.h"
#include "GTimer.h"
#include "QtuiTestSupport.h"

namespace
{
// A window with a help pane, and a container with two buttons that the help serves.
struct HelpWindow
{
    HelpWindow()
    {
        auto* const layout = new QVBoxLayout(&fWindow);
        fContainer = new QWidget;
        auto* const inner = new QVBoxLayout(fContainer);
        fExport = new QPushButton("Export", fContainer);
        fCancel = new QPushButton("Cancel", fContainer);
        inner->addWidget(fExport);
        inner->addWidget(fCancel);
        fPane = new QTextEdit;
        layout->addWidget(fContainer);
        layout->addWidget(fPane);
        fWindow.move(100, 100);
    }
    QWidget fWindow;
    QWidget* fContainer;
    QPushButton* fExport;
    QPushButton* fCancel;
    QTextEdit* fPane;
};

class GQUIHelpHandlerTest : public qtuitest::LayerTest
{
protected:
    void SetUp() override
    {
        LayerTest::SetUp();
        GQUILayer::Initialize();
        fHelp = std::make_unique<HelpWindow>();
        GQUIHelpHandler::RegisterHelpComponent(fHelp->fContainer, fHelp->fPane);
        GQUIHelpHandler::RegisterHelp(fHelp->fExport, GString("Writes the PDF."));
        GQUIHelpHandler::RegisterHelp(fHelp->fCancel, GString("Closes without writing."));
    }
    void TearDown() override
    {
        fHelp.reset(); // the component's destruction takes its handler away
        EXPECT_FALSE(GQUIHelpHandler::IsTimeIdlerRunning());
        LayerTest::TearDown();
    }

    void Show(Qt::WindowModality modality)
    {
        fHelp->fWindow.setWindowModality(modality);
        fHelp->fWindow.show();
        QCursor::setPos(0, 0);
    }
    static void PointAt(QWidget* widget)
    {
        QCursor::setPos(widget->mapToGlobal(widget->rect().center()));
    }
    static void Idle() { GBasicSignals::DevoteTimeToIdlers(); }
    QString PaneText() const { return fHelp->fPane->toPlainText(); }

    // Idle signals until the pane shows a text; the seconds that took (at most 2).
    double IdleUntilShown()
    {
        GTimer timer;
        timer.Start();
        while (PaneText().isEmpty() && timer.GetElapsedSeconds() < 2.0)
        {
            Idle();
            QTest::qWait(20);
        }
        return timer.GetElapsedSeconds();
    }

    std::unique_ptr<HelpWindow> fHelp;
};

TEST_F(GQUIHelpHandlerTest, ATextShowsAfterTheDelayInAWindowThatIsNotModal)
{
    Show(Qt::NonModal);
    PointAt(fHelp->fExport);
    Idle();
    EXPECT_EQ("", PaneText());
    EXPECT_TRUE(GQUIHelpHandler::IsTimeIdlerRunning());
    double const seconds = IdleUntilShown();
    EXPECT_EQ("Writes the PDF.", PaneText());
    EXPECT_GE(seconds, 0.45);
    EXPECT_LT(seconds, 1.5);
    EXPECT_FALSE(GQUIHelpHandler::IsTimeIdlerRunning());
}

TEST_F(GQUIHelpHandlerTest, ATextShowsAtOnceInAModalWindow)
{
    Show(Qt::ApplicationModal);
    PointAt(fHelp->fCancel);
    Idle();
    EXPECT_EQ("Closes without writing.", PaneText());
    EXPECT_FALSE(GQUIHelpHandler::IsTimeIdlerRunning());
    PointAt(fHelp->fExport);
    Idle();
    EXPECT_EQ("Writes the PDF.", PaneText());
}

TEST_F(GQUIHelpHandlerTest, LeavingEarlyKeepsThePanesText)
{
    Show(Qt::NonModal);
    fHelp->fPane->setPlainText("earlier");
    PointAt(fHelp->fExport);
    Idle();
    EXPECT_EQ(1, GQUIHelpHandler::GetActiveHandlerCount());
    QCursor::setPos(0, 0);
    Idle();
    EXPECT_EQ(0, GQUIHelpHandler::GetActiveHandlerCount());
    EXPECT_FALSE(GQUIHelpHandler::IsTimeIdlerRunning());
    EXPECT_EQ("earlier", PaneText());
}

TEST_F(GQUIHelpHandlerTest, HandlersDueTogetherShowOnTheSameSignal)
{
    HelpWindow other;
    GQUIHelpHandler::RegisterHelpComponent(other.fContainer, other.fPane);
    Show(Qt::NonModal);
    other.fWindow.show();
    GQUIHelpHandler::SetDelayedHelp(fHelp->fExport, GString("first"));
    GQUIHelpHandler::SetDelayedHelp(other.fCancel, GString("second"));
    EXPECT_EQ(2, GQUIHelpHandler::GetActiveHandlerCount());
    QTest::qWait(GQUIHelpHandler::cDelay + 20);
    Idle();
    EXPECT_EQ("first", PaneText());
    EXPECT_EQ("second", other.fPane->toPlainText());
    EXPECT_EQ(0, GQUIHelpHandler::GetActiveHandlerCount());
    EXPECT_EQ(other.fContainer, GQUIHelpHandler::GetHelpfullPane(other.fCancel));
}

TEST_F(GQUIHelpHandlerTest, ADestroyedWidgetLeavesTheHelp)
{
    Show(Qt::NonModal);
    PointAt(fHelp->fExport);
    Idle();
    EXPECT_EQ(1, GQUIHelpHandler::GetActiveHandlerCount());
    delete fHelp->fExport; // hovered, with its text waiting
    EXPECT_EQ(0, GQUIHelpHandler::GetActiveHandlerCount());
    Idle();
    QCursor::setPos(0, 0);
    Idle();
    EXPECT_EQ("", PaneText());

    // The other button still has its help.
    Show(Qt::ApplicationModal);
    PointAt(fHelp->fCancel);
    Idle();
    EXPECT_EQ("Closes without writing.", PaneText());
}

TEST_F(GQUIHelpHandlerTest, ADestroyedComponentOrPaneTakesItsHelpAlong)
{
    Show(Qt::NonModal);
    PointAt(fHelp->fExport);
    Idle();
    delete fHelp->fPane;
    QTest::qWait(GQUIHelpHandler::cDelay + 20);
    Idle(); // the text has no pane to go to
    EXPECT_FALSE(GQUIHelpHandler::IsTimeIdlerRunning());

    delete fHelp->fContainer;
    EXPECT_EQ(nullptr, GQUIHelpHandler::GetHelpfullPane(&fHelp->fWindow));
    PointAt(&fHelp->fWindow);
    Idle();
}

TEST_F(GQUIHelpHandlerTest, WidgetsOutsideAnyComponentOrWithoutTheLayerGetNoHelp)
{
    QWidget loose;
    GQUIHelpHandler::SetImmediateHelp(&loose, GString("nowhere"));
    GQUIHelpHandler::SetDelayedHelp(&loose, GString("nowhere"));
    EXPECT_EQ(0, GQUIHelpHandler::GetActiveHandlerCount());
    EXPECT_EQ(nullptr, GQUIHelpHandler::GetHelpfullPane(&loose));

    GQUIHelpHandler::SetImmediateHelp(fHelp->fCancel, GString("at once"));
    EXPECT_EQ("at once", PaneText());

    GQUILayer::Finalize(); // the listener goes
    GQUIHelpHandler::RegisterHelp(&loose, GString("ignored"));
    EXPECT_EQ(nullptr, GQUIHelpHandler::GetListener());
    GQUILayer::Initialize();
}
} // namespace
