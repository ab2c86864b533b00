// The name of an object shared between processes (a named mutex, a shared-memory block): ASCII
// letters, digits and "_" only, so that every process on the machine builds the same name, plus the
// well-known pieces such names are built from.
#pragma once

#include "GBuffer.h"
#include "GDict.h"

class GString;

class GShMemID
{
public:
    // Keys of the special ids; other processes build the same names from them, so never renumber.
    enum SpecialID
    {
        cSpecialP = 1,
        cSpecialG = 2,
        cSpecialM = 3,
        cSpecialMQ = 101,
        cSpecialPS = 102,
        cSpecialGIPC = 201,
        cSpecialGIPCTest = 202
    };

    GShMemID() = default;
    // An empty text gives the empty id. Any character other than "A" to "Z", "a" to "z", "0" to "9"
    // and "_" throws GSimpleException 40162 and makes no id.
    explicit GShMemID(char const* text);
    // Every byte of the buffer counts: a zero byte inside it is a bad character, not the end.
    explicit GShMemID(GBuffer const& bytes);
    // A character that ASCII cannot carry throws 40162, even where its ASCII stand-in would pass.
    explicit GShMemID(GString const& text);

    // The first text immediately followed by the second.
    friend GShMemID operator+(GShMemID const& first, GShMemID const& second);
    GShMemID& operator+=(GShMemID const& other);
    friend bool operator==(GShMemID const& a, GShMemID const& b) { return a.fText == b.fText; }
    friend bool operator!=(GShMemID const& a, GShMemID const& b) { return !(a == b); }

    bool IsEmpty() const { return fText.IsEmpty(); }
    // The text as the platform objects take it.
    operator GBuffer const&() const { return fText; }

    // Registers the special ids, replacing those of the same keys.
    static void Initialize();
    // Forgets every special id.
    static void Finalize();
    // The id registered under key; the empty id for a key without one, and for every key before
    // Initialize and after Finalize.
    static GShMemID const& GetSpecialID(int key);

private:
    // Throws 40162 unless every byte is allowed.
    static void Validate(unsigned char const* bytes, int length);

    GBuffer fText;

    static GDict<int, GShMemID> sSpecialIDs;
};
