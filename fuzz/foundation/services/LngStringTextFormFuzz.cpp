// The one-line text form of messages: any text reads into a message without harm (counts and
// lengths bounded by the text, nesting limited), and a message read from it is written and read
// back the same. The first reading settles a measurement to its 9 decimals, so the round trip is
// checked from the message it gave. Paths are left out of the check: the path class brings some
// texts to their normal form one step per reading.
#include "FuzzSupport.h"

#include "GAutoPtr.h"
#include "GLngString.h"

using namespace fuzzsupport;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartOnce();
    return 0;
}

namespace
{
// The message of the text and the text it writes.
GString ReadAndWrite(GString const& text, GAutoPtr<GLngString>& message)
{
    message.Reset(GLngString::FromString(text));
    GString written;
    GLngString::ToString(*message, written);
    (void)message->GetReadableString();
    (void)message->GetHash();
    return written;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::string const bytes(reinterpret_cast<char const*>(data), size);
    // Read as UTF-16 units, and as ASCII text as a writer would give it.
    for (GString const& text : {TextOf(bytes), GString(bytes.c_str())})
    {
        GAutoPtr<GLngString> first;
        GAutoPtr<GLngString> second;
        GAutoPtr<GLngString> third;
        GString const settled = ReadAndWrite(ReadAndWrite(text, first), second);
        GString const again = ReadAndWrite(settled, third);
        // The letter may also stand inside a text, which only skips the check.
        if (BytesOf(settled.GetBuffer(GASCIIEncoding::GetInstance())).find(" p ") != std::string::npos)
            continue;
        if (Composed(settled) != Composed(again))
            Fail("a message read from its text form is written the same again",
                 "first  " + Hex(Composed(settled)) + "\nsecond " + Hex(Composed(again)));
        Check(*second == *third, "a message read from its text form reads back equal",
              Hex(Composed(settled)));
    }
    return 0;
}
