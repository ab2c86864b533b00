// The unit spin box: typed lengths read as short expressions, values shown in the default unit.
#include "GQUIUnitSpinBox.h"

#include <QLineEdit>
#include <QRegExp>
#include <QStringList>
#include <QTimerEvent>

#include <cmath>

#include "GQStringSupport.h"
#include "GUnitSupport.h"

namespace
{
QString const cTermStart = QStringLiteral("\\s*([+-]?[0-9]*[.,]?[0-9]*)\\s*(");
QString const cTermEnd = QStringLiteral(")?\\s*");
// The class holds "+", "|", "*" and "/": the hyphens make the range from "|" to "|", so a minus is
// always read as a number's sign or as a lone "-".
QString const cOperator = QStringLiteral("([+|-|*|/])?");

QRegExp const& CompiledPattern()
{
    static QRegExp const pattern(GQUIUnitSpinBox::ExpressionPattern(), Qt::CaseInsensitive);
    return pattern;
}

// One term of a matched expression: operator, number with "." for decimals, unit, all lowercase.
struct Term
{
    QString fOperator;
    QString fNumber;
    QString fUnit;
};

Term TermAt(QRegExp const& match, int index)
{
    return Term{match.cap(3 * index - 2).toLower(), match.cap(3 * index - 1).replace(QLatin1Char(','), QLatin1Char('.')),
                match.cap(3 * index).toLower()};
}

double NumberOf(Term const& term)
{
    return GQStringSupport::ToGString(term.fNumber, false).GetReal();
}

// The term's unit, the default one when it names none.
GUnitSupport::Unit UnitOf(Term const& term, GUnitSupport::Unit defaultUnit)
{
    return term.fUnit.isEmpty() ? defaultUnit
                                : GUnitSupport::GetUnitCodeForSymbol(GQStringSupport::ToGString(term.fUnit, false));
}

class FlagScope
{
public:
    explicit FlagScope(bool& flag) : fFlag(flag), fEarlier(flag) { fFlag = true; }
    ~FlagScope() { fFlag = fEarlier; }
    FlagScope(FlagScope const&) = delete;
    FlagScope& operator=(FlagScope const&) = delete;

private:
    bool& fFlag;
    bool const fEarlier;
};
} // namespace

GQUIUnitSpinBox::GQUIUnitSpinBox(QWidget* parent)
    : QDoubleSpinBox(parent),
      fValidator(new QRegExpValidator(CompiledPattern(), this))
{
    setRange(cMinimum, cMaximum);
    setDecimals(DecimalsForDefaultUnit());
    setButtonSymbols(QAbstractSpinBox::NoButtons);
    setKeyboardTracking(false);
    Subscribe(cPreferencesChangedSignal);
    connect(this, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &GQUIUnitSpinBox::Editing);
}

GQUIUnitSpinBox::~GQUIUnitSpinBox()
{
    UnSubscribe(cPreferencesChangedSignal);
}

int GQUIUnitSpinBox::DecimalsForDefaultUnit()
{
    double const factor = GUnitSupport::GetDefaultUnitFactor();
    return factor <= 3.0 || factor >= GUnitSupport::GetFactorForUnitCode(GUnitSupport::cInches) ? 4 : 3;
}

QString GQUIUnitSpinBox::ExpressionPattern()
{
    QStringList symbols;
    for (int code = 0; code < GUnitSupport::cUnitCount; ++code)
        symbols << QRegExp::escape(
            GQStringSupport::ToQString(GUnitSupport::GetSymbolForUnitCode(GUnitSupport::Unit(code))));
    QString const term = cTermStart + symbols.join(QLatin1Char('|')) + cTermEnd;
    QString pattern;
    for (int index = 0; index < cMaxTerms; ++index)
        pattern += cOperator + term;
    return pattern;
}

// A plain number is in the default unit, a number with a unit in that unit; a number that multiplies
// or divides is a pure factor until the first explicit unit has been applied, and then scales in its
// own unit. A lone minus subtracts the term after it.
double GQUIUnitSpinBox::EvaluateExpression(QString const& text)
{
    QRegExp match(CompiledPattern());
    if (match.indexIn(text, 0) < 0)
        return 0.0;
    GUnitSupport::Unit const defaultUnit = GUnitSupport::GetDefaultUnitCode();
    double const defaultFactor = GUnitSupport::GetFactorForUnitCode(defaultUnit);
    double result = 0.0;
    bool haveFirstUnit = false;
    bool unitEstablished = false;
    for (int index = 1; index <= cMaxTerms; ++index)
    {
        Term const term = TermAt(match, index);
        if (term.fNumber.isEmpty())
            break;
        double const number = NumberOf(term);
        GUnitSupport::Unit const unit = UnitOf(term, defaultUnit);
        double const factor = GUnitSupport::GetFactorForUnitCode(unit);
        if (!haveFirstUnit && !term.fUnit.isEmpty())
            haveFirstUnit = true;

        if (term.fOperator.isEmpty() && term.fNumber == QLatin1String("-"))
        {
            if (index < cMaxTerms)
            {
                Term const next = TermAt(match, ++index);
                if (!next.fNumber.isEmpty())
                    result -= NumberOf(next) * GUnitSupport::GetFactorForUnitCode(UnitOf(next, defaultUnit));
            }
            unitEstablished = unitEstablished || haveFirstUnit;
        }
        else if (term.fOperator.isEmpty() || term.fOperator == QLatin1String("+"))
        {
            result += number * factor;
            unitEstablished = unitEstablished || haveFirstUnit;
        }
        else if (term.fOperator == QLatin1String("*"))
        {
            if (unitEstablished || !haveFirstUnit)
                result *= number;
            else
            {
                result = result / defaultFactor * number * factor;
                unitEstablished = true;
            }
        }
        else if (term.fOperator == QLatin1String("/") && number != 0.0)
        {
            if (unitEstablished || !haveFirstUnit)
                result /= number;
            else
            {
                result = result / defaultFactor / number * factor;
                unitEstablished = true;
            }
        }
    }
    // Digits beyond any double's range give infinities, and their sums and products NaN: such text
    // has no value, as text without any number has none.
    return std::isfinite(result) ? result : 0.0;
}

void GQUIUnitSpinBox::Receive(int, GEmptyMessage const&)
{
    setSingleStep(GUnitSupport::GetDefaultUnitFactor());
    setDecimals(DecimalsForDefaultUnit());
    setValue(value());
}

void GQUIUnitSpinBox::clear()
{
    setValue(0.0);
    EnterForcedState(QString());
}

void GQUIUnitSpinBox::forceValue(double inValue)
{
    if (std::isnan(inValue))
    {
        EnterForcedState(QString::number(inValue, 'g', 6));
        return;
    }
    fForced = false;
    setValue(inValue);
}

void GQUIUnitSpinBox::forceText(QString inValue)
{
    bool isNumber = false;
    double const number = inValue.toDouble(&isNumber);
    if (!isNumber || std::isnan(number))
    {
        EnterForcedState(inValue);
        return;
    }
    fForced = false;
    setValue(number);
}

void GQUIUnitSpinBox::EnterForcedState(QString const& text)
{
    fForced = true;
    fForcedText = text;
    lineEdit()->setText(text);
}

void GQUIUnitSpinBox::timerEvent(QTimerEvent* event)
{
    // A step timer firing while the value's receivers run would step again from inside them.
    if (fEditing)
    {
        event->accept();
        return;
    }
    QDoubleSpinBox::timerEvent(event);
}

QValidator::State GQUIUnitSpinBox::validate(QString& text, int& position) const
{
    QValidator::State const state = fValidator->validate(text, position);
    if (state != QValidator::Invalid && fForced && text != fForcedText)
        fForced = false;
    return state;
}

QAbstractSpinBox::StepEnabled GQUIUnitSpinBox::stepEnabled() const
{
    if (buttonSymbols() == QAbstractSpinBox::NoButtons)
        return StepNone;
    return StepUpEnabled | StepDownEnabled;
}

double GQUIUnitSpinBox::valueFromText(QString const& text) const
{
    return fForced ? 0.0 : EvaluateExpression(text);
}

QString GQUIUnitSpinBox::textFromValue(double value) const
{
    if (fForced)
        return lineEdit()->text();
    return GQStringSupport::ToQString(GUnitSupport::FormatValueWithUnit(value, decimals()));
}

void GQUIUnitSpinBox::Editing(double)
{
    FlagScope const editing(fEditing);
    Q_EMIT ValueChanged(value());
}
