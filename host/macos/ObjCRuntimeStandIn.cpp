// The object-runtime stand-in: classes by name, instance variables, methods and instances.
#include "ObjCRuntimeStandIn.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

struct objc_selector
{
    std::string fName;
};

struct objc_ivar
{
    std::string fName;
    std::string fTypes;
    std::size_t fSize;
    std::ptrdiff_t fOffset;
};

struct objc_method
{
    SEL fSelector;
    IMP fImplementation;
    std::string fTypes;
};

struct objc_class
{
    std::string fName;
    Class fSuperclass = nullptr;
    bool fRegistered = false;
    std::size_t fInstanceSize = 0;
    std::vector<std::unique_ptr<objc_ivar>> fIvars;
    std::vector<std::unique_ptr<objc_method>> fMethods;
};

// The header every instance starts with; its instance variables follow.
struct objc_object
{
    explicit objc_object(Class cls) : fClass(cls), fReferences(1) {}

    Class fClass;
    std::atomic<long> fReferences;
};

namespace
{
struct Runtime
{
    std::mutex fLock;
    // Registered classes and those still being made, by name; classes live as long as the process.
    std::map<std::string, Class> fClasses;
    std::map<std::string, SEL> fSelectors;
};

Runtime& TheRuntime()
{
    static Runtime* const sRuntime = []
    {
        auto* runtime = new Runtime;
        auto* root = new objc_class;
        root->fName = "NSObject";
        root->fRegistered = true;
        root->fInstanceSize = sizeof(objc_object);
        runtime->fClasses[root->fName] = root;
        return runtime;
    }();
    return *sRuntime;
}

// Under the runtime's lock.
Ivar FindIvar(Class cls, char const* name)
{
    for (; cls; cls = cls->fSuperclass)
    {
        for (auto const& ivar : cls->fIvars)
        {
            if (ivar->fName == name)
                return ivar.get();
        }
    }
    return nullptr;
}

Method FindMethod(Class cls, SEL selector)
{
    for (; cls; cls = cls->fSuperclass)
    {
        for (auto const& method : cls->fMethods)
        {
            if (method->fSelector == selector)
                return method.get();
        }
    }
    return nullptr;
}

unsigned char* VariableAddress(id object, Ivar ivar)
{
    return reinterpret_cast<unsigned char*>(object) + ivar->fOffset;
}

std::size_t RoundUp(std::size_t value, std::size_t alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}
} // namespace

Class objc_getClass(char const* name)
{
    if (!name)
        return nullptr;
    Runtime& runtime = TheRuntime();
    std::lock_guard<std::mutex> lock(runtime.fLock);
    auto const found = runtime.fClasses.find(name);
    return found != runtime.fClasses.end() && found->second->fRegistered ? found->second : nullptr;
}

Class objc_allocateClassPair(Class superclass, char const* name, std::size_t)
{
    if (!superclass || !name)
        return nullptr;
    Runtime& runtime = TheRuntime();
    std::lock_guard<std::mutex> lock(runtime.fLock);
    if (runtime.fClasses.count(name))
        return nullptr;
    auto* cls = new objc_class;
    cls->fName = name;
    cls->fSuperclass = superclass;
    cls->fInstanceSize = superclass->fInstanceSize;
    runtime.fClasses[name] = cls;
    return cls;
}

void objc_registerClassPair(Class cls)
{
    Runtime& runtime = TheRuntime();
    std::lock_guard<std::mutex> lock(runtime.fLock);
    cls->fRegistered = true;
}

char const* class_getName(Class cls)
{
    return cls ? cls->fName.c_str() : "nil";
}

Class class_getSuperclass(Class cls)
{
    return cls ? cls->fSuperclass : nullptr;
}

std::size_t class_getInstanceSize(Class cls)
{
    return cls ? cls->fInstanceSize : 0;
}

BOOL class_addIvar(Class cls, char const* name, std::size_t size, std::uint8_t alignment, char const* types)
{
    if (!cls || !name || alignment >= 16)
        return NO;
    Runtime& runtime = TheRuntime();
    std::lock_guard<std::mutex> lock(runtime.fLock);
    if (cls->fRegistered || FindIvar(cls, name))
        return NO;
    std::size_t const offset = RoundUp(cls->fInstanceSize, std::size_t{1} << alignment);
    cls->fIvars.push_back(std::make_unique<objc_ivar>(
        objc_ivar{name, types ? types : "", size, static_cast<std::ptrdiff_t>(offset)}));
    cls->fInstanceSize = offset + size;
    return YES;
}

BOOL class_addMethod(Class cls, SEL name, IMP imp, char const* types)
{
    if (!cls || !name || !imp)
        return NO;
    Runtime& runtime = TheRuntime();
    std::lock_guard<std::mutex> lock(runtime.fLock);
    for (auto const& method : cls->fMethods)
    {
        if (method->fSelector == name)
            return NO;
    }
    cls->fMethods.push_back(std::make_unique<objc_method>(objc_method{name, imp, types ? types : ""}));
    return YES;
}

Ivar class_getInstanceVariable(Class cls, char const* name)
{
    if (!cls || !name)
        return nullptr;
    Runtime& runtime = TheRuntime();
    std::lock_guard<std::mutex> lock(runtime.fLock);
    return FindIvar(cls, name);
}

Method class_getInstanceMethod(Class cls, SEL name)
{
    if (!cls || !name)
        return nullptr;
    Runtime& runtime = TheRuntime();
    std::lock_guard<std::mutex> lock(runtime.fLock);
    return FindMethod(cls, name);
}

char const* ivar_getName(Ivar ivar)
{
    return ivar ? ivar->fName.c_str() : nullptr;
}

char const* ivar_getTypeEncoding(Ivar ivar)
{
    return ivar ? ivar->fTypes.c_str() : nullptr;
}

std::ptrdiff_t ivar_getOffset(Ivar ivar)
{
    return ivar ? ivar->fOffset : 0;
}

IMP method_getImplementation(Method method)
{
    return method ? method->fImplementation : nullptr;
}

char const* method_getTypeEncoding(Method method)
{
    return method ? method->fTypes.c_str() : nullptr;
}

SEL sel_registerName(char const* name)
{
    Runtime& runtime = TheRuntime();
    std::lock_guard<std::mutex> lock(runtime.fLock);
    SEL& selector = runtime.fSelectors[name];
    if (!selector)
        selector = new objc_selector{name};
    return selector;
}

char const* sel_getName(SEL selector)
{
    return selector ? selector->fName.c_str() : "<null selector>";
}

id objc_alloc_init(Class cls)
{
    if (!cls)
        return nullptr;
    std::size_t const size = class_getInstanceSize(cls);
    void* storage = std::calloc(1, size < sizeof(objc_object) ? sizeof(objc_object) : size);
    if (!storage)
        throw std::bad_alloc();
    return new (storage) objc_object(cls);
}

id objc_retain(id object)
{
    if (object)
        object->fReferences.fetch_add(1, std::memory_order_relaxed);
    return object;
}

void objc_release(id object)
{
    if (!object || object->fReferences.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    object->~objc_object();
    std::free(object);
}

Class object_getClass(id object)
{
    return object ? object->fClass : nullptr;
}

Ivar object_setInstanceVariable(id object, char const* name, void* value)
{
    Ivar const ivar = object ? class_getInstanceVariable(object->fClass, name) : nullptr;
    if (ivar && ivar->fSize >= sizeof value)
        std::memcpy(VariableAddress(object, ivar), &value, sizeof value);
    return ivar;
}

Ivar object_getInstanceVariable(id object, char const* name, void** outValue)
{
    Ivar const ivar = object ? class_getInstanceVariable(object->fClass, name) : nullptr;
    if (ivar && outValue && ivar->fSize >= sizeof *outValue)
        std::memcpy(outValue, VariableAddress(object, ivar), sizeof *outValue);
    return ivar;
}

id ObjCRuntimeStandInSend(id object, SEL selector, id argument)
{
    if (!object)
        return nullptr;
    Method const method = class_getInstanceMethod(object->fClass, selector);
    if (!method)
    {
        std::fprintf(stderr, "-[%s %s]: unrecognized selector sent to instance %p\n",
                     class_getName(object->fClass), sel_getName(selector), static_cast<void*>(object));
        std::abort();
    }
    // The argument types follow the return type, the receiver and the selector ("@:").
    std::string const& types = method->fTypes;
    std::size_t const colon = types.find(':');
    bool const takesArgument = colon != std::string::npos && colon + 1 < types.size();
    if (takesArgument)
        return reinterpret_cast<id (*)(id, SEL, id)>(method->fImplementation)(object, selector, argument);
    return reinterpret_cast<id (*)(id, SEL)>(method->fImplementation)(object, selector);
}
