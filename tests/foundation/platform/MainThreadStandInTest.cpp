// The stand-ins behind calls on the main thread: run loops with their timers, sources, modes and
// stops, and the object runtime's classes, instance variables and methods.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "macos/CFRunLoopStandIn.h"
#include "macos/ObjCRuntimeStandIn.h"

namespace
{
struct Counter
{
    int fCount = 0;
    int fStopAt = 0;
};

void CountAndMaybeStop(CFRunLoopTimerRef timer, void* info)
{
    Counter* counter = static_cast<Counter*>(info);
    if (++counter->fCount == counter->fStopAt)
    {
        CFRunLoopTimerInvalidate(timer);
        CFRunLoopStop(CFRunLoopGetCurrent());
    }
}

CFRunLoopTimerRef MakeTimer(double fromNow, double interval, Counter& counter)
{
    CFRunLoopTimerContext context{};
    context.info = &counter;
    return CFRunLoopTimerCreate(kCFAllocatorDefault, CFAbsoluteTimeGetCurrent() + fromNow, interval, 0, 0,
                                CountAndMaybeStop, &context);
}

id ReturnSelf(id self, SEL)
{
    return self;
}
} // namespace

TEST(RunLoopStandInTest, ALoopWithNothingToServeFinishesAtOnce)
{
    std::thread([]
                { EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 10.0, false), kCFRunLoopRunFinished); })
        .join();
}

TEST(RunLoopStandInTest, AStopBeforeTheRunEndsTheNextRunOnly)
{
    std::thread(
        []
        {
            Counter counter;
            CFRunLoopTimerRef const timer = MakeTimer(3600, 0, counter);
            CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer, kCFRunLoopDefaultMode);
            CFRunLoopStop(CFRunLoopGetCurrent());
            EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 10.0, false), kCFRunLoopRunStopped);
            EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.01, false), kCFRunLoopRunTimedOut);
            EXPECT_EQ(counter.fCount, 0);
            CFRunLoopRemoveTimer(CFRunLoopGetCurrent(), timer, kCFRunLoopDefaultMode);
            CFRelease(timer);
        })
        .join();
}

TEST(RunLoopStandInTest, ARepeatingTimerFiresUntilInvalidated)
{
    std::thread(
        []
        {
            Counter counter;
            counter.fStopAt = 3;
            CFRunLoopTimerRef const timer = MakeTimer(0.0, 0.005, counter);
            CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer, kCFRunLoopCommonModes);
            CFRunLoopRun();
            EXPECT_EQ(counter.fCount, 3);
            EXPECT_FALSE(CFRunLoopTimerIsValid(timer));
            // Invalidated, it has left the loop, which now has nothing to serve.
            EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 1.0, false), kCFRunLoopRunFinished);
            CFRelease(timer);
        })
        .join();
}

TEST(RunLoopStandInTest, ServesOnlyWhatWasAddedForTheRunningMode)
{
    std::thread(
        []
        {
            CFStringRef const otherMode = CFSTR("OtherMode");
            Counter inOther;
            Counter inCommon;
            CFRunLoopTimerRef const otherTimer = MakeTimer(0.0, 0, inOther);
            CFRunLoopTimerRef const commonTimer = MakeTimer(0.0, 0, inCommon);
            CFRunLoopAddTimer(CFRunLoopGetCurrent(), otherTimer, otherMode);
            CFRunLoopAddTimer(CFRunLoopGetCurrent(), commonTimer, kCFRunLoopCommonModes);
            CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.0, false);
            EXPECT_EQ(inCommon.fCount, 1);
            EXPECT_EQ(inOther.fCount, 0);
            // The timers fire once: the default mode is empty now, the other one is not yet.
            EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.0, false), kCFRunLoopRunFinished);
            CFRunLoopRunInMode(otherMode, 0.0, false);
            EXPECT_EQ(inOther.fCount, 1);
            EXPECT_EQ(inCommon.fCount, 1);
            CFRelease(otherTimer);
            CFRelease(commonTimer);
        })
        .join();
}

TEST(RunLoopStandInTest, ASourceSignalledFromAnotherThreadIsPerformedByItsLoop)
{
    std::thread(
        []
        {
            int performed = 0;
            CFRunLoopSourceContext context{};
            context.info = &performed;
            context.perform = [](void* info) { ++*static_cast<int*>(info); };
            CFRunLoopSourceRef const source = CFRunLoopSourceCreate(kCFAllocatorDefault, 0, &context);
            CFRunLoopRef const loop = CFRunLoopGetCurrent();
            CFRunLoopAddSource(loop, source, kCFRunLoopDefaultMode);
            std::thread signaller(
                [&]
                {
                    CFRunLoopSourceSignal(source);
                    CFRunLoopWakeUp(loop);
                });
            EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 60.0, true), kCFRunLoopRunHandledSource);
            signaller.join();
            EXPECT_EQ(performed, 1);
            CFRunLoopRemoveSource(loop, source, kCFRunLoopDefaultMode);
            CFRelease(source);
        })
        .join();
}

TEST(RunLoopStandInTest, EveryThreadHasItsOwnLoopAndAllShareTheMainOne)
{
    CFRunLoopRef other = nullptr;
    CFRunLoopRef mainSeenElsewhere = nullptr;
    std::thread(
        [&]
        {
            other = CFRunLoopGetCurrent();
            mainSeenElsewhere = CFRunLoopGetMain();
        })
        .join();
    EXPECT_EQ(CFRunLoopGetCurrent(), CFRunLoopGetMain());
    EXPECT_EQ(mainSeenElsewhere, CFRunLoopGetMain());
    EXPECT_NE(other, CFRunLoopGetMain());
}

TEST(ObjCRuntimeStandInTest, ANameIsTakenFromTheMomentItsClassIsAllocated)
{
    Class const root = objc_getClass("NSObject");
    ASSERT_NE(root, nullptr);
    Class const cls = objc_allocateClassPair(root, "StandInTestPending", 0);
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(objc_getClass("StandInTestPending"), nullptr);
    EXPECT_EQ(objc_allocateClassPair(root, "StandInTestPending", 0), nullptr);
    objc_registerClassPair(cls);
    EXPECT_EQ(objc_getClass("StandInTestPending"), cls);
    EXPECT_EQ(objc_allocateClassPair(root, "NSObject", 0), nullptr);
}

TEST(ObjCRuntimeStandInTest, InstancesKeepTheirVariablesAndAnswerTheirMethods)
{
    Class const cls = objc_allocateClassPair(objc_getClass("NSObject"), "StandInTestCarrier", 0);
    ASSERT_NE(cls, nullptr);
    EXPECT_TRUE(class_addIvar(cls, "first", sizeof(void*), 3, "@"));
    EXPECT_TRUE(class_addIvar(cls, "second", sizeof(void*), 3, "@"));
    EXPECT_FALSE(class_addIvar(cls, "first", sizeof(void*), 3, "@"));
    SEL const selector = sel_registerName("ReturnSelf");
    EXPECT_EQ(selector, sel_registerName("ReturnSelf"));
    EXPECT_TRUE(class_addMethod(cls, selector, reinterpret_cast<IMP>(&ReturnSelf), "@:"));
    EXPECT_FALSE(class_addMethod(cls, selector, reinterpret_cast<IMP>(&ReturnSelf), "@:"));
    objc_registerClassPair(cls);
    EXPECT_FALSE(class_addIvar(cls, "late", sizeof(void*), 3, "@"));

    int a = 0;
    int b = 0;
    id const one = objc_alloc_init(cls);
    id const two = objc_alloc_init(cls);
    EXPECT_NE(object_setInstanceVariable(one, "first", &a), nullptr);
    EXPECT_NE(object_setInstanceVariable(one, "second", &b), nullptr);
    EXPECT_NE(object_setInstanceVariable(two, "first", &b), nullptr);
    EXPECT_EQ(object_setInstanceVariable(one, "missing", &a), nullptr);
    void* value = nullptr;
    object_getInstanceVariable(one, "first", &value);
    EXPECT_EQ(value, &a);
    object_getInstanceVariable(one, "second", &value);
    EXPECT_EQ(value, &b);
    object_getInstanceVariable(two, "first", &value);
    EXPECT_EQ(value, &b);
    object_getInstanceVariable(two, "second", &value);
    EXPECT_EQ(value, nullptr);
    EXPECT_EQ(ObjCRuntimeStandInSend(one, selector, nullptr), one);
    objc_release(one);
    objc_release(two);
}

TEST(ObjCRuntimeStandInDeathTest, AnUnknownSelectorStopsTheProcess)
{
    id const object = objc_alloc_init(objc_getClass("NSObject"));
    EXPECT_DEATH(ObjCRuntimeStandInSend(object, sel_registerName("NoSuchMethod"), nullptr),
                 "unrecognized selector");
    objc_release(object);
}
