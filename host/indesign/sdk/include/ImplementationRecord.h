// Implementation records: how a plug-in announces the implementations it supplies. Each record is
// linked at static initialisation into the plug-in's own list, which its PlugIn object hands to the
// host; the host then makes and destroys the implementations inside its objects through them.
#pragma once

#include <cstddef>
#include <new>

#include "IPMUnknown.h"

// The implementation made inside the host object it belongs to, as its interface.
using CreateImplementation = IPMUnknown* (*)(IPMUnknown* boss);
using DestroyImplementation = void (*)(IPMUnknown* implementation);
using ImplementationSize = std::size_t (*)();

struct ImplementationRecord
{
    ImplementationID fID;
    CreateImplementation fCreate;
    DestroyImplementation fDestroy;
    ImplementationSize fSize;
    // The plug-in's next record, or null.
    ImplementationRecord const* fNext;
};

// Memory of the host's own, counted by the host, for the implementations it makes.
void* SDKAllocate(std::size_t size);
void SDKFree(void* memory);

// Links the record into the plug-in's list; one static registrar per record.
class ImplementationRegistrar
{
public:
    explicit ImplementationRegistrar(ImplementationRecord& record);
};

// The head of the list of the plug-in this code is linked into.
ImplementationRecord const* GetPluginImplementationRecords();

// The create, destroy and size functions of an implementation class constructed from its host
// object. Destroy runs the class's destructor through the interface, then frees its memory.
template<class T>
struct ImplementationFunctions
{
    static IPMUnknown* Create(IPMUnknown* boss)
    {
        void* const memory = SDKAllocate(sizeof(T));
        try
        {
            return new (memory) T(boss);
        }
        catch (...) // the memory goes back to the host before the failure goes on to it
        {
            SDKFree(memory);
            throw;
        }
    }
    static void Destroy(IPMUnknown* implementation)
    {
        T* const object = static_cast<T*>(implementation);
        object->~T();
        SDKFree(object);
    }
    static std::size_t Size() { return sizeof(T); }
};
