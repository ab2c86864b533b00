// The hover-help listener's life.
#include "GQUIHelpHandler.h"

GQUIHelpHandlerListener* GQUIHelpHandler::sInternalListener = nullptr;

GQUIHelpHandlerListener::GQUIHelpHandlerListener()
{
    Subscribe(GQUIHelpHandler::cIdleSignal);
}

GQUIHelpHandlerListener::~GQUIHelpHandlerListener()
{
    UnSubscribe(GQUIHelpHandler::cIdleSignal);
}

void GQUIHelpHandlerListener::Receive(int, GEmptyMessage const&)
{
    // Nothing registers help texts yet, so there is no pointer to follow.
}

void GQUIHelpHandler::Initialize()
{
    if (!sInternalListener)
        sInternalListener = new GQUIHelpHandlerListener;
}

void GQUIHelpHandler::Finalize()
{
    delete sInternalListener;
    sInternalListener = nullptr;
}
