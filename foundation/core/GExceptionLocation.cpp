// The per-thread stack of error contexts behind GExceptionLocation.
#include "GExceptionLocation.h"

#include "GExceptionContextPathName.h"
#include "GExceptionContextString.h"
#include "GExceptionContextStringID.h"
#include "GExceptionContextStringID2PathNames.h"

GThreadLocalTable<GExceptionContext*>& GExceptionLocation::ContextStack()
{
    static auto* const stack = new GThreadLocalTable<GExceptionContext*>;
    return *stack;
}

GExceptionLocation::GExceptionLocation(GPathName const& path)
{
    Push(new GExceptionContextPathName(path));
}

GExceptionLocation::GExceptionLocation(GString const& text)
{
    Push(new GExceptionContextString(text));
}

GExceptionLocation::GExceptionLocation(int id)
{
    Push(new GExceptionContextStringID(id));
}

GExceptionLocation::GExceptionLocation(int id, GPathName const& first, GPathName const& second)
{
    Push(new GExceptionContextStringID2PathNames(id, first, second));
}

GExceptionLocation::~GExceptionLocation()
{
    GTable<GExceptionContext*>* stack =
        static_cast<GThreadLocalTable<GExceptionContext*> const&>(ContextStack()).Instance();
    if (!stack || stack->GetCount() == 0)
        return;
    GExceptionContext* top = (*stack)[stack->GetCount() - 1];
    stack->RemoveLastItem();
    delete top;
}

void GExceptionLocation::Push(GExceptionContext* context)
{
    try
    {
        ContextStack().AddItem(context);
    }
    catch (...) // not pushed, so no destructor will pop it; rethrown at once
    {
        delete context;
        throw;
    }
}

GLngString GExceptionLocation::GetLngDescription()
{
    GTable<GExceptionContext*> const* stack =
        static_cast<GThreadLocalTable<GExceptionContext*> const&>(ContextStack()).Instance();
    if (!stack || stack->GetCount() == 0)
        return GLngString();
    return (*stack)[stack->GetCount() - 1]->GetLngDescription();
}
