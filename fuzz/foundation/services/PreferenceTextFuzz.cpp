// Preference text (preference files and the shared preference file are made of it, and other
// processes write them): hostile text in any encoding reads without harm, and what was read, written
// again, reads back whole, group for group and value for value (every line break in a value becoming
// the platform's line end).
#include "FuzzSupport.h"

#include <map>

#include "GPrefMemoryModule.h"

using namespace fuzzsupport;

namespace
{
using Contents = std::map<std::string, std::map<std::string, std::string>>;

// Group and key names are bytes written as ASCII text: those holding other bytes do not read back,
// nor do their line breaks, which read back as the platform's line end.
bool NamesAreASCII(GPrefModule const& module)
{
    auto const ascii = [](GBuffer const& name)
    {
        for (int i = 0; i < name.GetLength(); ++i)
        {
            unsigned char const byte = name.GetPtr()[i];
            if (byte < 7 || byte >= 0x80 || byte == '\n' || byte == '\r')
                return false;
        }
        return true;
    };
    GTable<GBuffer> groups;
    module.GetGroupNames(groups);
    for (int i = 0; i < groups.GetCount(); ++i)
    {
        GTable<GBuffer> keys;
        module.GetGroupPreferences(groups[i], keys);
        for (int k = 0; k < keys.GetCount(); ++k)
        {
            if (!ascii(keys[k]))
                return false;
        }
        if (!ascii(groups[i]))
            return false;
    }
    return true;
}

Contents ContentsOf(GPrefModule const& module)
{
    Contents contents;
    GTable<GBuffer> groups;
    module.GetGroupNames(groups);
    for (int i = 0; i < groups.GetCount(); ++i)
    {
        GDict<GBuffer, GString> values;
        module.GetGroupPreferences(groups[i], values);
        // A group without keys is not written.
        if (values.GetCount() == 0)
            continue;
        auto& group = contents[BytesOf(groups[i])];
        GDict<GBuffer, GString>::ConstEnumerator e(values);
        while (e.Next())
            group[BytesOf(e.GetKey())] = Composed(WithEscapedLineEnds(e.GetValue()));
    }
    return contents;
}
std::string Describe(Contents const& contents)
{
    std::string text;
    for (auto const& group : contents)
    {
        text += "\n[" + Hex(group.first) + "]";
        for (auto const& pair : group.second)
            text += "\n  " + Hex(pair.first) + "= " + Hex(pair.second);
    }
    return text;
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
    GEncoding* const encoding = PickEncoding(input);
    std::string const bytes = input.ConsumeRemainingBytesAsString();
    GPrefMemoryModule const read(GString(BufferOf(bytes), encoding, true));
    GString written;
    read.GetPrefsData(written);

    GPrefMemoryModule const back(written);
    Check(!back.WasReadIncomplete(), "written preference text reads back whole", Hex(Composed(written)));
    if (NamesAreASCII(read))
    {
        Contents const expected = ContentsOf(read);
        Contents const got = ContentsOf(back);
        Check(got == expected, "written preference text reads back as it was",
              "read" + Describe(expected) + "\nback" + Describe(got));
    }
    return 0;
}
