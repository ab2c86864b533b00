// Detached threads and the identity of the calling thread.
#pragma once

class PUNIXThreadImp
{
public:
    using ThreadFunction = void (*)(void*);

    // Starts function(argument) on a new detached thread.
    static void BeginThread(ThreadFunction function, void* argument);
    // The whole pthread_self value; per-thread tables key on all of it.
    static long GetCurrentThreadId();
};
