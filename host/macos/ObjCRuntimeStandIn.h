// This project's stand-in for the platform's object runtime, as far as the platform layer makes a
// class at run time: classes registered by name in one process-wide table (the root class "NSObject"
// is there from the start), instance variables laid out after the object's header, methods found by
// selector through the superclasses, and counted references of instances.
#pragma once

#include <cstddef>
#include <cstdint>

struct objc_class;
struct objc_object;
struct objc_selector;
struct objc_ivar;
struct objc_method;
typedef objc_class* Class;
typedef objc_object* id;
typedef objc_selector* SEL;
typedef objc_ivar* Ivar;
typedef objc_method* Method;
// Cast to the method's own type before calling, as on the platform.
typedef void (*IMP)();
typedef bool BOOL;
constexpr BOOL YES = true;
constexpr BOOL NO = false;

// A registered class; null for none.
Class objc_getClass(char const* name);
// A new class pair that nobody can find until it is registered; null when the name is taken
// (registered or still being made) or the superclass is null.
Class objc_allocateClassPair(Class superclass, char const* name, std::size_t extraBytes);
void objc_registerClassPair(Class cls);
char const* class_getName(Class cls);
Class class_getSuperclass(Class cls);
std::size_t class_getInstanceSize(Class cls);

// Only between objc_allocateClassPair and objc_registerClassPair; NO for a name the class (or a
// superclass) already has. alignment is the log2 of the alignment in bytes.
BOOL class_addIvar(Class cls, char const* name, std::size_t size, std::uint8_t alignment, char const* types);
// NO when the class itself already has a method for the selector.
BOOL class_addMethod(Class cls, SEL name, IMP imp, char const* types);
// Searched through the superclasses; null when none has it.
Ivar class_getInstanceVariable(Class cls, char const* name);
Method class_getInstanceMethod(Class cls, SEL name);
char const* ivar_getName(Ivar ivar);
char const* ivar_getTypeEncoding(Ivar ivar);
std::ptrdiff_t ivar_getOffset(Ivar ivar);
IMP method_getImplementation(Method method);
char const* method_getTypeEncoding(Method method);

// The same selector for the same name, for the life of the process.
SEL sel_registerName(char const* name);
char const* sel_getName(SEL selector);

// [[cls alloc] init]: a zeroed instance with one reference.
id objc_alloc_init(Class cls);
id objc_retain(id object);
// The release that drops the last reference frees the instance.
void objc_release(id object);
Class object_getClass(id object);
// Pointer-sized instance variables; null (and nothing read or written) when the object's class has
// no variable of that name.
Ivar object_setInstanceVariable(id object, char const* name, void* value);
Ivar object_getInstanceVariable(id object, char const* name, void** outValue);

// Calls the method of the object's class for the selector, with the argument when its type names
// one ("@:@"), without when it names none ("@:"); a selector the class does not know stops the
// process, as an unrecognised selector does on the platform.
id ObjCRuntimeStandInSend(id object, SEL selector, id argument);
