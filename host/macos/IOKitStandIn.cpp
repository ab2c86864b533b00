// The I/O Kit stand-in: registry objects made from the sysfs network class, handed out by number.
#include "IOKitStandIn.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include "CFDataStandIn.h"

namespace fs = std::filesystem;

struct __CFDictionary : CFStandInObject
{
    std::string fClassName;
};

namespace
{
enum class Kind
{
    cIterator,
    cInterface,
    cController,
    cControllerParent
};

struct Object
{
    Kind fKind;
    // The interface's folder, for an interface and its controller (whose address it holds).
    fs::path fInterface;
    // The controller's folder, for a controller and for its parent (which looks one folder up).
    fs::path fController;
    // What an iterator has still to hand out (interface folders).
    std::vector<fs::path> fPending;
};

std::mutex sMutex;
std::map<io_object_t, Object> sObjects;
io_object_t sLastHandle = 0;
std::string sNetClassRoot = "/sys/class/net";
mach_port_t const cMasterPort = 1;

// The caller holds the lock.
io_object_t Add(Object object)
{
    io_object_t handle = ++sLastHandle;
    // Handles wrap after four billion objects; 0 and the master port are never handed out.
    while (handle <= cMasterPort || sObjects.count(handle))
        handle = ++sLastHandle;
    sObjects.emplace(handle, std::move(object));
    return handle;
}

std::string ReadFirstLine(fs::path const& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

bool IsMatchedInterface(fs::path const& folder)
{
    std::error_code error;
    return ReadFirstLine(folder / "type") == "1" && fs::exists(folder / "device", error);
}

// The interface folders of the class, in name order.
std::vector<fs::path> ListInterfaces(std::string const& root)
{
    std::vector<fs::path> folders;
    std::error_code error;
    for (fs::directory_iterator it(root, error), end; !error && it != end; it.increment(error))
    {
        if (IsMatchedInterface(it->path()))
            folders.push_back(it->path());
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

bool ParseAddress(std::string const& text, UInt8 (&bytes)[6])
{
    unsigned values[6];
    char rest = 0;
    if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &values[0], &values[1], &values[2], &values[3],
                    &values[4], &values[5], &rest) != 6)
        return false;
    for (int i = 0; i < 6; ++i)
        bytes[i] = static_cast<UInt8>(values[i]);
    return true;
}

bool IsBuiltIn(fs::path const& folder)
{
    std::error_code error;
    fs::path const subsystem = fs::read_symlink(folder / "subsystem", error);
    if (!error && subsystem.filename() == "usb")
        return false;
    return ReadFirstLine(folder / "removable") != "removable";
}

CFDataRef MACAddressOf(fs::path const& interface)
{
    UInt8 bytes[6];
    if (!ParseAddress(ReadFirstLine(interface / "address"), bytes))
        return nullptr;
    return CFDataCreate(kCFAllocatorDefault, bytes, 6);
}
} // namespace

kern_return_t IOMasterPort(mach_port_t, mach_port_t* masterPort)
{
    if (!masterPort)
        return KERN_INVALID_ARGUMENT;
    *masterPort = cMasterPort;
    return KERN_SUCCESS;
}

CFMutableDictionaryRef IOServiceMatching(char const* name)
{
    if (!name)
        return nullptr;
    __CFDictionary* matching = new __CFDictionary;
    matching->fClassName = name;
    return matching;
}

kern_return_t IOServiceGetMatchingServices(mach_port_t masterPort, CFMutableDictionaryRef matching,
                                           io_iterator_t* existing)
{
    if (!existing)
    {
        if (matching)
            CFRelease(matching);
        return KERN_INVALID_ARGUMENT;
    }
    *existing = 0;
    if (!matching)
        return KERN_INVALID_ARGUMENT;
    bool const isEthernet = matching->fClassName == "IOEthernetInterface";
    CFRelease(matching);
    if (masterPort != cMasterPort && masterPort != kIOMasterPortDefault)
        return KERN_INVALID_ARGUMENT;
    std::string root;
    {
        std::lock_guard<std::mutex> lock(sMutex);
        root = sNetClassRoot;
    }
    Object iterator{Kind::cIterator, {}, {}, {}};
    if (isEthernet)
        iterator.fPending = ListInterfaces(root);
    std::lock_guard<std::mutex> lock(sMutex);
    *existing = Add(std::move(iterator));
    return KERN_SUCCESS;
}

io_object_t IOIteratorNext(io_iterator_t iterator)
{
    std::lock_guard<std::mutex> lock(sMutex);
    auto found = sObjects.find(iterator);
    if (found == sObjects.end() || found->second.fKind != Kind::cIterator || found->second.fPending.empty())
        return 0;
    fs::path const interface = found->second.fPending.front();
    found->second.fPending.erase(found->second.fPending.begin());
    return Add(Object{Kind::cInterface, interface, {}, {}});
}

kern_return_t IORegistryEntryGetParentEntry(io_registry_entry_t entry, io_name_t const plane,
                                            io_registry_entry_t* parent)
{
    if (!parent)
        return KERN_INVALID_ARGUMENT;
    *parent = 0;
    if (!plane || std::strcmp(plane, kIOServicePlane) != 0)
        return KERN_INVALID_ARGUMENT;
    std::lock_guard<std::mutex> lock(sMutex);
    auto found = sObjects.find(entry);
    if (found == sObjects.end())
        return KERN_INVALID_ARGUMENT;
    Object const& object = found->second;
    std::error_code error;
    if (object.fKind == Kind::cInterface)
    {
        fs::path const controller = fs::canonical(object.fInterface / "device", error);
        if (error)
            return KERN_INVALID_ARGUMENT;
        *parent = Add(Object{Kind::cController, object.fInterface, controller, {}});
        return KERN_SUCCESS;
    }
    if (object.fKind == Kind::cController)
    {
        *parent = Add(Object{Kind::cControllerParent, {}, object.fController, {}});
        return KERN_SUCCESS;
    }
    return KERN_INVALID_ARGUMENT;
}

CFTypeRef IORegistryEntryCreateCFProperty(io_registry_entry_t entry, CFStringRef key, CFAllocatorRef,
                                          IOOptionBits)
{
    std::string const name = CFStringStandInGetUTF8(key);
    Object object{Kind::cIterator, {}, {}, {}};
    {
        std::lock_guard<std::mutex> lock(sMutex);
        auto found = sObjects.find(entry);
        if (found == sObjects.end())
            return nullptr;
        object = found->second;
    }
    if (object.fKind == Kind::cController && name == "IOMACAddress")
        return MACAddressOf(object.fInterface);
    if (object.fKind == Kind::cControllerParent && name == "built-in" &&
        IsBuiltIn(object.fController.parent_path()))
    {
        UInt8 const yes = 0;
        return CFDataCreate(kCFAllocatorDefault, &yes, 1);
    }
    return nullptr;
}

kern_return_t IOObjectRelease(io_object_t object)
{
    std::lock_guard<std::mutex> lock(sMutex);
    auto found = sObjects.find(object);
    if (found == sObjects.end())
        return KERN_INVALID_ARGUMENT;
    // Nothing here retains an object twice, so one release ends it.
    sObjects.erase(found);
    return KERN_SUCCESS;
}

void IOKitStandInSetNetClassRoot(char const* path)
{
    std::lock_guard<std::mutex> lock(sMutex);
    sNetClassRoot = path ? path : "/sys/class/net";
}

int IOKitStandInGetObjectCount()
{
    std::lock_guard<std::mutex> lock(sMutex);
    return static_cast<int>(sObjects.size());
}
