// The export dialog's settings panel: every plug-in setting shown and written back, "All Printer's
// Marks" following the marks, the bleed choices, lengths in the user's unit, and the controls the
// dialog's switches hide.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "BufferText.h"
#include "GCUSPDFSettingsAdjWdt.h"
#include "GGPCPluginCSSettings.h"
#include "GPrefMemoryModule.h"
#include "GQUIUnitSpinBox.h"
#include "GUnitSupport.h"
#include "PluginUIFixture.h"
#include "StringText.h"
#include "TempFolder.h"

namespace
{
using Settings = std::vector<std::pair<char const*, char const*>>;

class GCUSPDFSettingsAdjWdtTest : public ::testing::Test
{
protected:
    // A store holding the plug-in settings.
    static void Fill(GPrefMemoryModule& store, Settings const& settings)
    {
        for (auto const& setting : settings)
            store.Set(GGPCPluginCSSettings::cPluginSettingsGroup, GBuffer(setting.first), GString(setting.second));
    }
    void Load(Settings const& settings)
    {
        GPrefMemoryModule store;
        Fill(store, settings);
        fWidget.LoadSettings(GGPCPluginCSSettings(store));
    }
    // What the widget writes into an empty store, key by key in the settings' own order.
    std::string Written() const
    {
        GPrefMemoryModule store;
        GGPCPluginCSSettings settings(store);
        fWidget.GetSettings(settings);
        std::string text;
        for (GBuffer const* key : {&GGPCPluginCSSettings::cPluginBleedChoice, &GGPCPluginCSSettings::cPluginBleedTopValue,
                                   &GGPCPluginCSSettings::cPluginBleedBottomValue,
                                   &GGPCPluginCSSettings::cPluginBleedInsideValue,
                                   &GGPCPluginCSSettings::cPluginBleedOutsideValue,
                                   &GGPCPluginCSSettings::cPluginBleedIncludeSlugArea,
                                   &GGPCPluginCSSettings::cPluginPrintSpreads, &GGPCPluginCSSettings::cPluginPrinterMarks,
                                   &GGPCPluginCSSettings::cPluginTrim, &GGPCPluginCSSettings::cPluginBleed,
                                   &GGPCPluginCSSettings::cPluginPrnRegistration,
                                   &GGPCPluginCSSettings::cPluginColorBars, &GGPCPluginCSSettings::cPluginPageInfo,
                                   &GGPCPluginCSSettings::cPluginMarkWeight, &GGPCPluginCSSettings::cPluginMarkOffset,
                                   &GGPCPluginCSSettings::cPluginUserSettingsEnable,
                                   &GGPCPluginCSSettings::cPluginIncludeFilePackage})
        {
            if (store.Has(GGPCPluginCSSettings::cPluginSettingsGroup, *key))
                text += (text.empty() ? "" : " ") + testsupport::TextOf(*key) + "=" +
                        testsupport::Utf8Of(store.Get(GGPCPluginCSSettings::cPluginSettingsGroup, *key));
        }
        return text;
    }

    template<class T>
    T* Control(char const* name) const
    {
        T* const control = fWidget.findChild<T*>(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QCheckBox* Box(char const* name) const { return Control<QCheckBox>(name); }
    // "x" checked, "-" partially checked, "_" unchecked; in parentheses when disabled.
    std::string Mark(char const* name) const
    {
        QCheckBox* const box = Box(name);
        Qt::CheckState const state = box->checkState();
        std::string const mark = state == Qt::Checked ? "x" : state == Qt::PartiallyChecked ? "-" : "_";
        return box->isEnabled() ? mark : "(" + mark + ")";
    }
    std::string Length(char const* name) const
    {
        GQUIUnitSpinBox* const box = Control<GQUIUnitSpinBox>(name);
        std::string const text = box->text().toStdString();
        return box->isEnabled() ? text : "(" + text + ")";
    }
    // What the user sees, in the panel's order.
    std::string State() const
    {
        return "marks " + Mark("mAllPrinterMarks") + " " + Mark("mCrop") + Mark("mBleedMark") +
               Mark("mRegistration") + Mark("mColorBars") + Mark("mPageInfo") + " weight " +
               Control<QComboBox>("mMarkWeight")->currentText().toStdString() + " offset " + Length("mMarkOffset") +
               " bleed " + Mark("mBleed") + " " + Length("mBleedAmount") + " document " + Mark("mUseDocBleed") +
               " slug " + Mark("mIncludeSlugArea") + " spreads " + Mark("mPrintSpreads");
    }

    testsupport::TempFolder fTemp;
    plugintest::PluginUIScope fUI{fTemp.Path()};
    GCUSPDFSettingsAdjWdt fWidget{nullptr};
};
} // namespace

TEST_F(GCUSPDFSettingsAdjWdtTest, EverySettingIsShownAndWrittenBack)
{
    struct Case
    {
        char const* fName;
        Settings fSettings;
        char const* fState;
        char const* fWritten;
    };
    Case const cases[] = {
        {"nothing stored", {},
         "marks _ _____ weight 0.25 pt offset 0 pt bleed _ (0 pt) document (_) slug _ spreads _",
         "BleedChoice=BleedNotSet BleedTopValue=0 BleedBottomValue=0 BleedInsideValue=0 BleedOutsideValue=0 "
         "BleedSlugArea=false PrintSpreads=false PrinterMarks=false Trim=false Bleed=false "
         "PrinterRegistration=false ColorBars=false PageInfo=false MarkWeight=MarkWeight025 MarkOffset=0"},
        {"everything on, the bleed given once for four sides",
         {{"BleedChoice", "BleedValueSet"},
          {"BleedTopValue", "9"},
          {"BleedBottomValue", "2"},
          {"BleedInsideValue", "3"},
          {"BleedOutsideValue", "4"},
          {"BleedSlugArea", "true"},
          {"PrintSpreads", "true"},
          {"PrinterMarks", "true"},
          {"Trim", "true"},
          {"Bleed", "true"},
          {"PrinterRegistration", "true"},
          {"ColorBars", "true"},
          {"PageInfo", "true"},
          {"MarkWeight", "MarkWeight050"},
          {"MarkOffset", "6.5"},
          {"UserSettings", "true"},
          {"IncludeFilePackage", "true"}},
         "marks x xxxxx weight 0.50 pt offset 6.5 pt bleed x 9 pt document _ slug x spreads x",
         "BleedChoice=BleedValueSet BleedTopValue=9 BleedBottomValue=9 BleedInsideValue=9 BleedOutsideValue=9 "
         "BleedSlugArea=true PrintSpreads=true PrinterMarks=true Trim=true Bleed=true "
         "PrinterRegistration=true ColorBars=true PageInfo=true MarkWeight=MarkWeight050 MarkOffset=6.5"},
        {"printer's marks without a mark", {{"PrinterMarks", "true"}, {"MarkWeight", "MarkWeight0125"}},
         "marks _ _____ weight 0.125 pt offset 0 pt bleed _ (0 pt) document (_) slug _ spreads _",
         "BleedChoice=BleedNotSet BleedTopValue=0 BleedBottomValue=0 BleedInsideValue=0 BleedOutsideValue=0 "
         "BleedSlugArea=false PrintSpreads=false PrinterMarks=false Trim=false Bleed=false "
         "PrinterRegistration=false ColorBars=false PageInfo=false MarkWeight=MarkWeight0125 MarkOffset=0"},
        {"two marks of five", {{"Trim", "true"}, {"ColorBars", "true"}},
         "marks - x__x_ weight 0.25 pt offset 0 pt bleed _ (0 pt) document (_) slug _ spreads _",
         "BleedChoice=BleedNotSet BleedTopValue=0 BleedBottomValue=0 BleedInsideValue=0 BleedOutsideValue=0 "
         "BleedSlugArea=false PrintSpreads=false PrinterMarks=true Trim=true Bleed=false "
         "PrinterRegistration=false ColorBars=true PageInfo=false MarkWeight=MarkWeight025 MarkOffset=0"},
        {"the document's bleed", {{"BleedChoice", "BleedUseDocSettingsSet"}, {"BleedTopValue", "9"}},
         "marks _ _____ weight 0.25 pt offset 0 pt bleed x (9 pt) document x slug _ spreads _",
         "BleedChoice=BleedUseDocSettingsSet BleedTopValue=9 BleedBottomValue=9 BleedInsideValue=9 "
         "BleedOutsideValue=9 BleedSlugArea=false PrintSpreads=false PrinterMarks=false Trim=false Bleed=false "
         "PrinterRegistration=false ColorBars=false PageInfo=false MarkWeight=MarkWeight025 MarkOffset=0"},
        // "Bleed:" off disables the other box but leaves its mark as the Sendrixor before set it.
        {"no bleed after the document's", {},
         "marks _ _____ weight 0.25 pt offset 0 pt bleed _ (0 pt) document (x) slug _ spreads _",
         "BleedChoice=BleedNotSet BleedTopValue=0 BleedBottomValue=0 BleedInsideValue=0 BleedOutsideValue=0 "
         "BleedSlugArea=false PrintSpreads=false PrinterMarks=false Trim=false Bleed=false "
         "PrinterRegistration=false ColorBars=false PageInfo=false MarkWeight=MarkWeight025 MarkOffset=0"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        QSignalSpy const changes(&fWidget, &GCUSPDFSettingsAdjWdt::DataChanged);
        Load(c.fSettings);
        EXPECT_EQ(changes.count(), 0) << "loading is no change of the user's";
        EXPECT_EQ(State(), c.fState);
        EXPECT_EQ(Written(), c.fWritten);
    }
}

TEST_F(GCUSPDFSettingsAdjWdtTest, TheBleedChoiceFollowsBothBoxes)
{
    Load({{"BleedTopValue", "9"}});
    QSignalSpy const changes(&fWidget, &GCUSPDFSettingsAdjWdt::DataChanged);
    Box("mBleed")->click();
    EXPECT_EQ(Mark("mBleed") + " " + Length("mBleedAmount") + " " + Mark("mUseDocBleed"), "x 9 pt _");
    EXPECT_EQ(Written().substr(0, 25), "BleedChoice=BleedValueSet");
    Box("mUseDocBleed")->click();
    EXPECT_EQ(Mark("mBleed") + " " + Length("mBleedAmount") + " " + Mark("mUseDocBleed"), "x (9 pt) x");
    EXPECT_EQ(Written().substr(0, 34), "BleedChoice=BleedUseDocSettingsSet");
    // Without "Bleed:" no bleed is set, whatever the other box shows.
    Box("mBleed")->click();
    EXPECT_EQ(Mark("mBleed") + " " + Length("mBleedAmount") + " " + Mark("mUseDocBleed"), "_ (9 pt) (x)");
    EXPECT_EQ(Written().substr(0, 23), "BleedChoice=BleedNotSet");
    EXPECT_GE(changes.count(), 3);
}

TEST_F(GCUSPDFSettingsAdjWdtTest, AllPrintersMarksFollowsTheMarksAndSetsThemAll)
{
    fWidget.show();
    Load({});
    auto const marks = [this] { return Mark("mAllPrinterMarks") + " " + Mark("mCrop") + Mark("mBleedMark") +
                                       Mark("mRegistration") + Mark("mColorBars") + Mark("mPageInfo"); };
    struct Step
    {
        char const* fClicked;
        char const* fMarks;
    };
    Step const steps[] = {{"mAllPrinterMarks", "x xxxxx"}, {"mCrop", "- _xxxx"},    {"mAllPrinterMarks", "x xxxxx"},
                          {"mAllPrinterMarks", "_ _____"}, {"mBleedMark", "- _x___"}, {"mBleedMark", "_ _____"}};
    for (Step const& step : steps)
    {
        SCOPED_TRACE(step.fClicked);
        Box(step.fClicked)->click();
        EXPECT_EQ(marks(), step.fMarks);
    }

    // A hidden "Bleed" mark takes no part: the other four are all the marks there are.
    fWidget.ShowBleedMarks(false);
    Box("mAllPrinterMarks")->click();
    EXPECT_EQ(marks(), "x x_xxx");
    Box("mCrop")->click();
    Box("mCrop")->click();
    EXPECT_EQ(marks(), "x x_xxx");
    EXPECT_NE(Written().find("PrinterMarks=true Trim=true Bleed=false"), std::string::npos) << Written();
}

TEST_F(GCUSPDFSettingsAdjWdtTest, LengthsAreShownAndTypedInTheUsersUnit)
{
    GUnitSupport::SetDefaultUnitCode(GUnitSupport::cMillimeters);
    Load({{"BleedChoice", "BleedValueSet"}, {"BleedTopValue", "28.346457"}, {"MarkOffset", "14.173228"}});
    EXPECT_EQ(Length("mBleedAmount"), "10 mm");
    EXPECT_EQ(Length("mMarkOffset"), "5 mm");
    for (char const* name : {"mBleedAmount", "mMarkOffset"})
        EXPECT_LE(Control<GQUIUnitSpinBox>(name)->maximumWidth(), 80) << name;

    // What the user types is in millimetres unless it says otherwise; the settings hold points.
    GQUIUnitSpinBox* const amount = Control<GQUIUnitSpinBox>("mBleedAmount");
    amount->selectAll();
    QTest::keyClicks(amount, "3");
    QTest::keyClick(amount, Qt::Key_Return);
    GQUIUnitSpinBox* const offset = Control<GQUIUnitSpinBox>("mMarkOffset");
    offset->selectAll();
    QTest::keyClicks(offset, "1in");
    QTest::keyClick(offset, Qt::Key_Return);
    EXPECT_NE(Written().find("BleedTopValue=8.503937 "), std::string::npos) << Written();
    EXPECT_NE(Written().find("MarkOffset=72"), std::string::npos) << Written();

    GUnitSupport::SetDefaultUnitCode(GUnitSupport::cInches);
    EXPECT_EQ(Length("mMarkOffset"), "1 in");
}

TEST_F(GCUSPDFSettingsAdjWdtTest, TheDialogsSwitchesHideTheirControls)
{
    fWidget.ShowPrintSpreads(false);
    fWidget.ShowIncludeSlugArea(false);
    fWidget.ShowBleedMarks(false);
    fWidget.ShowTrimMarkWeight(false);
    fWidget.show();
    auto const hidden = [this]
    {
        QStringList names;
        for (QWidget* const control : fWidget.findChildren<QWidget*>(QRegularExpression("^m[A-Z]")))
        {
            if (control->isHidden())
                names << control->objectName();
        }
        names.sort();
        return names.join(' ').toStdString();
    };
    EXPECT_EQ(hidden(), "mBleedMark mIncludeSlugArea mMarkWeight mPrintSpreads mWeightLabel");
    fWidget.ShowPrintSpreads(true);
    fWidget.ShowIncludeSlugArea(true);
    fWidget.ShowBleedMarks(true);
    fWidget.ShowTrimMarkWeight(true);
    EXPECT_EQ(hidden(), "");
}

TEST_F(GCUSPDFSettingsAdjWdtTest, AnyDepartureFromThePlainSettingsCounts)
{
    struct Case
    {
        char const* fName;
        Settings fSettings;
        bool fChanged;
    };
    Case const cases[] = {
        {"plain", {}, false},
        {"plain with the document's bleed box on its own", {{"BleedChoice", "BleedNotSet"}}, false},
        {"spreads", {{"PrintSpreads", "true"}}, true},
        {"one mark", {{"PageInfo", "true"}}, true},
        {"slug", {{"BleedSlugArea", "true"}}, true},
        {"bleed", {{"BleedChoice", "BleedUseDocSettingsSet"}}, true},
        {"offset", {{"MarkOffset", "0.5"}}, true},
        {"thin marks", {{"MarkWeight", "MarkWeight0125"}}, true},
        {"thick marks", {{"MarkWeight", "MarkWeight050"}}, true},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        Load(c.fSettings);
        EXPECT_EQ(fWidget.IsDefaultPluginSettingsChanged(), c.fChanged);
    }
}
