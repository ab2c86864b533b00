// Holds one reference to an object counted by GThreadSafeRefCount (an encoding singleton, for one).
#pragma once

template<class T>
class GSharedObject
{
public:
    GSharedObject() : fObject(nullptr) {}
    explicit GSharedObject(T* object) : fObject(object)
    {
        if (fObject)
            fObject->Acquire();
    }
    GSharedObject(GSharedObject const& other) : GSharedObject(other.fObject) {}
    GSharedObject(GSharedObject&& other) noexcept : fObject(other.fObject) { other.fObject = nullptr; }
    ~GSharedObject()
    {
        if (fObject)
            fObject->Release();
    }

    // The new object is acquired before the old one is released, so assigning the object already
    // held never lets its count reach 0.
    GSharedObject& operator=(T* object)
    {
        if (object)
            object->Acquire();
        T* old = fObject;
        fObject = object;
        if (old)
            old->Release();
        return *this;
    }
    GSharedObject& operator=(GSharedObject const& other) { return *this = other.fObject; }
    GSharedObject& operator=(GSharedObject&& other) noexcept
    {
        if (this != &other)
        {
            T* old = fObject;
            fObject = other.fObject;
            other.fObject = nullptr;
            if (old)
                old->Release();
        }
        return *this;
    }

    T* Get() const { return fObject; }
    T* operator->() const { return fObject; }
    T& operator*() const { return *fObject; }
    bool IsNull() const { return fObject == nullptr; }

    friend bool operator==(GSharedObject const& a, GSharedObject const& b) { return a.fObject == b.fObject; }
    friend bool operator!=(GSharedObject const& a, GSharedObject const& b) { return a.fObject != b.fObject; }

private:
    T* fObject;
};
