// InterfacePtr: holds one reference to a host interface and gives it back when it goes. Made from
// an object and the interface's own id (or another id), or from a pointer whose reference it takes.
#pragma once

#include <utility>

#include "IPMUnknown.h"

template<class T>
class InterfacePtr
{
public:
    InterfacePtr() = default;
    // Takes over the reference the pointer carries (as every Query function answers).
    explicit InterfacePtr(T* referenced) : fInterface(referenced) {}
    // T's interface of the object; empty when the object is null or has none.
    explicit InterfacePtr(IPMUnknown const* object) : InterfacePtr(object, T::kDefaultIID) {}
    InterfacePtr(IPMUnknown const* object, PMIID interfaceID)
        : fInterface(object ? static_cast<T*>(object->QueryInterface(interfaceID)) : nullptr)
    {
    }
    InterfacePtr(InterfacePtr const& other) : fInterface(other.fInterface)
    {
        if (fInterface)
            fInterface->AddRef();
    }
    InterfacePtr(InterfacePtr&& other) noexcept : fInterface(std::exchange(other.fInterface, nullptr)) {}
    InterfacePtr& operator=(InterfacePtr other) noexcept
    {
        std::swap(fInterface, other.fInterface);
        return *this;
    }
    ~InterfacePtr() { reset(); }

    T* get() const { return fInterface; }
    T* operator->() const { return fInterface; }
    explicit operator bool() const { return fInterface != nullptr; }
    bool operator!() const { return fInterface == nullptr; }
    // Gives the reference back and holds the new pointer's instead.
    void reset(T* referenced = nullptr)
    {
        if (fInterface)
            fInterface->Release();
        fInterface = referenced;
    }
    // The pointer with its reference, which the caller now gives back.
    T* forget() { return std::exchange(fInterface, nullptr); }

private:
    T* fInterface = nullptr;
};
