// Where the user works: the front document, if any.
#pragma once

#include "HostObject.h"
#include "IActiveContext.h"

namespace indesignhost
{
class ActiveContextObject : public HostObject
{
public:
    explicit ActiveContextObject(Host& host);

private:
    class Context : public Facet<IActiveContext>
    {
    public:
        explicit Context(ActiveContextObject& object) : Facet<IActiveContext>(object) {}
        IDocument* GetContextDocument() const override;
    };

    Context fContext{*this};
};
} // namespace indesignhost
