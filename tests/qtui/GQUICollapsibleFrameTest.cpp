// The collapsible frame: its header text and parts in each state and under each visibility flag, the
// user's toggles reported with the pane id, and the disclosure triangle it paints.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QSignalSpy>
#include <QTest>

#include "GQUICollapsibleFrame.h"
#include "GQUIExpandCollapseButton.h"
#include "GQUILayer.h"
#include "QtuiTestSupport.h"

namespace
{
class GQUICollapsibleFrameTest : public qtuitest::LayerTest
{
protected:
    void SetUp() override
    {
        LayerTest::SetUp();
        GQUILayer::Initialize();
    }
};

using Flags = GQUICollapsibleFrame::FrameWidgetsVisibilityOptions;

struct VisibilityRow
{
    int fFlags;
    bool fExpanded;
    bool fPaneShown;
    bool fHeaderWidgetShown;
};

VisibilityRow const cVisibility[] = {
    {0, true, true, true},   {0, false, false, false}, {1, true, true, false}, {1, false, false, false},
    {2, true, true, true},   {2, false, false, true},  {3, true, true, true},  {3, false, false, true},
    {4, true, false, true},  {4, false, false, false}, {6, false, false, true},
};

TEST_F(GQUICollapsibleFrameTest, ShowsItsPartsByStateAndFlags)
{
    for (VisibilityRow const& row : cVisibility)
    {
        SCOPED_TRACE(testing::Message() << "flags " << row.fFlags << (row.fExpanded ? ", expanded" : ", collapsed"));
        GQUICollapsibleFrame frame(nullptr, "Fewer settings", "More settings", !row.fExpanded, 7);
        QWidget* const pane = new QWidget;
        QWidget* const headerWidget = new QLabel("(custom)");
        frame.SetVisibilityFlags(Flags(row.fFlags));
        frame.SetMainPane(pane);
        frame.SetHeaderWidget(headerWidget);
        frame.SetExpandState(row.fExpanded);
        EXPECT_EQ(row.fExpanded, frame.IsExpanded());
        EXPECT_EQ(row.fExpanded ? "Fewer settings" : "More settings", frame.HeaderText());
        EXPECT_EQ(row.fPaneShown, !pane->isHidden());
        EXPECT_EQ(row.fHeaderWidgetShown, !headerWidget->isHidden());
        EXPECT_EQ(&frame, pane->parentWidget());
    }
}

TEST_F(GQUICollapsibleFrameTest, ACollapsedFrameHidesPartsSetLater)
{
    GQUICollapsibleFrame frame(nullptr, "Open", "Closed", false, 3);
    EXPECT_EQ("Closed", frame.HeaderText());
    QWidget* const pane = new QWidget;
    QWidget* const headerWidget = new QWidget;
    frame.SetMainPane(pane);
    frame.SetHeaderWidget(headerWidget);
    EXPECT_TRUE(pane->isHidden());
    EXPECT_TRUE(headerWidget->isHidden());

    // Null changes nothing; a replaced pane stays the frame's child, out of its layout.
    frame.SetMainPane(nullptr);
    frame.SetExpandState(true);
    EXPECT_FALSE(pane->isHidden());
    QWidget* const next = new QWidget;
    frame.SetMainPane(next);
    EXPECT_EQ(&frame, pane->parentWidget());
    EXPECT_EQ(-1, frame.layout()->indexOf(pane));
    EXPECT_NE(-1, frame.layout()->indexOf(next));
}

TEST_F(GQUICollapsibleFrameTest, ReportsEachClickWithItsPaneID)
{
    GQUICollapsibleFrame frame(nullptr, "Open", "Closed", true, 42);
    QSignalSpy changes(&frame, &GQUICollapsibleFrame::StateChanged);
    frame.SetExpandState(false);
    frame.SetExpandState(true);
    EXPECT_EQ(0, changes.count());

    QTest::mouseClick(frame.Button(), Qt::LeftButton);
    QTest::mouseClick(frame.Button(), Qt::LeftButton);
    ASSERT_EQ(2, changes.count());
    EXPECT_EQ(42, changes.at(0).at(0).toInt());
    EXPECT_FALSE(changes.at(0).at(1).toBool());
    EXPECT_EQ(42, changes.at(1).at(0).toInt());
    EXPECT_TRUE(changes.at(1).at(1).toBool());
    EXPECT_TRUE(frame.IsExpanded());
    EXPECT_EQ("Open", frame.HeaderText());
}

// Dark where the triangle of the state lies, light where only the other state's lies.
TEST_F(GQUICollapsibleFrameTest, TheButtonPointsDownWhenExpandedAndRightWhenCollapsed)
{
    GQUIExpandCollapseButton button(true);
    button.resize(20, 20);
    int const middle = 10;
    auto grayAt = [&button](int x, int y)
    {
        QImage image(button.size(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        button.render(&image);
        return qGray(image.pixel(x, y));
    };
    QPoint const downOnly(10, middle - 3);
    QPoint const rightOnly(5, middle + 2);
    EXPECT_LT(grayAt(downOnly.x(), downOnly.y()), 160);
    EXPECT_GT(grayAt(rightOnly.x(), rightOnly.y()), 200);
    button.ToggleState();
    EXPECT_FALSE(button.IsExpanded());
    EXPECT_GT(grayAt(downOnly.x(), downOnly.y()), 200);
    EXPECT_LT(grayAt(rightOnly.x(), rightOnly.y()), 160);
}
} // namespace
