// Call records for running a platform function on the main thread: the record holds the function,
// its arguments and, once MPCallWrapper(record) has run on the main thread, its result.
#pragma once

template<class R>
struct MPFunc0Wrapper
{
    typedef R (*Function)();

    R fResult;
    Function fFunction;

    static void* MPCallWrapper(void* record)
    {
        MPFunc0Wrapper* call = static_cast<MPFunc0Wrapper*>(record);
        call->fResult = call->fFunction();
        return nullptr;
    }
};

template<class R, class A1>
struct MPFunc1Wrapper
{
    typedef R (*Function)(A1);

    R fResult;
    Function fFunction;
    A1 fArg1;

    static void* MPCallWrapper(void* record)
    {
        MPFunc1Wrapper* call = static_cast<MPFunc1Wrapper*>(record);
        call->fResult = call->fFunction(call->fArg1);
        return nullptr;
    }
};

template<class R, class A1, class A2>
struct MPFunc2Wrapper
{
    typedef R (*Function)(A1, A2);

    R fResult;
    Function fFunction;
    A1 fArg1;
    A2 fArg2;

    static void* MPCallWrapper(void* record)
    {
        MPFunc2Wrapper* call = static_cast<MPFunc2Wrapper*>(record);
        call->fResult = call->fFunction(call->fArg1, call->fArg2);
        return nullptr;
    }
};

template<class R, class A1, class A2, class A3, class A4>
struct MPFunc4Wrapper
{
    typedef R (*Function)(A1, A2, A3, A4);

    R fResult;
    Function fFunction;
    A1 fArg1;
    A2 fArg2;
    A3 fArg3;
    A4 fArg4;

    static void* MPCallWrapper(void* record)
    {
        MPFunc4Wrapper* call = static_cast<MPFunc4Wrapper*>(record);
        call->fResult = call->fFunction(call->fArg1, call->fArg2, call->fArg3, call->fArg4);
        return nullptr;
    }
};
