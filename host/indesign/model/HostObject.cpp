// Host objects: their numbers, interfaces and references.
#include "HostObject.h"

#include "Host.h"
#include "HostClasses.h"

namespace indesignhost
{
HostObject::HostObject(Host& host, ClassID objectClass, bool transient)
    : fHost(host), fClass(objectClass), fUID(host.NewUID()), fTransient(transient)
{
}

HostObject::~HostObject() = default;

IPMUnknown* HostObject::Query(PMIID interfaceID) const
{
    std::string const point = "query." + ClassName(fClass) + "." + std::to_string(interfaceID);
    char const* const alias = QueryFaultAlias(interfaceID);
    bool const failed = fHost.Faults().Fires(point).has_value() || (alias && fHost.Faults().Fires(alias));
    IPMUnknown* const found = failed ? nullptr : Interface(interfaceID);
    QJsonObject fields;
    fields.insert("class", QString::fromStdString(ClassName(fClass)));
    fields.insert("uid", static_cast<qint64>(fUID));
    fields.insert("iid", static_cast<qint64>(interfaceID));
    fields.insert("answer", found != nullptr);
    fHost.Record("call", "QueryInterface", fields);
    if (found)
        AddRef();
    return found;
}

IPMUnknown* HostObject::Interface(PMIID interfaceID) const
{
    auto const found = fInterfaces.find(interfaceID);
    return found == fInterfaces.end() ? nullptr : found->second;
}

void HostObject::AddRef() const
{
    ++fReferences;
}

void HostObject::Release() const
{
    if (fReferences == 0)
    {
        fHost.Break("object " + ClassName(fClass) + " " + std::to_string(fUID) +
                    " released more often than it was referenced");
        return;
    }
    if (--fReferences == 0 && fTransient)
        fHost.Discard(const_cast<HostObject*>(this));
}
} // namespace indesignhost
