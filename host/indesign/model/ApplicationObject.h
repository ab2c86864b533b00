// The host application: it answers its action manager.
#pragma once

#include "HostObject.h"
#include "IApplication.h"

namespace indesignhost
{
class ApplicationObject : public HostObject
{
public:
    explicit ApplicationObject(Host& host);

private:
    class Application : public Facet<IApplication>
    {
    public:
        explicit Application(ApplicationObject& object) : Facet<IApplication>(object) {}
        IActionManager* QueryActionManager() const override;
    };

    Application fApplication{*this};
};
} // namespace indesignhost
