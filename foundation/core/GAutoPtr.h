// An owning pointer with an owner flag: it deletes its object only while it owns it, and copying
// it hands the ownership on to the copy.
#pragma once

// The deletion policy: plain delete.
struct GDeletePtr
{
    template<class T>
    static void Delete(T* object)
    {
        delete object;
    }
};

template<class T, class D = GDeletePtr>
class GAutoPtr
{
public:
    GAutoPtr() : fOwns(false), fObject(nullptr) {}
    explicit GAutoPtr(T* object, bool owns = true) : fOwns(owns), fObject(object) {}
    // The source keeps pointing at the object but no longer owns it.
    GAutoPtr(GAutoPtr const& other) noexcept : fOwns(other.fOwns), fObject(other.fObject)
    {
        other.fOwns = false;
    }
    template<class U>
    GAutoPtr(GAutoPtr<U, D> const& other) noexcept : fOwns(other.IsOwner()), fObject(other.Release())
    {
    }
    ~GAutoPtr()
    {
        if (fOwns && fObject)
            D::Delete(fObject);
    }
    GAutoPtr& operator=(GAutoPtr const& other)
    {
        if (this != &other)
        {
            bool owns = other.fOwns;
            other.fOwns = false;
            Reset(other.fObject, owns);
        }
        return *this;
    }

    // Takes object (owning it when owns), deleting the object held before when it was owned
    // and is another one.
    void Reset(T* object = nullptr, bool owns = true)
    {
        if (object == fObject)
        {
            fOwns = fOwns || owns;
            return;
        }
        T* old = fObject;
        bool ownedOld = fOwns;
        fObject = object;
        fOwns = owns;
        // Last, because deleting the old object may reach this pointer again.
        if (ownedOld && old)
            D::Delete(old);
    }
    // Gives up the ownership; the pointer stays readable as a borrowed one.
    T* Release() const
    {
        fOwns = false;
        return fObject;
    }

    T* Get() const { return fObject; }
    T* operator->() const { return fObject; }
    T& operator*() const { return *fObject; }
    bool IsOwner() const { return fOwns; }
    bool IsNull() const { return fObject == nullptr; }

private:
    // Mutable because copying from a const pointer takes its ownership.
    mutable bool fOwns;
    T* fObject;
};
