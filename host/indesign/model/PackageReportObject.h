// The package report (80395, its interface 80396): the report file of a packager's last run,
// written into the package folder through the host's package writer.
#pragma once

#include "HostObject.h"
#include "IPackageReport.h"

namespace indesignhost
{
class PackageReportObject : public HostObject
{
public:
    explicit PackageReportObject(Host& host);

private:
    class Report : public Facet<IPackageReport>
    {
    public:
        explicit Report(PackageReportObject& object) : Facet<IPackageReport>(object) {}
        int32 Run(IPackager* packager, int32 showDialog, int32 withInstructions, int32 writeFile) override;
    };

    Report fReport{*this};
};
} // namespace indesignhost
