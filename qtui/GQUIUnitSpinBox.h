// A spin box for lengths: its value is in points, it shows the value in the user's default unit with
// the unit's symbol, and it reads typed text as a short sum or product of lengths ("2*10mm",
// "1in+1cm", "10,5"). A change of the default unit (signal 105) re-displays every spin box. It can
// also show a text of its own (empty, or a mixed value) instead of a number.
#pragma once

#include <QDoubleSpinBox>
#include <QRegExpValidator>
#include <QString>

#include "GEmptyMessage.h"
#include "GReceiver.h"

class GQUIUnitSpinBox : public QDoubleSpinBox, public GReceiver<GEmptyMessage>
{
    Q_OBJECT

public:
    static constexpr int cPreferencesChangedSignal = 105;
    // Terms an expression may have.
    static constexpr int cMaxTerms = 10;
    static constexpr double cMinimum = -999999999999.0;
    static constexpr double cMaximum = 999999999999.0;

    explicit GQUIUnitSpinBox(QWidget* parent = nullptr);
    ~GQUIUnitSpinBox() override;

    // 4 for units of at most 3 points and of at least an inch, 3 for the others (picas, centimetres).
    static int DecimalsForDefaultUnit();
    // The expression's value in points; 0 for text without a value. Never NaN or infinite.
    static double EvaluateExpression(QString const& text);
    // The pattern the validator checks: ten optional terms, each led by an optional operator.
    static QString ExpressionPattern();

    bool IsForced() const { return fForced; }
    QString ForcedText() const { return fForcedText; }

    void Receive(int signalId, GEmptyMessage const& message) override;

Q_SIGNALS:
    void ValueChanged(double value);

public Q_SLOTS:
    // The value 0 shown as an empty field.
    void clear() override;
    void forceValue(double inValue);
    void forceText(QString inValue);

protected:
    void timerEvent(QTimerEvent* event) override;
    QValidator::State validate(QString& text, int& position) const override;
    StepEnabled stepEnabled() const override;
    double valueFromText(QString const& text) const override;
    QString textFromValue(double value) const override;

private Q_SLOTS:
    void Editing(double value);

private:
    void EnterForcedState(QString const& text);

    QRegExpValidator* fValidator;
    bool fEditing = false;
    // validate is const in Qt's interface, yet typing over the forced text ends the forced state.
    mutable bool fForced = false;
    QString fForcedText;
};
