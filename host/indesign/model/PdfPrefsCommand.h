// The set-PDF-export-preferences command: processing stores its settings as the session's, which
// the book export then uses.
#pragma once

#include "CommandObject.h"
#include "PdfExportPrefs.h"

namespace indesignhost
{
class PdfPrefsCommand : public CommandObject
{
public:
    explicit PdfPrefsCommand(Host& host);

    ErrorCode Process() override;

private:
    PdfExportPrefs fPrefs;
};
} // namespace indesignhost
