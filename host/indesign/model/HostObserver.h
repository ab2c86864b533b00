// What the host tells an observer that must act while the plug-in runs (the UI robot that answers
// the plug-in's dialogs): around every call into a plug-in, on every call the plug-in makes into
// the host, and between the steps of a scenario.
#pragma once

#include <QJsonObject>

#include <string>

namespace indesignhost
{
class HostObserver
{
public:
    virtual ~HostObserver() = default;

    virtual void BeforePlugInCall(std::string const& /*what*/) {}
    virtual void AfterPlugInCall(std::string const& /*what*/) {}
    // A call into the host as the transcript records it (kind "call", "alert", "modal", ...).
    virtual void HostCalled(QJsonObject const& /*line*/) {}
    virtual void BetweenSteps() {}
};
} // namespace indesignhost
