// The active context.
#include "ActiveContextObject.h"

#include "DocumentObject.h"
#include "Host.h"
#include "HostClasses.h"

namespace indesignhost
{
ActiveContextObject::ActiveContextObject(Host& host) : HostObject(host, kActiveContextBoss, false)
{
    AddInterface(IActiveContext::kDefaultIID, &fContext);
}

IDocument* ActiveContextObject::Context::GetContextDocument() const
{
    Host& host = Object().GetHost();
    DocumentObject* const front = host.FrontDocumentObject();
    QJsonObject fields;
    fields.insert("answer", FileNameField(front));
    host.Record("call", "IActiveContext::GetContextDocument", fields);
    return front ? front->GetDocument() : nullptr;
}
} // namespace indesignhost
