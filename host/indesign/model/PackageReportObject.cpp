// The package report.
#include "PackageReportObject.h"

#include "Host.h"
#include "PackagerObject.h"

namespace indesignhost
{
PackageReportObject::PackageReportObject(Host& host)
    : HostObject(host, IPackageReport::kPackageReportBoss, true)
{
    AddInterface(IPackageReport::kDefaultIID, &fReport);
}

int32 PackageReportObject::Report::Run(IPackager* packager, int32 showDialog, int32 withInstructions,
                                       int32 writeFile)
{
    Host& host = Object().GetHost();
    QJsonObject fields;
    fields.insert("showDialog", showDialog);
    fields.insert("withInstructions", withInstructions);
    fields.insert("writeFile", writeFile);
    int32 result = 1;
    if (std::optional<int32> const fault = host.Faults().Fires("report.result", 0))
        result = *fault;
    else
    {
        PackagerObject* const found = host.FindPackager(packager);
        std::string error;
        if (!found)
            error = "no packager of this host";
        else if (!found->LastJob())
            error = "the packager made no package";
        else if (writeFile != 0 &&
                 !WritePackageReport(found->Target().GetPOSIXPath(), *found->LastJob(), error) &&
                 error.empty())
            error = "the report was not written";
        if (!error.empty())
        {
            result = 0;
            fields.insert("error", QString::fromStdString(error));
        }
        else if (writeFile != 0)
        {
            QJsonObject file;
            file.insert("path",
                        QString::fromStdString(found->Target().GetPOSIXPath() + "/" + cPackageReportName));
            host.Record("file", "report", file);
        }
    }
    fields.insert("result", result);
    host.Record("call", "IPackageReport::Run", fields);
    return result;
}
} // namespace indesignhost
