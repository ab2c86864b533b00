// Running a function on the application's main thread through a class of the object runtime.
#include "SafeMPRemoteCall.h"

#include <cstdio>

#include "PMacAutoReleasePool.h"
#include "PMacCFRef.h"
#include "PSystem.h"
#include "macos/CFRunLoopStandIn.h"
#include "macos/CoreServicesStandIn.h"
#include "macos/FoundationStandIn.h"
#include "macos/ObjCRuntimeStandIn.h"

namespace
{
typedef void* (*RemoteFunction)(void*);

char const cClassName[] = "RemoteProcedure";
char const cNumberedClassName[] = "RemoteProcedure_%lu";
char const cFunctionVariable[] = "mProc";
char const cParameterVariable[] = "mParam";
char const cExecuteSelector[] = "Execute";
// log2 of a pointer's alignment.
constexpr unsigned char cPointerAlignment = sizeof(void*) == 8 ? 3 : 2;

bool IsMainThread()
{
    return !MPTaskIsPreemptive(MPCurrentTaskID());
}

id Execute(id self, SEL)
{
    void* function = nullptr;
    void* parameter = nullptr;
    object_getInstanceVariable(self, cFunctionVariable, &function);
    object_getInstanceVariable(self, cParameterVariable, &parameter);
    return static_cast<id>(reinterpret_cast<RemoteFunction>(function)(parameter));
}

bool IsClassNameTaken(char const* name)
{
    PMacCFRef<CFStringRef> const text(
        CFStringCreateWithCString(kCFAllocatorDefault, name, kCFStringEncodingUTF8));
    return NSClassFromString(text.Get()) != nullptr;
}

// Several copies of the foundation may be loaded into one host, each making its own class.
Class MakeRemoteProcedureClass()
{
    PMacAutoReleasePool const pool;
    for (unsigned long number = 0;; ++number)
    {
        char name[sizeof cNumberedClassName + 24];
        if (number == 0)
            std::snprintf(name, sizeof name, "%s", cClassName);
        else
            std::snprintf(name, sizeof name, cNumberedClassName, number);
        if (IsClassNameTaken(name))
            continue;
        // Another component may take the name between the look-up and here: then the next one.
        Class const cls = objc_allocateClassPair(objc_getClass("NSObject"), name, 0);
        if (!cls)
            continue;
        class_addIvar(cls, cFunctionVariable, sizeof(void*), cPointerAlignment, "@");
        class_addIvar(cls, cParameterVariable, sizeof(void*), cPointerAlignment, "@");
        class_addMethod(cls, sel_registerName(cExecuteSelector), reinterpret_cast<IMP>(&Execute), "@:");
        objc_registerClassPair(cls);
        return cls;
    }
}

void EndSleepCallBack(CFRunLoopTimerRef, void*)
{
    CFRunLoopStop(CFRunLoopGetCurrent());
}
} // namespace

objc_class* SafeMPRemoteCallClass()
{
    // Made once even when several threads make their first call at the same moment.
    static Class const sClass = MakeRemoteProcedureClass();
    return sClass;
}

void SafeMPRemoteCall(void* (*function)(void*), void* parameter)
{
    if (IsMainThread())
    {
        function(parameter);
        return;
    }
    id const call = objc_alloc_init(SafeMPRemoteCallClass());
    object_setInstanceVariable(call, cFunctionVariable, reinterpret_cast<void*>(function));
    object_setInstanceVariable(call, cParameterVariable, parameter);
    NSObjectPerformSelectorOnMainThread(call, sel_registerName(cExecuteSelector), nullptr, YES);
    objc_release(call);
}

void SafeMPSleep(int milliseconds)
{
    if (!IsMainThread())
    {
        PSystem::MilliSleep(milliseconds);
        return;
    }
    PMacCFRef<CFRunLoopTimerRef> const timer(
        CFRunLoopTimerCreate(kCFAllocatorDefault, CFAbsoluteTimeGetCurrent() + milliseconds / 1000.0, 0, 0, 0,
                             EndSleepCallBack, nullptr));
    CFRunLoopRef const loop = CFRunLoopGetCurrent();
    CFRunLoopAddTimer(loop, timer.Get(), kCFRunLoopCommonModes);
    CFRunLoopRun();
    CFRunLoopRemoveTimer(loop, timer.Get(), kCFRunLoopCommonModes);
}
