// A host object (a "boss"): a numbered object of a class with interfaces asked for by id, each
// answer a reference the caller gives back. The host's own objects (session, documents, books)
// live as long as the host holds them; the objects a plug-in makes (commands, packagers, reports)
// go when their last reference goes. Each interface is a facet that forwards the counting to the
// object.
#pragma once

#include <map>
#include <string>

#include "IPMUnknown.h"

namespace indesignhost
{
class Host;

class HostObject
{
public:
    // A transient object is destroyed by the host when its last reference is given back.
    HostObject(Host& host, ClassID objectClass, bool transient);
    virtual ~HostObject();
    HostObject(HostObject const&) = delete;
    HostObject& operator=(HostObject const&) = delete;

    Host& GetHost() const { return fHost; }
    ClassID GetClass() const { return fClass; }
    UID GetUID() const { return fUID; }
    bool IsTransient() const { return fTransient; }
    // References handed out and not given back.
    int References() const { return fReferences; }

    // The interface with a reference, or null (also when a fault at "query.<class>.<iid>" fires).
    IPMUnknown* Query(PMIID interfaceID) const;
    void AddRef() const;
    void Release() const;

    // The interface of that id without a reference; null when the object has none.
    IPMUnknown* Interface(PMIID interfaceID) const;

protected:
    void AddInterface(PMIID interfaceID, IPMUnknown* facet) { fInterfaces[interfaceID] = facet; }
    // Further fault points that stand for a query of this object (the font usage of a document).
    virtual char const* QueryFaultAlias(PMIID) const { return nullptr; }

private:
    Host& fHost;
    ClassID fClass;
    UID fUID;
    bool fTransient;
    std::map<PMIID, IPMUnknown*> fInterfaces;
    mutable int fReferences = 0;
};

// One interface of a host object: counting and queries go to the object.
template<class Interface>
class Facet : public Interface
{
public:
    explicit Facet(HostObject& object) : fObject(object) {}
    ~Facet() override = default;
    Facet(Facet const&) = delete;
    Facet& operator=(Facet const&) = delete;

    IPMUnknown* QueryInterface(PMIID interfaceID) const override { return fObject.Query(interfaceID); }
    void AddRef() const override { fObject.AddRef(); }
    void Release() const override { fObject.Release(); }

    HostObject& Object() const { return fObject; }

private:
    HostObject& fObject;
};
} // namespace indesignhost
