// Unit preferences of a context.
#include "UnitPrefsObject.h"

#include "Host.h"
#include "HostClasses.h"
#include "Units.h"

namespace indesignhost
{
namespace
{
// Both directions have the one unit of the object.
ClassID AnswerUnit(Host& host, ClassID unit, char const* call)
{
    QJsonObject fields;
    fields.insert("answer", static_cast<qint64>(unit));
    fields.insert("unit", QString::fromStdString(UnitName(unit)));
    host.Record("call", call, fields);
    return unit;
}
} // namespace

UnitPrefsObject::UnitPrefsObject(Host& host, ClassID unit)
    : HostObject(host, kUnitPrefsBoss, true), fUnit(unit)
{
    AddInterface(IUnitPrefs::kDefaultIID, &fPrefs);
}

ClassID UnitPrefsObject::Prefs::GetHorizontalUnit() const
{
    return AnswerUnit(fOwner.GetHost(), fOwner.fUnit, "IUnitPrefs::GetHorizontalUnit");
}

ClassID UnitPrefsObject::Prefs::GetVerticalUnit() const
{
    return AnswerUnit(fOwner.GetHost(), fOwner.fUnit, "IUnitPrefs::GetVerticalUnit");
}
} // namespace indesignhost
