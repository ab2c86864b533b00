// An interned name: every distinct byte string has one shared NameData for the life of the
// process, so names compare by pointer. A name without data is the nil name.
#pragma once

#include <cstdint>

#include "GBuffer.h"
#include "GDict.h"
#include "PUNIXMutexImp.h"

class GName
{
public:
    struct NameData
    {
        GBuffer fName;
        std::int32_t fHash;
    };

    // The process-wide dictionary of names and the lock taken around it.
    struct NamesDictWithMutex
    {
        NamesDictWithMutex() = default;
        NamesDictWithMutex(NamesDictWithMutex const&) = delete;
        NamesDictWithMutex& operator=(NamesDictWithMutex const&) = delete;
        // Names must not be used after this: their data goes with the dictionary.
        ~NamesDictWithMutex();

        PUNIXMutexImp fMutex;
        GDict<GBuffer, NameData*> fNames;
    };

    GName() : fData(nullptr) {}
    // The name of a zero-terminated text, which needs to live only for the call; null gives the
    // nil name, "" the name of the empty text.
    GName(char const* text);
    explicit GName(GBuffer const& bytes);

    // Makes this the name of the bytes; nothing happens when it is that name already.
    void SetBuffer(GBuffer const& bytes);

    bool IsNil() const { return fData == nullptr; }
    // The name's bytes; null for the nil name.
    GBuffer const* GetBuffer() const { return fData ? &fData->fName : nullptr; }
    // The hash of the bytes (GBuffer::GetHash); 0 for the nil name.
    int GetHash() const { return fData ? fData->fHash : 0; }
    NameData const* GetData() const { return fData; }

    friend bool operator==(GName const& a, GName const& b) { return a.fData == b.fData; }
    friend bool operator!=(GName const& a, GName const& b) { return a.fData != b.fData; }

    // Both made on first use, thread-safe, and destroyed at process exit.
    static GDict<GBuffer, NameData*>& GetNameValues();
    static NamesDictWithMutex& GetNamesDictAndMutex();

private:
    NameData const* fData;
};
