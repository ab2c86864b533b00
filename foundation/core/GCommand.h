// A piece of work packed as an object, to be run later by whoever holds it (the deferred
// user-message queue runs them at idle time).
#pragma once

class GCommand
{
public:
    // Execute comes before the destructor in the virtual table; subclasses built elsewhere rely on it.
    virtual void Execute() = 0;
    virtual ~GCommand() = default;
};
