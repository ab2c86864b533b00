// The content sniffers on hostile bytes: the kind told is one the stream is of, the stream keeps its
// position, and counts and offsets inside the bytes never lead outside them.
#include "FuzzSupport.h"

#include "GMemoryInStream.h"
#include "GStreamSupport.h"
#include "GTypeEnums.h"

using namespace fuzzsupport;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    int const skip = input.ConsumeIntegralInRange<int>(0, 16);
    std::string const bytes = input.ConsumeRemainingBytesAsString();
    GBuffer const content = BufferOf(bytes);
    GMemoryInStream stream(content);
    stream.Skip(skip);
    int const position = stream.GetPosition();

    GTypeEnums::Types const kind = GStreamSupport::GetStreamType(stream);
    Check(stream.GetPosition() == position, "telling the kind keeps the position");
    Check(kind >= GTypeEnums::cUnknown && kind <= GTypeEnums::cLastType, "the kind is one of the kinds");
    Check((kind == GTypeEnums::cEmpty) == bytes.empty(), "only an empty stream is empty",
          Hex(bytes.substr(0, 16)));
    if (kind != GTypeEnums::cUnknown && kind != GTypeEnums::cEmpty)
        Check(GStreamSupport::StreamIsOfType(stream, kind), "the stream is of the kind told",
              std::to_string(kind) + ": " + Hex(bytes.substr(0, 64)));
    for (int other = GTypeEnums::cUnknown; other <= GTypeEnums::cLastType + 1; ++other)
    {
        (void)GStreamSupport::StreamIsOfType(stream, static_cast<GTypeEnums::Types>(other));
        Check(stream.GetPosition() == position, "testing a kind keeps the position");
    }
    GBuffer whole;
    Check(GStreamSupport::GetContent(stream, whole) == static_cast<int>(bytes.size()),
          "the content is every byte");
    return 0;
}
