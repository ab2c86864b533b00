// The plug-in's logging front end.
#include "ILogInterface.h"

namespace Zolvane
{
ILogInterface* ILogInterface::sGlobalLogger = nullptr;
QSet<ILogInterface*> ILogInterface::sAutoRegisteredLoggers;

ILogInterface::ILogInterface(bool autoRegister) : fAutoRegister(autoRegister)
{
    if (fAutoRegister)
        sAutoRegisteredLoggers.insert(this);
}

ILogInterface::~ILogInterface()
{
    if (fAutoRegister)
        sAutoRegisteredLoggers.remove(this);
}

ILogInterface* ILogInterface::GetGlobalLogger()
{
    return sGlobalLogger;
}

void ILogInterface::InitializeGlobalLogger(ILogInterface* logger)
{
    if (logger == sGlobalLogger)
        return;
    // The old logger goes first, so that its destructor never sees the new one in place.
    ILogInterface* const previous = sGlobalLogger;
    sGlobalLogger = nullptr;
    delete previous;
    sGlobalLogger = logger;
}

void ILogInterface::FinalizeGlobalLogger()
{
    InitializeGlobalLogger(nullptr);
}

void ILogInterface::Log(Severity severity, QString const& message, QString const& location)
{
    if (sGlobalLogger)
        sGlobalLogger->Write(severity, message, location);
    // A copy: a Write may register or destroy loggers. One made meanwhile hears from the next
    // message on; one destroyed meanwhile is no longer there to be called.
    QSet<ILogInterface*> const loggers = sAutoRegisteredLoggers;
    for (ILogInterface* logger : loggers)
    {
        if (sAutoRegisteredLoggers.contains(logger))
            logger->Write(severity, message, location);
    }
}

void ILogInterface::Log(QString const& message, QString const& location)
{
    Log(cMessage, message, location);
}
} // namespace Zolvane

void log_assert(QString const& message, QString const& location)
{
    Zolvane::ILogInterface::Log(Zolvane::ILogInterface::cAssert, message, location);
}

void log_debug(QString const& message, QString const& location)
{
    Zolvane::ILogInterface::Log(Zolvane::ILogInterface::cDebug, message, location);
}

void log_error(QString const& message, QString const& location)
{
    Zolvane::ILogInterface::Log(Zolvane::ILogInterface::cError, message, location);
}
