// Pictures of toolkit windows, one PNG per window in the build folder's "qtui-snapshots", for a
// person to look at after a run on a real display (scripts/qtui-snapshots runs them under Xvfb). Each
// picture must show the window's content, not an empty area.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>
#include <set>

#include "GFileSystem.h"
#include "GQUIAlertWindow.h"
#include "GQUICollapsibleFrame.h"
#include "GQUICreatePasswordDialog.h"
#include "GQUIPasswordWindow.h"
#include "GQUIPrefAlertDialog.h"
#include "GQUIUnitSpinBox.h"
#include "GUnitSupport.h"
#include "GQUILayer.h"
#include "GQStringSupport.h"
#include "GQUISupport.h"
#include "GQUIWindow.h"
#include "QtuiTestSupport.h"
#include "TempFolder.h"

namespace
{
class WindowSnapshotTest : public qtuitest::LayerTest
{
protected:
    void SetUp() override
    {
        LayerTest::SetUp();
        GQUILayer::SetPrefFileName(GPathName(GString((fFolder / "state.ini").string().c_str())));
        GFileSystem::AddSpecialPath(54, GPathName(GString(fFolder.String().c_str())));
        GQUILayer::Initialize();
        QDir().mkpath(SENDRIX_SNAPSHOT_FOLDER);
    }
    void TearDown() override
    {
        LayerTest::TearDown();
        GQUILayer::SetPrefFileName(GPathName());
    }

    // Shows the window, saves its picture and checks that it holds more than one colour.
    static void Snapshot(QWidget& window, char const* name)
    {
        window.show();
        QApplication::processEvents();
        Save(window.grab().toImage(), name);
    }
    // The modal window's picture once its loop runs, then the window answered by the action.
    static void SnapshotModal(char const* name, std::function<void(QWidget*)> answer)
    {
        qtuitest::WhenModal(
            [name, answer](QWidget* modal)
            {
                QApplication::processEvents();
                Save(modal->grab().toImage(), name);
                answer(modal);
            });
    }
    static void Save(QImage const& picture, char const* name)
    {
        QString const file = QStringLiteral(SENDRIX_SNAPSHOT_FOLDER "/") + name + ".png";
        EXPECT_TRUE(picture.save(file)) << file.toStdString();
        std::set<QRgb> colours;
        for (int y = 0; y < picture.height(); y += 2)
            for (int x = 0; x < picture.width(); x += 2)
                colours.insert(picture.pixel(x, y));
        EXPECT_GT(colours.size(), 3u) << name << " looks empty";
    }

    testsupport::TempFolder fFolder;
};
} // namespace

TEST_F(WindowSnapshotTest, DialogWithTheMakersLook)
{
    GQUIWindow window(GString("Export to Sendrixor"), false);
    auto* const layout = new QVBoxLayout(&window);
    auto* const list = new QListWidget;
    list->addItems({"Sendrixor Print", "Sendrixor Web", "Sendrixor Archive"});
    list->setCurrentRow(1);
    list->setMinimumWidth(GQUISupport::ComputeListViewMinimumWidth(list));
    auto* const help = new QTextEdit("Choose the Sendrixor that receives the PDF.");
    auto* const splitter = new QSplitter;
    splitter->setObjectName("split");
    splitter->addWidget(list);
    splitter->addWidget(help);
    window.StartTrackState(splitter);
    layout->addWidget(splitter);
    auto* const pages = new QHBoxLayout;
    pages->addWidget(new QRadioButton("All pages"));
    pages->addWidget(new QRadioButton("Pages"));
    pages->addWidget(new QLineEdit("1-10,15,20-"));
    pages->addWidget(new QSpinBox);
    layout->addLayout(pages);
    layout->addWidget(new QCheckBox("Include InDesign package"));
    layout->addWidget(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel));
    window.resize(520, 320);
    Snapshot(window, "dialog");
}

TEST_F(WindowSnapshotTest, PlaceholdersCrossAndImageButtons)
{
    GQUIWindow window(GString("Widgets"), false);
    auto* const layout = new QVBoxLayout(&window);

    auto* const row = new QHBoxLayout;
    GTable<QWidget*> params;
    params.AddItem(new QLineEdit("Report.indd"));
    params.AddItem(new QLineEdit("/Volumes/Work"));
    GTable<QWidget*> parts;
    GQUISupport::SubstituteWidgetsToParams("Copy %1 to %2 now", params, parts);
    for (int i = 0; i < parts.GetCount(); ++i)
        row->addWidget(parts[i]);
    layout->addLayout(row);

    QPixmap cross;
    GQUISupport::DrawCross(GSizeBase<int>(121, 81), cross);
    auto* const placeholder = new QLabel;
    placeholder->setPixmap(cross);
    layout->addWidget(placeholder);

    auto* const buttons = new QHBoxLayout;
    QColor const colours[] = {QColor(200, 40, 40), QColor(40, 160, 40), QColor(40, 40, 200),
                              QColor(220, 200, 0)};
    char const* const names[] = {"on.png", "off.png", "hover-on.png", "hover-off.png"};
    for (int i = 0; i < 4; ++i)
    {
        QImage image(24, 24, QImage::Format_ARGB32);
        image.fill(colours[i]);
        image.save(QString::fromStdString((fFolder / names[i]).string()));
    }
    for (bool checked : {false, true})
    {
        auto* const button = new QToolButton;
        button->setCheckable(true);
        GQUISupport::SetIcon(button, "on.png", "off.png", "hover-on.png", "hover-off.png");
        button->setChecked(checked);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    layout->addLayout(buttons);
    Snapshot(window, "widgets");
}

TEST_F(WindowSnapshotTest, AlertsAndPasswordDialogs)
{
    auto const close = [](QWidget* modal) { qobject_cast<QDialog*>(modal)->done(0); };
    SnapshotModal("alert-four-buttons", close);
    GQUIAlertWindow::ShowDialog(GString("Replace File"),
                                GString("A file named \"Report.pdf\" already exists in \"Work\". Replace it?"),
                                GQUIAlertWindow::cIconWarning, GString("Replace"), GString("Skip"),
                                GString("Replace All"), GString("Stop"));

    SnapshotModal("alert-dont-show-again", close);
    GTriState state = cTriStateAsk;
    GQUIPrefAlertDialog::ShowDialog(GString("Missing Fonts"),
                                    GString("Two fonts of the document are missing; the PDF will use substitutes."),
                                    GString(), GString(), GString("Don't show this message again"), true, true,
                                    false, state);

    SnapshotModal("password", close);
    GString password;
    GQUIPasswordWindow::ShowDialog(GString("Open Protected PDF"), GString("Enter the password of \"Report.pdf\"."),
                                   password);

    SnapshotModal("create-password", close);
    GQUICreatePasswordDialog::ShowDialog(GString("Protect PDF"), GString("Choose a password for the PDF."), password);
}

TEST_F(WindowSnapshotTest, CollapsibleFrameOpenAndClosed)
{
    for (bool const expanded : {true, false})
    {
        QWidget window;
        auto* const layout = new QVBoxLayout(&window);
        auto* const frame = new GQUICollapsibleFrame(nullptr, "Fewer Settings", "More Settings", expanded, 1);
        auto* const pane = new QWidget;
        auto* const paneLayout = new QVBoxLayout(pane);
        paneLayout->addWidget(new QCheckBox("Print spreads"));
        paneLayout->addWidget(new QCheckBox("Bleed marks"));
        frame->SetMainPane(pane);
        frame->SetHeaderWidget(new QLabel("(advanced)"));
        layout->addWidget(frame);
        layout->addStretch();
        window.resize(300, 140);
        Snapshot(window, expanded ? "collapsible-open" : "collapsible-closed");
    }
}

TEST_F(WindowSnapshotTest, UnitSpinBoxInEachUnit)
{
    qtuitest::UserPreferencesScope preferences;
    QImage sheet(260, 7 * 32, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    int row = 0;
    for (int index = 0; index < GUnitSupport::cUnitCount; ++index)
    {
        GUnitSupport::SetDefaultUnitCode(GUnitSupport::GetUnitForIndex(index));
        GQUIUnitSpinBox spinBox;
        spinBox.setValue(72 * 2.5);
        spinBox.resize(180, 26);
        spinBox.show();
        QApplication::processEvents();
        painter.drawText(8, row * 32 + 20, GQStringSupport::ToQString(GUnitSupport::GetDefaultUnitSymbol()));
        painter.drawImage(60, row * 32 + 3, spinBox.grab().toImage());
        ++row;
    }
    painter.end();
    Save(sheet, "unit-spin-boxes");
}
