// This project's stand-in for the I/O Kit calls with which the platform layer finds the hardware
// addresses of built-in Ethernet controllers, read from the Linux network class in sysfs.
//
// An "IOEthernetInterface" is a folder of the class (normally /sys/class/net) whose "type" is 1
// (Ethernet, Wi-Fi included) and which has a "device" link; its parent in the service plane is the
// controller (the folder "device" leads to), whose "IOMACAddress" is the interface's "address".
// The controller's parent is the folder above it; that one has a "built-in" property unless it
// sits on USB (its "subsystem" link ends in "usb") or its "removable" file says "removable".
// Interfaces without a device (loopback, bridges, tunnels) are not matched.
#pragma once

#include "CFStringStandIn.h"

typedef int kern_return_t;
typedef unsigned int mach_port_t;
typedef mach_port_t io_object_t;
typedef io_object_t io_iterator_t;
typedef io_object_t io_registry_entry_t;
typedef io_object_t io_service_t;
typedef char io_name_t[128];
typedef std::uint32_t IOOptionBits;

constexpr kern_return_t KERN_SUCCESS = 0;
constexpr kern_return_t KERN_INVALID_ARGUMENT = 4;
constexpr mach_port_t MACH_PORT_NULL = 0;
constexpr mach_port_t kIOMasterPortDefault = MACH_PORT_NULL;
#define kIOServicePlane "IOService"

// A matching dictionary, as IOServiceMatching makes it; it holds only the class name.
struct __CFDictionary;
typedef __CFDictionary* CFMutableDictionaryRef;

kern_return_t IOMasterPort(mach_port_t bootstrapPort, mach_port_t* masterPort);
// Null for a null name. The caller owns the result until it hands it to IOServiceGetMatchingServices.
CFMutableDictionaryRef IOServiceMatching(char const* name);
// Consumes one reference of matching. A class other than "IOEthernetInterface", or a class folder
// that cannot be read, gives an iterator over nothing.
kern_return_t IOServiceGetMatchingServices(mach_port_t masterPort, CFMutableDictionaryRef matching,
                                           io_iterator_t* existing);
// The next object (released by the caller), or 0 at the end.
io_object_t IOIteratorNext(io_iterator_t iterator);
// Fails (KERN_INVALID_ARGUMENT, parent 0) for an unknown entry, another plane, or an entry
// without a parent here.
kern_return_t IORegistryEntryGetParentEntry(io_registry_entry_t entry, io_name_t const plane,
                                            io_registry_entry_t* parent);
// "IOMACAddress" of a controller and "built-in" of its parent as CFData (released by the caller);
// null for any other property.
CFTypeRef IORegistryEntryCreateCFProperty(io_registry_entry_t entry, CFStringRef key,
                                          CFAllocatorRef allocator, IOOptionBits options);
kern_return_t IOObjectRelease(io_object_t object);

// Not platform calls: where the network class is read from (null: /sys/class/net again), and how
// many objects are held, so that a test can see that every one was released.
void IOKitStandInSetNetClassRoot(char const* path);
int IOKitStandInGetObjectCount();
