// Running a function on the application's main thread, for the system services that answer only
// there, and a sleep that keeps the main thread's run loop serving.
#pragma once

// Runs function(parameter) on the main thread and returns once it has returned; its result is
// dropped (callers pass a call record of MPFuncWrapper.h and read the result from it). On the main
// thread the function is called directly; from any other thread the call waits for the main
// thread's run loop, so a caller must not hold anything that the main thread waits for.
void SafeMPRemoteCall(void* (*function)(void*), void* parameter);

// Waits the given milliseconds; on the main thread its run loop keeps serving meanwhile.
void SafeMPSleep(int milliseconds);

// The runtime class that carries calls to the main thread: "RemoteProcedure", or
// "RemoteProcedure_<n>" when another component has taken the name. Made on first use.
struct objc_class;
objc_class* SafeMPRemoteCallClass();
