// Text a user types into a unit spin box: the expression reader and the spin box that shows what it
// read. Nothing crashes or hangs; the value is always a finite number inside the spin box's range; the
// field never shows a NaN or an infinity; text the validator accepts becomes the reader's value,
// bounded to the range.
#include <QApplication>
#include <QLineEdit>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "GBasicFrameworkCoreLayer.h"
#include "GQUILayer.h"
#include "GQUIUnitSpinBox.h"
#include "GUnitSupport.h"

#ifndef SENDRIX_FUZZ_ENTRY
#define SENDRIX_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

#ifndef SENDRIX_FUZZ_IN_TESTS
// Fontconfig keeps its caches for the process's life, and Qt's offscreen platform its screens and
// cursor (seen through short stacks while fuzzing).
extern "C" char const* __lsan_default_suppressions()
{
    return "leak:libfontconfig\nleak:libqoffscreen\nleak:QGuiApplicationPrivate::createPlatformIntegration\n"
           "leak:QScreen::QScreen\nleak:QPlatformScreen::QPlatformScreen\n"
           "leak:QWindowSystemInterface::handleScreenAdded\n";
}
#endif

namespace
{
void Check(bool holds, char const* what, std::string const& detail)
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz property broken: %s\n%s\n", what, detail.c_str());
    std::abort();
}

// The spin box's protected readers, reached as Qt reaches them.
class ProbeSpinBox : public GQUIUnitSpinBox
{
public:
    using GQUIUnitSpinBox::validate;
    using GQUIUnitSpinBox::valueFromText;
    using GQUIUnitSpinBox::lineEdit;
};

bool ShowsNoNumberThatIsNone(QString const& text)
{
    QString const lower = text.toLower();
    return !lower.contains(QLatin1String("nan")) && !lower.contains(QLatin1String("inf"));
}

std::string Detail(QString const& text, double value)
{
    return text.toStdString() + " -> " + std::to_string(value);
}

void CheckSpinBox(QString const& text, double evaluated)
{
    ProbeSpinBox spinBox;
    QString typed = text;
    int position = typed.size();
    QValidator::State const state = spinBox.validate(typed, position);
    spinBox.lineEdit()->setText(text);
    spinBox.interpretText();
    double const value = spinBox.value();
    Check(std::isfinite(value) && value >= GQUIUnitSpinBox::cMinimum && value <= GQUIUnitSpinBox::cMaximum,
                       "the value is finite and inside the range", Detail(text, value));
    if (state == QValidator::Acceptable)
    {
        double const bounded = std::min(std::max(evaluated, GQUIUnitSpinBox::cMinimum), GQUIUnitSpinBox::cMaximum);
        // Typed text is taken as read; a value set in code is rounded to the shown decimals.
        double const tolerance = 0.5 * std::pow(10.0, -spinBox.decimals()) + 1e-9 * std::abs(bounded);
        Check(std::abs(value - bounded) <= tolerance, "accepted text becomes its value", Detail(text, value));
    }
    spinBox.setValue(value);
    Check(ShowsNoNumberThatIsNone(spinBox.text()), "the field shows a number",
                       spinBox.text().toStdString());
}
} // namespace

extern "C" int SENDRIX_FUZZ_ENTRY(std::uint8_t const* data, std::size_t size)
{
#ifndef SENDRIX_FUZZ_IN_TESTS
    // The program brings the foundation and the toolkit up once; the tests have both up already.
    static bool const started = []
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        GBasicFrameworkCoreLayer::Initialize();
        std::atexit([] { GBasicFrameworkCoreLayer::Finalize(); });
        GQUILayer::Initialize();
        std::atexit([] { GQUILayer::Finalize(); });
        return true;
    }();
    (void)started;
#endif
    QString const text = QString::fromUtf8(reinterpret_cast<char const*>(data), int(size));
    double const evaluated = GQUIUnitSpinBox::EvaluateExpression(text);
    Check(std::isfinite(evaluated), "the reader gives a finite value", Detail(text, evaluated));
    if (QApplication::instance())
        CheckSpinBox(text, evaluated);
    return 0;
}
