// Detached threads and the identity of the calling thread.
#include "PUNIXThreadImp.h"

#include <cerrno>
#include <memory>
#include <pthread.h>

#include "GSimpleException.h"

namespace
{
constexpr int cThreadCreateAgain = 40253;
constexpr int cThreadCreateInvalid = 40254;
constexpr int cThreadCreateFailed = 40256;

struct StartRecord
{
    PUNIXThreadImp::ThreadFunction fFunction;
    void* fArgument;
};

void* ThreadEntry(void* raw)
{
    std::unique_ptr<StartRecord> record(static_cast<StartRecord*>(raw));
    record->fFunction(record->fArgument);
    return nullptr;
}
} // namespace

void PUNIXThreadImp::BeginThread(ThreadFunction function, void* argument)
{
    auto record = std::make_unique<StartRecord>(StartRecord{function, argument});
    pthread_t thread;
    int const result = pthread_create(&thread, nullptr, ThreadEntry, record.get());
    if (result != 0)
    {
        // The record never reached a thread: unique_ptr frees it on the way out.
        switch (result)
        {
        case EINVAL:
            throw GSimpleException(cThreadCreateInvalid);
        case EAGAIN:
            throw GSimpleException(cThreadCreateAgain);
        default:
            throw GSimpleException(cThreadCreateFailed);
        }
    }
    record.release(); // the thread owns it now
    pthread_detach(thread);
}

long PUNIXThreadImp::GetCurrentThreadId()
{
    static_assert(sizeof(pthread_t) <= sizeof(long), "a thread id must fit a long");
    return static_cast<long>(pthread_self());
}
