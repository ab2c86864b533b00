// The text form of string dictionaries (preference files are made of it): hostile text in any
// encoding reads without harm, and whatever was read, written again in any encoding, reads back
// pair for pair as that encoding holds it.
#include "FuzzSupport.h"

#include <map>

#include "GBin2TextStream.h"
#include "GDict.h"
#include "GMemoryInStream.h"
#include "GMemoryOutStream.h"
#include "GText2BinStream.h"

using namespace fuzzsupport;

namespace
{
GString KeyText(GString const& key)
{
    return key;
}
GString KeyText(GBuffer const& key)
{
    return GString(key, GASCIIEncoding::GetInstance(), true);
}

// A key as read back: a string, or the ASCII bytes of one.
std::string KeyAsRead(GString const& text, GString const*)
{
    return Composed(text);
}
std::string KeyAsRead(GString const& text, GBuffer const*)
{
    return BytesOf(text.GetBuffer(GASCIIEncoding::GetInstance()));
}

template<class K>
std::map<std::string, std::string> PairsOf(GDict<K, GString> const& dict)
{
    std::map<std::string, std::string> pairs;
    typename GDict<K, GString>::ConstEnumerator e(dict);
    while (e.Next())
        pairs[KeyAsRead(KeyText(e.GetKey()), static_cast<K const*>(nullptr))] = Composed(e.GetValue());
    return pairs;
}

template<class K>
void ReadWriteReadBack(std::string const& bytes, GEncoding* readIn, GEncoding* writeIn)
{
    GDict<K, GString> dict;
    {
        GBuffer const source = BufferOf(bytes);
        GMemoryInStream stream(source);
        GBin2TextStream reader(stream, readIn);
        dict.ReadFrom(reader);
    }
    GBuffer written;
    {
        GMemoryOutStream sink(written);
        GText2BinStream writer(sink, writeIn);
        dict.WriteTo(writer);
    }
    // Pairs are written in slot order and read back in that order, so where two keys read back
    // alike (two line ends that both read as one), the later pair wins, as here.
    // Where the encoding loses characters, what is lost depends on the text around them, so such
    // keys are not compared and such values only by their keys.
    std::map<std::string, std::string> expected;
    bool keysHeld = true;
    std::string const lost = "(lost)";
    typename GDict<K, GString>::ConstEnumerator e(dict);
    while (e.Next())
    {
        keysHeld = keysHeld && HeldCompletely(KeyText(e.GetKey()), writeIn);
        GString const key = HeldText(WithEscapedLineEnds(KeyText(e.GetKey())), writeIn);
        expected[KeyAsRead(key, static_cast<K const*>(nullptr))] =
            HeldCompletely(e.GetValue(), writeIn) ? HeldBy(WithEscapedLineEnds(e.GetValue()), writeIn) : lost;
    }
    GDict<K, GString> back;
    bool read = false;
    {
        GMemoryInStream stream(written);
        GBin2TextStream reader(stream, writeIn);
        read = back.ReadFrom(reader);
    }
    Check(read, "a written dictionary reads back as well formed", BytesOf(writeIn->GetASCIIDescription()));
    std::map<std::string, std::string> got = PairsOf(back);
    if (!keysHeld)
        return;
    for (auto& pair : got)
    {
        auto const found = expected.find(pair.first);
        if (found != expected.end() && found->second == lost)
            pair.second = lost;
    }
    if (got != expected)
    {
        std::string detail = BytesOf(writeIn->GetASCIIDescription()) + "\nwritten " + Hex(BytesOf(written));
        typename GDict<K, GString>::ConstEnumerator original(dict);
        while (original.Next())
            detail += "\nread    " + Hex(Composed(original.GetValue()));
        for (auto const& pair : expected)
            detail += "\nexpected " + Hex(pair.first) + "= " + Hex(pair.second);
        for (auto const& pair : got)
            detail += "\ngot      " + Hex(pair.first) + "= " + Hex(pair.second);
        Fail("a dictionary reads back pair for pair as its encoding holds it", detail);
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    bool const stringKeys = input.ConsumeBool();
    GEncoding* readIn = input.ConsumeBool() ? nullptr : PickEncoding(input);
    GEncoding* writeIn = PickEncoding(input);
    std::string const bytes = input.ConsumeRemainingBytesAsString();
    if (stringKeys)
        ReadWriteReadBack<GString>(bytes, readIn, writeIn);
    else
        ReadWriteReadBack<GBuffer>(bytes, readIn, writeIn);

    // The string form: UTF-16 text, read and written back.
    GDict<GBuffer, GString> dict;
    dict.FromString(TextOf(bytes));
    GString text;
    dict.ToString(text);
    GDict<GBuffer, GString> back;
    Check(back.FromString(text), "the string form reads back as well formed");
    Check(PairsOf(back).size() <= PairsOf(dict).size(), "the string form reads back no pair it did not hold");
    return 0;
}
