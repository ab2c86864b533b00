// Widget helpers: colours, icons, widths, placeholders, tree paths, the cross, and widget, header
// and expansion states in the window-state file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QSettings>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

#include <filesystem>
#include <string>
#include <vector>

#include "GFileSystem.h"
#include "GQUILayer.h"
#include "GQUISupport.h"
#include "PSystem.h"
#include "QtuiTestSupport.h"
#include "TempFolder.h"

namespace
{
class GQUISupportTest : public qtuitest::LayerTest
{
protected:
    void SetUp() override
    {
        LayerTest::SetUp();
        GQUILayer::SetPrefFileName(Path("state.ini"));
        GFileSystem::AddSpecialPath(54, Path("Artwork"));
        GQUILayer::Initialize();
    }
    void TearDown() override
    {
        LayerTest::TearDown();
        GQUILayer::SetPrefFileName(GPathName());
    }

    GPathName Path(char const* name) const { return GPathName(GString((fFolder / name).string().c_str())); }
    QString QPath(char const* name) const { return QString::fromStdString((fFolder / name).string()); }
    QSettings Settings() const { return QSettings(QPath("state.ini"), QSettings::IniFormat); }

    // A square image of one colour in the artwork folder.
    QString WriteImage(char const* name, QColor color, int side = 16) const
    {
        QDir().mkpath(QPath("Artwork"));
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(color);
        QString const path = QPath("Artwork") + "/" + name;
        image.save(path);
        return path;
    }

    testsupport::TempFolder fFolder;
};

std::vector<std::string> Describe(GTable<QWidget*> const& widgets, GTable<QWidget*> const& params)
{
    std::vector<std::string> out;
    for (int i = 0; i < widgets.GetCount(); ++i)
    {
        if (auto* const label = qobject_cast<QLabel*>(widgets[i]))
            out.push_back("label " + label->text().toStdString());
        else
            for (int k = 0; k < params.GetCount(); ++k)
                if (params[k] == widgets[i])
                    out.push_back("widget " + std::to_string(k + 1));
    }
    return out;
}
} // namespace

TEST_F(GQUISupportTest, ColoursConvertBothWays)
{
    QColor const colour = GQUISupport::ConvertToQColor(GScreenColor(1.0, 0.5, 0.0));
    EXPECT_EQ(colour.red(), 255);
    EXPECT_NEAR(colour.greenF(), 0.5, 1e-4);
    EXPECT_EQ(colour.blue(), 0);
    EXPECT_EQ(colour.alpha(), 255);
    GScreenColor const back = GQUISupport::ConvertToGScreenColor(QColor(0, 51, 255));
    EXPECT_DOUBLE_EQ(back.GetRed(), 0.0);
    EXPECT_NEAR(back.GetGreen(), 0.2, 1e-9);
    EXPECT_DOUBLE_EQ(back.GetBlue(), 1.0);
}

TEST_F(GQUISupportTest, ImagesAreFoundInTheArtworkFolder)
{
    EXPECT_EQ(GQUISupport::CreateIconString("x.png"), QPath("Artwork") + "/x.png");
    EXPECT_EQ(GQUISupport::CreateIconString("/abs/y.png"), QStringLiteral("/abs/y.png"));
    WriteImage("red.png", Qt::red, 24);
    QPixmap const scaled = GQUISupport::CreatePixmap("red.png", 10, 6);
    EXPECT_EQ(scaled.size(), QSize(10, 6));
    EXPECT_EQ(GQUISupport::CreatePixmap("red.png", 0, 6).size(), QSize(24, 24));
    EXPECT_TRUE(GQUISupport::CreatePixmap("missing.png", 0, 0).isNull());

    QToolButton* const button = GQUISupport::CreateToolButton("red.png", nullptr);
    EXPECT_EQ(button->iconSize(), QSize(24, 24));
    EXPECT_EQ(button->popupMode(), QToolButton::InstantPopup);
    delete button;
}

TEST_F(GQUISupportTest, WithoutTheirFoldersImagesAreEmptyAndStatesNeitherKeptNorAnError)
{
    // The plug-in's bundle not found (so neither its resources nor their artwork folder), and no
    // window-state file set without the plug-in's data folder. The current folder is a fresh one,
    // where a bare file name would land.
    class Scope
    {
    public:
        explicit Scope(std::filesystem::path const& folder) : fBefore(std::filesystem::current_path())
        {
            PSystem::GetASCIIBundleIdentifier(fIdentifier);
            PSystem::SetASCIIBundleIdentifier(GBuffer("com.example.not-installed"));
            GFileSystem::RemoveSpecialPath(54);
            GFileSystem::RemoveSpecialPath(11);
            GQUILayer::SetPrefFileName(GPathName());
            GFileSystem::RemoveSpecialPath(36);
            std::filesystem::current_path(folder);
        }
        ~Scope()
        {
            std::filesystem::current_path(fBefore);
            PSystem::SetASCIIBundleIdentifier(fIdentifier);
            GFileSystem::RemoveSpecialPath(11);
        }

    private:
        std::filesystem::path fBefore;
        GBuffer fIdentifier;
    } const scope(fFolder.Path());

    EXPECT_TRUE(GQUISupport::CreateIconString("x.png").isEmpty());
    EXPECT_EQ(GQUISupport::CreateIconString("/abs/y.png"), QStringLiteral("/abs/y.png"));
    EXPECT_TRUE(GQUISupport::CreateIcon("x.png").isNull());
    EXPECT_TRUE(GQUISupport::CreatePixmap("x.png", 4, 4).isNull());
    delete GQUISupport::CreateToolButton("x.png", nullptr);

    EXPECT_TRUE(GQUISupport::GetPrefsFile().isEmpty());
    QTreeWidget tree;
    tree.setObjectName("files");
    new QTreeWidgetItem(&tree, QStringList("a"));
    GQUISupport::SaveGeometry(&tree);
    GQUISupport::LoadGeometry(&tree);
    GQUISupport::SaveState(tree.header());
    GQUISupport::LoadState(tree.header());
    GQUISupport::SaveExpandState(&tree);
    GQUISupport::LoadExpandState(&tree);
    std::vector<std::string> written;
    for (auto const& entry : std::filesystem::directory_iterator(fFolder.Path()))
        written.push_back(entry.path().filename().string());
    EXPECT_TRUE(written.empty()) << written.front();
}

TEST_F(GQUISupportTest, ToolButtonHoverImagesUseAStyleSheetQtAccepts)
{
    static QStringList messages;
    messages.clear();
    QtMessageHandler const previous = qInstallMessageHandler(
        [](QtMsgType, QMessageLogContext const&, QString const& text) { messages.append(text); });

    WriteImage("on.png", Qt::red);
    WriteImage("off.png", Qt::green);
    WriteImage("hover on.png", Qt::blue);
    WriteImage("hover(off).png", Qt::yellow);
    QWidget window;
    auto* const button = new QToolButton(&window);
    button->setCheckable(true);
    GQUISupport::SetIcon(button, "on.png", "off.png", "hover on.png", "hover(off).png");
    EXPECT_EQ(button->minimumSize(), QSize(16, 16));
    EXPECT_EQ(button->maximumSize(), QSize(16, 16));
    window.show();

    // The images follow the checked state, and the hover ones show while the pointer is over it.
    struct Case
    {
        bool hover;
        bool checked;
        QColor expected;
    } const cases[] = {
        {false, false, Qt::green}, {false, true, Qt::red}, {true, false, Qt::yellow}, {true, true, Qt::blue}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "hover " << c.hover << ", checked " << c.checked);
        button->setAttribute(Qt::WA_UnderMouse, c.hover);
        button->setChecked(c.checked);
        QImage const picture = button->grab().toImage();
        EXPECT_EQ(picture.pixelColor(8, 8), c.expected);
        EXPECT_EQ(picture.pixelColor(0, 0), c.expected) << "the image fills the button";
    }
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    // Without hover images the button keeps its look.
    auto* const plain = new QToolButton(&window);
    GQUISupport::SetIcon(plain, "on.png", QString(), QString(), QString());
    EXPECT_TRUE(plain->styleSheet().isEmpty());
    EXPECT_FALSE(plain->autoRaise());

    // The sheet written before did not parse, and Qt said so.
    auto* const faulty = new QToolButton(&window);
    faulty->setStyleSheet("hover:checked {image: url(" + QPath("Artwork") + "/on.png);};;");
    faulty->grab();
    qInstallMessageHandler(previous);
    ASSERT_EQ(messages.size(), 1) << messages.join('\n').toStdString();
    EXPECT_TRUE(messages[0].contains("Could not parse")) << messages[0].toStdString();
}

TEST_F(GQUISupportTest, MinimumWidthsFollowTheWidestText)
{
    QComboBox combo;
    combo.resize(120, 20);
    EXPECT_EQ(GQUISupport::ComputeComboBoxMinimumWidth(&combo), 120);
    combo.addItem("short");
    combo.addItem("a considerably longer entry");
    int const widest = QFontMetrics(combo.font()).horizontalAdvance("a considerably longer entry");
    combo.resize(widest, 20);
    EXPECT_EQ(GQUISupport::ComputeComboBoxMinimumWidth(&combo), widest + 40);
    combo.resize(widest + 100, 20);
    EXPECT_EQ(GQUISupport::ComputeComboBoxMinimumWidth(&combo), widest + 100);

    QListWidget list;
    EXPECT_EQ(GQUISupport::ComputeListViewMinimumWidth(&list), 50);
    list.addItems({"one", "three hundred"});
    EXPECT_EQ(GQUISupport::ComputeListViewMinimumWidth(&list),
              QFontMetrics(list.font()).horizontalAdvance("three hundred") + 50);
}

TEST_F(GQUISupportTest, PlaceholdersSplitATextIntoLabelsAndWidgets)
{
    QWidget first;
    QWidget second;
    GTable<QWidget*> params;
    params.AddItem(&first);
    params.AddItem(&second);
    struct Case
    {
        char const* text;
        std::vector<std::string> expected;
    } const cases[] = {
        {"Copy %1 to %2", {"label Copy", "widget 1", "label to", "widget 2"}},
        {"%2%1", {"widget 2", "widget 1"}},
        {"100% of %1 done", {"label 100% of", "widget 1", "label done"}},
        {"%3 missing, %0 none", {"label missing, %0 none"}},
        {"no placeholders", {"label no placeholders"}},
        {"", {}},
        {"ends with %", {"label ends with %"}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.text);
        GTable<QWidget*> out;
        GQUISupport::SubstituteWidgetsToParams(c.text, params, out);
        EXPECT_EQ(Describe(out, params), c.expected);
        for (int i = 0; i < out.GetCount(); ++i)
            if (out[i] != &first && out[i] != &second)
                delete out[i];
    }
}

TEST_F(GQUISupportTest, TreePathsLeadFromTheTopLevelToTheItem)
{
    QTreeWidget tree;
    auto* const a = new QTreeWidgetItem(&tree, {"a"});
    auto* const b = new QTreeWidgetItem(&tree, {"b"});
    new QTreeWidgetItem(b, {"b0"});
    auto* const b1 = new QTreeWidgetItem(b, {"b1"});
    auto* const b10 = new QTreeWidgetItem(b1, {"b10"});
    GTable<unsigned int> path;
    path.AddItem(7);
    GQUISupport::ConvertToGTreePath(&tree, b10, path);
    ASSERT_EQ(path.GetCount(), 3);
    EXPECT_EQ(path[0], 1u);
    EXPECT_EQ(path[1], 1u);
    EXPECT_EQ(path[2], 0u);
    EXPECT_EQ(GQUISupport::ConvertToTreeWidgetItem(path, &tree), b10);
    GQUISupport::ConvertToGTreePath(&tree, a, path);
    EXPECT_EQ(GQUISupport::ConvertToTreeWidgetItem(path, &tree), a);

    GTable<unsigned int> bad;
    EXPECT_EQ(GQUISupport::ConvertToTreeWidgetItem(bad, &tree), nullptr);
    bad.AddItem(1);
    bad.AddItem(2);
    EXPECT_EQ(GQUISupport::ConvertToTreeWidgetItem(bad, &tree), nullptr);
    bad[1] = static_cast<unsigned int>(-1);
    EXPECT_EQ(GQUISupport::ConvertToTreeWidgetItem(bad, &tree), nullptr);
    bad[0] = 2;
    bad.RemoveLastItem();
    EXPECT_EQ(GQUISupport::ConvertToTreeWidgetItem(bad, &tree), nullptr);
}

TEST_F(GQUISupportTest, ExpansionHeaderAndWidgetStatesRoundTripUnderTheirKeys)
{
    QTreeWidget tree;
    tree.setObjectName("files");
    auto* const a = new QTreeWidgetItem(&tree, {"a"});
    new QTreeWidgetItem(a, {"a0"});
    auto* const b = new QTreeWidgetItem(&tree, {"b"});
    auto* const b0 = new QTreeWidgetItem(b, {"b0"});
    new QTreeWidgetItem(b0, {"b00"});
    a->setExpanded(false);
    b->setExpanded(true);
    b0->setExpanded(true);
    GQUISupport::SaveExpandState(&tree);
    EXPECT_TRUE(Settings().contains("ExpandState/QTreeWidget_files"));
    b->setExpanded(false);
    b0->setExpanded(false);
    a->setExpanded(true);
    GQUISupport::LoadExpandState(&tree);
    EXPECT_FALSE(a->isExpanded());
    EXPECT_TRUE(b->isExpanded());
    EXPECT_TRUE(b0->isExpanded());

    QTreeView view;
    view.setObjectName("list");
    GQUISupport::SaveState(view.header());
    EXPECT_TRUE(Settings().contains("State/QHeaderView_list"));
    QHeaderView header(Qt::Horizontal);
    header.setObjectName("hdr");
    GQUISupport::SaveState(&header);
    EXPECT_TRUE(Settings().contains("State/QHeaderView_hdr"));

    QWidget widget;
    widget.setObjectName("panel");
    widget.setGeometry(20, 30, 200, 100);
    GQUISupport::LoadGeometry(&widget);
    EXPECT_EQ(widget.geometry(), QRect(20, 30, 200, 100)) << "nothing saved, nothing changed";
    GQUISupport::SaveGeometry(&widget);
    EXPECT_TRUE(Settings().contains("Geometry/QWidget_panel"));
    widget.setGeometry(0, 0, 50, 50);
    GQUISupport::LoadGeometry(&widget);
    EXPECT_EQ(widget.size(), QSize(200, 100));
}

TEST_F(GQUISupportTest, TheCrossPlaceholderIsGreyOnMidlight)
{
    QPixmap pixmap;
    GQUISupport::DrawCross(GSizeBase<int>(2, 20), pixmap);
    EXPECT_EQ(pixmap.size(), QSize(1, 19));
    // The palette's colour, to the 8 bits a pixmap keeps.
    QRgb const midlight = QApplication::palette().color(QPalette::Midlight).rgb();
    auto const isMidlight = [midlight](QImage const& image, int x, int y)
    {
        QRgb const pixel = image.pixel(x, y);
        return std::abs(qRed(pixel) - qRed(midlight)) <= 1 &&
               std::abs(qGreen(pixel) - qGreen(midlight)) <= 1 &&
               std::abs(qBlue(pixel) - qBlue(midlight)) <= 1;
    };
    EXPECT_TRUE(isMidlight(pixmap.toImage(), 0, 10));

    GQUISupport::DrawCross(GSizeBase<int>(41, 31), pixmap);
    ASSERT_EQ(pixmap.size(), QSize(40, 30));
    QImage const image = pixmap.toImage();
    // The diagonals run from (5, 5) to (34, 24) and from (34, 5) to (5, 24); the corners stay plain.
    EXPECT_TRUE(isMidlight(image, 0, 0));
    EXPECT_TRUE(isMidlight(image, 2, 27));
    EXPECT_TRUE(isMidlight(image, 20, 5));
    EXPECT_FALSE(isMidlight(image, 10, 8));
    EXPECT_FALSE(isMidlight(image, 29, 8));
    EXPECT_FALSE(isMidlight(image, 20, 15)) << "the diagonals cross in the middle";

    GQUISupport::DrawCross(GSizeBase<int>(0, 0), pixmap);
    EXPECT_TRUE(pixmap.isNull());
}
