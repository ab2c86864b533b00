// Hexadecimal text and scrambled secrets from outside: the decoding stream and the buffer decoder
// agree on any text, read in any pieces; a bad character is the foundation's exception; bytes and
// texts encoded read back as themselves.
#include "FuzzSupport.h"

#include "GException.h"
#include "GHexDecode.h"
#include "GHexEncode.h"
#include "GHexSupport.h"
#include "GMemoryInStream.h"
#include "GStringSupport.h"

using namespace fuzzsupport;

namespace
{
// The whole decoding of the text through the stream, read in pieces of the given sizes; false when
// the stream threw.
bool DecodeStream(GBuffer const& hex, std::string const& pieces, std::string& out)
{
    GMemoryInStream inner(hex);
    GHexDecode decoder(inner);
    GBuffer chunk;
    std::size_t next = 0;
    try
    {
        for (;;)
        {
            int const count =
                pieces.empty() ? 7 : 1 + static_cast<unsigned char>(pieces[next++ % pieces.size()]) % 64;
            if (decoder.Read(chunk, count) <= 0)
                return true;
            Check(chunk.GetLength() <= count, "a read delivers at most what was asked");
            out += BytesOf(chunk);
        }
    }
    catch (GException const& caught)
    {
        Check(caught.GetExceptionID() == 2452, "bad hexadecimal text is invalid data to decode");
        return false;
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
    std::string const pieces = input.ConsumeRandomLengthString(8);
    std::string const bytes = input.ConsumeRemainingBytesAsString();
    GBuffer const text = BufferOf(bytes);

    // Any text as hexadecimal: stream and buffer decoder agree, whatever the pieces read.
    std::string fromStream;
    bool const streamRead = DecodeStream(text, pieces, fromStream);
    GBuffer fromBuffer;
    bool bufferRead = true;
    try
    {
        GHexSupport::SetFromHexBuffer(text, fromBuffer);
    }
    catch (GException const& caught)
    {
        Check(caught.GetExceptionID() == 2452, "bad hexadecimal text is invalid data to decode");
        bufferRead = false;
    }
    Check(streamRead == bufferRead, "the stream and the buffer decoder refuse the same texts", Hex(bytes));
    if (streamRead)
        Check(fromStream == BytesOf(fromBuffer), "the stream and the buffer decoder give the same bytes",
              Hex(bytes));
    GBuffer lenient;
    GHexSupport::SetFromHexArray(text.GetPtr(), text.GetLength(), lenient);
    Check(lenient.GetLength() <= text.GetLength() / 2, "two digits make at most one byte");

    // Any text as a scrambled secret: unreadable gives an empty string without encoding.
    GString const secret = GStringSupport::DeScramble(GString(text, GASCIIEncoding::GetInstance(), true));
    if (secret.GetEncoding().Get() == nullptr)
        Check(secret.IsEmpty(), "an unreadable secret is empty");

    // The bytes encoded read back: through the buffers, and through the streams with the end marker.
    GBuffer hex;
    GHexSupport::SetToHexBuffer(text, hex);
    GBuffer decoded;
    GHexSupport::SetFromHexBuffer(hex, decoded);
    Check(BytesOf(decoded) == bytes, "hexadecimal of bytes reads back as the bytes");
    std::string encoded;
    {
        GMemoryInStream inner(text);
        GHexEncode encoder(inner, true);
        GBuffer chunk;
        while (encoder.Read(chunk, 1 + static_cast<int>(encoded.size() % 13)) > 0)
            encoded += BytesOf(chunk);
    }
    std::string roundTrip;
    Check(DecodeStream(BufferOf(encoded), pieces, roundTrip), "an encoded stream decodes");
    Check(roundTrip == bytes, "an encoded stream decodes to its bytes");

    // A text scrambled reads back as its UTF-8.
    // A zero character is no part of a secret: UTF-8 with a zero byte is not read as complete text.
    GString const plain = Without(TextOf(bytes), std::u16string(1, u'\0'));
    GString const back = GStringSupport::DeScramble(GStringSupport::Scramble(plain));
    Check(Composed(back) == Composed(plain), "a scrambled text reads back", Hex(Composed(plain)));
    return 0;
}
