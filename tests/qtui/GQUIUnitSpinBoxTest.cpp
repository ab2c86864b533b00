// The unit spin box: typed expressions read into points, values shown in the default unit, the
// forced text of an empty or mixed field, and a change of the default unit re-displaying every box.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "GBasicSignals.h"
#include "GQUILayer.h"
#include "GQUIUnitSpinBox.h"
#include "GUnitSupport.h"
#include "QtuiTestSupport.h"

extern "C" int UnitExpressionFuzzOneInput(std::uint8_t const* data, std::size_t size);

namespace
{
double const cMM = 72.0 / 25.4;
double const cCM = 72.0 / 2.54;

class GQUIUnitSpinBoxTest : public qtuitest::LayerTest
{
protected:
    void SetUp() override
    {
        LayerTest::SetUp();
        GQUILayer::Initialize();
        GUnitSupport::SetDefaultUnitCode(GUnitSupport::cMillimeters);
    }

    // Types the text over the field's content and confirms it, as a user does.
    static void Type(GQUIUnitSpinBox& spinBox, QString const& text)
    {
        spinBox.findChild<QLineEdit*>()->selectAll();
        if (text.isEmpty())
            QTest::keyClick(&spinBox, Qt::Key_Delete);
        else
            QTest::keyClicks(&spinBox, text);
        QTest::keyClick(&spinBox, Qt::Key_Return);
    }

    qtuitest::UserPreferencesScope fPreferences;
};

struct ExpressionRow
{
    char const* fText;
    double fPoints;
};

// With millimetres as the default unit.
ExpressionRow const cExpressions[] = {
    {"10", 10 * cMM},
    {"1in", 72},
    {"1 IN", 72},
    {"10,5", 10.5 * cMM},
    {"10.5", 10.5 * cMM},
    {"10mm*2", 20 * cMM},
    {"2*10mm", 20 * cMM},
    {"2*3in", 6 * 72},
    {"10/4", 2.5 * cMM},
    {"10/0", 10 * cMM},
    {"3mm/2", 1.5 * cMM},
    {"10-5", 5 * cMM},
    {"10 - 5", 5 * cMM},
    {"1in - 1cm", 72 - cCM},
    {"1in+1cm", 72 + cCM},
    {"", 0},
    {"1pt", 1},
    {"1p", 12},
    {"1ft", 864},
    {"1m", 2834.645669291339},
    {"2cm", 2 * cCM},
    {"-3", -3 * cMM},
    {"1+1+1+1+1+1+1+1+1+1", 10 * cMM},
    {"1in2in3", 3 * 72 + 3 * cMM}, // terms side by side add up
};

TEST_F(GQUIUnitSpinBoxTest, ReadsEachExpressionIntoPoints)
{
    for (ExpressionRow const& row : cExpressions)
    {
        SCOPED_TRACE(row.fText);
        EXPECT_NEAR(row.fPoints, GQUIUnitSpinBox::EvaluateExpression(QString::fromUtf8(row.fText)), 1e-9);

        GQUIUnitSpinBox spinBox;
        spinBox.setValue(5);
        Type(spinBox, QString::fromUtf8(row.fText));
        EXPECT_NEAR(row.fPoints, spinBox.value(), 1e-4);
    }
}

TEST_F(GQUIUnitSpinBoxTest, ShowsWhatWasTypedInTheDefaultUnit)
{
    GQUIUnitSpinBox spinBox;
    Type(spinBox, "2*10mm");
    EXPECT_EQ("20 mm", spinBox.text());
    Type(spinBox, "1in");
    EXPECT_EQ("25.4 mm", spinBox.text());
}

TEST_F(GQUIUnitSpinBoxTest, TakesTenTermsAtMost)
{
    QString const eleven = QStringLiteral("1+1+1+1+1+1+1+1+1+1+1");
    EXPECT_NEAR(10 * cMM, GQUIUnitSpinBox::EvaluateExpression(eleven), 1e-9);

    // The operator of an eleventh term cannot be typed: the last digit joins the tenth term.
    GQUIUnitSpinBox spinBox;
    spinBox.findChild<QLineEdit*>()->clear();
    QTest::keyClicks(&spinBox, eleven);
    EXPECT_EQ("1+1+1+1+1+1+1+1+1+11", spinBox.findChild<QLineEdit*>()->text());
    QTest::keyClick(&spinBox, Qt::Key_Return);
    EXPECT_NEAR(20 * cMM, spinBox.value(), 1e-4);
    EXPECT_EQ("20 mm", spinBox.text());
}

TEST_F(GQUIUnitSpinBoxTest, RefusesTextThatIsNoExpression)
{
    // Characters that start no expression cannot be typed: the field and its value stay.
    for (char const* text : {"abc", "#", "x?"})
    {
        SCOPED_TRACE(text);
        GQUIUnitSpinBox spinBox;
        spinBox.setValue(36);
        Type(spinBox, QString::fromUtf8(text));
        EXPECT_EQ("12.7 mm", spinBox.text());
        EXPECT_NEAR(36.0, spinBox.value(), 1e-4);
    }
    // Digits past any double's range, and their products, give no value rather than an infinity or
    // a NaN.
    QString const huge = QString(400, QLatin1Char('9'));
    EXPECT_EQ(0.0, GQUIUnitSpinBox::EvaluateExpression(huge));
    EXPECT_EQ(0.0, GQUIUnitSpinBox::EvaluateExpression(huge + "*0"));
    EXPECT_EQ(0.0, GQUIUnitSpinBox::EvaluateExpression(huge + "-" + huge));
}

struct UnitRow
{
    GUnitSupport::Unit fUnit;
    char const* fShown; // 72 points
    int fDecimals;
};

UnitRow const cUnits[] = {
    {GUnitSupport::cPoints, "72 pt", 4},       {GUnitSupport::cPicas, "6 p", 3},
    {GUnitSupport::cInches, "1 in", 4},        {GUnitSupport::cCentimeters, "2.54 cm", 3},
    {GUnitSupport::cMillimeters, "25.4 mm", 4}, {GUnitSupport::cMeters, "0.0254 m", 4},
    {GUnitSupport::cFeet, "0.08333 ft", 4},
};

TEST_F(GQUIUnitSpinBoxTest, ShowsAndReadsEveryUnit)
{
    for (UnitRow const& row : cUnits)
    {
        SCOPED_TRACE(row.fShown);
        GUnitSupport::SetDefaultUnitCode(row.fUnit);
        GQUIUnitSpinBox spinBox;
        EXPECT_EQ(row.fDecimals, spinBox.decimals());
        spinBox.setValue(72);
        EXPECT_EQ(row.fShown, spinBox.text());
        // What it shows reads back as the same length, to the digits shown.
        Type(spinBox, spinBox.text());
        EXPECT_NEAR(72, spinBox.value(), 0.01);
        // A number without unit is in the default unit.
        Type(spinBox, "1");
        EXPECT_NEAR(GUnitSupport::GetFactorForUnitCode(row.fUnit), spinBox.value(), 1e-3);
    }
}

TEST_F(GQUIUnitSpinBoxTest, FollowsAChangeOfTheDefaultUnit)
{
    auto gone = std::make_unique<GQUIUnitSpinBox>();
    gone.reset(); // a deleted box has left the signal
    GQUIUnitSpinBox spinBox;
    GQUIUnitSpinBox other;
    spinBox.setValue(72);
    other.setValue(36);

    GUnitSupport::SetDefaultUnitCode(GUnitSupport::cInches);
    EXPECT_EQ("1 in", spinBox.text());
    EXPECT_EQ("0.5 in", other.text());
    EXPECT_EQ(72.0, spinBox.singleStep());
    EXPECT_EQ(4, spinBox.decimals());

    GUnitSupport::SetDefaultUnitCode(GUnitSupport::cCentimeters);
    EXPECT_EQ("2.54 cm", spinBox.text());
    EXPECT_EQ(3, spinBox.decimals());
    EXPECT_NEAR(cCM, spinBox.singleStep(), 1e-9);
    EXPECT_EQ(72.0, spinBox.value());
}

TEST_F(GQUIUnitSpinBoxTest, AForcedTextStandsUntilANumberOrTypingReplacesIt)
{
    GQUIUnitSpinBox spinBox;
    spinBox.setValue(50);
    spinBox.clear();
    EXPECT_TRUE(spinBox.IsForced());
    EXPECT_EQ("", spinBox.text());
    EXPECT_EQ(0.0, spinBox.value());
    // The forced text survives a re-display.
    GBasicSignals::SendPreferencesChanged();
    EXPECT_EQ("", spinBox.text());

    Type(spinBox, "3");
    EXPECT_FALSE(spinBox.IsForced());
    EXPECT_NEAR(3 * cMM, spinBox.value(), 1e-4);
    EXPECT_EQ("3 mm", spinBox.text());

    spinBox.forceText("Mixed");
    EXPECT_TRUE(spinBox.IsForced());
    EXPECT_EQ("Mixed", spinBox.text());
    spinBox.forceText("12");
    EXPECT_FALSE(spinBox.IsForced());
    EXPECT_EQ(12.0, spinBox.value());

    spinBox.forceValue(std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(spinBox.IsForced());
    EXPECT_EQ("nan", spinBox.text());
    spinBox.forceValue(36);
    EXPECT_FALSE(spinBox.IsForced());
    EXPECT_EQ(36.0, spinBox.value());
}

TEST_F(GQUIUnitSpinBoxTest, ReportsEachNewValueAndStepsOnlyWithButtons)
{
    GQUIUnitSpinBox spinBox;
    QSignalSpy changes(&spinBox, &GQUIUnitSpinBox::ValueChanged);
    Type(spinBox, "1in");
    ASSERT_EQ(1, changes.count());
    EXPECT_EQ(72.0, changes.at(0).at(0).toDouble());

    QTest::keyClick(&spinBox, Qt::Key_Up);
    EXPECT_EQ(72.0, spinBox.value());
    spinBox.setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    spinBox.setSingleStep(10);
    QTest::keyClick(&spinBox, Qt::Key_Up);
    EXPECT_EQ(82.0, spinBox.value());
}

// The fuzz target of typed text, over its seeds and over random pieces of expressions.
TEST_F(GQUIUnitSpinBoxTest, FuzzTargetKeepsToItsProperties)
{
    namespace fs = std::filesystem;
    int seeds = 0;
    for (auto const& entry : fs::directory_iterator(fs::path(SENDRIX_FUZZ_CORPUS) / "UnitExpressionFuzz"))
    {
        std::ifstream file(entry.path(), std::ios::binary);
        std::string const input((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        EXPECT_EQ(0, UnitExpressionFuzzOneInput(reinterpret_cast<std::uint8_t const*>(input.data()), input.size()));
        ++seeds;
    }
    EXPECT_GT(seeds, 0);

    std::vector<std::string> const pieces = {"1", "0", "99999999999999999999", ".", ",", "+", "-", "*", "/", "|",
                                             " ", "mm", "IN", "pt", "p", "ft", "m", "cm", "x", "\xC3\xA9"};
    std::mt19937 random(18);
    for (int round = 0; round < 40; ++round)
    {
        std::string input;
        int const count = int(random() % 24);
        for (int index = 0; index < count; ++index)
            input += pieces[random() % pieces.size()];
        EXPECT_EQ(0, UnitExpressionFuzzOneInput(reinterpret_cast<std::uint8_t const*>(input.data()), input.size()));
    }
}
} // namespace
