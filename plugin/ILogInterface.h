// The plug-in's logging front end: a message with a severity and the name of the operation that
// logs it goes to the global logger, when one is installed, and to every logger that registered
// itself. Nothing in the plug-in installs one, so by default a message goes nowhere; a host or a
// later component attaches a logger by deriving from ILogInterface.
#pragma once

#include <QSet>
#include <QString>

namespace Zolvane
{
class ILogInterface
{
public:
    enum Severity
    {
        cAssert = -2,
        cDebug = -1,
        cMessage = 1,
        cError = 3
    };

    // With autoRegister the logger hears every message until it is destroyed.
    explicit ILogInterface(bool autoRegister);
    virtual ~ILogInterface();
    ILogInterface(ILogInterface const&) = delete;
    ILogInterface& operator=(ILogInterface const&) = delete;

    virtual void Write(Severity severity, QString const& message, QString const& location) = 0;

    // The global logger, or null.
    static ILogInterface* GetGlobalLogger();
    // Deletes the global logger there was and takes ownership of the given one.
    static void InitializeGlobalLogger(ILogInterface* logger);
    static void FinalizeGlobalLogger();

    // To the global logger first, then to each registered logger that was registered when the
    // message started and still is (a Write may make or destroy loggers). A logger that is both
    // hears the message twice.
    static void Log(Severity severity, QString const& message, QString const& location);
    static void Log(QString const& message, QString const& location);

private:
    bool fAutoRegister;

    static ILogInterface* sGlobalLogger;
    static QSet<ILogInterface*> sAutoRegisteredLoggers;
};
} // namespace Zolvane

void log_assert(QString const& message, QString const& location);
void log_debug(QString const& message, QString const& location);
void log_error(QString const& message, QString const& location);
