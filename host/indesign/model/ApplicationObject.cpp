// The host application.
#include "ApplicationObject.h"

#include "Host.h"
#include "HostClasses.h"
#include "IActionManager.h"

namespace indesignhost
{
ApplicationObject::ApplicationObject(Host& host) : HostObject(host, kApplicationBoss, false)
{
    AddInterface(IApplication::kDefaultIID, &fApplication);
}

IActionManager* ApplicationObject::Application::QueryActionManager() const
{
    Host& host = Object().GetHost();
    bool const failed = host.Faults().Fires("app.actionManager").has_value();
    QJsonObject fields;
    fields.insert("answer", !failed);
    host.Record("call", "IApplication::QueryActionManager", fields);
    if (failed)
        return nullptr;
    host.ActionManager().AddRef();
    return static_cast<IActionManager*>(host.ActionManager().Interface(IActionManager::kDefaultIID));
}
} // namespace indesignhost
