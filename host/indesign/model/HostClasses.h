// The classes of the host's own objects (the stand-in's ids, beside the command, package and report
// classes the plug-in makes) and the names the fault table and the transcript give every class.
#pragma once

#include <string>

#include "SDKTypes.h"

namespace indesignhost
{
enum : ClassID
{
    kSessionBoss = kStandInIDBase + 0x100,
    kApplicationBoss,
    kActionManagerBoss,
    kUtilsBoss,
    kActiveContextBoss,
    kDocumentBoss,
    kBookBoss,
    kUnitPrefsBoss,
    kActionStateListBoss
};

// "session", "document", "setPDFExportPrefs", ... for the host's own classes; the decimal number for
// any other (9477, 80393, a plug-in's class).
std::string ClassName(ClassID objectClass);
// The class of a name ClassName gives, or of a decimal number; false for anything else.
bool ClassFromName(std::string const& name, ClassID& objectClass);
} // namespace indesignhost
