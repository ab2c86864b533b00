// PDF date strings come from documents and preference files: any bytes read without harm, a text that
// is no date leaves the value as it was, and a date read and written again reads back as the same
// instant in the same zone.
#include "FuzzSupport.h"

#include "GDateTime.h"

using namespace fuzzsupport;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartOnce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::string const bytes(reinterpret_cast<char const*>(data), size);
    GBuffer const text = BufferOf(bytes);
    GDateTime const before(false);
    GDateTime date(before);
    int const result = date.SetFromPDFDateTime(text);
    Check(result == GDateTime::CheckPDFDateTime(text), "the check answers as the read does", Hex(bytes));
    if (result == 0)
    {
        Check(date == before, "text that is no date changes nothing", Hex(bytes));
        return 0;
    }
    GBuffer written;
    date.GetAsPDFDateTime(written);
    GDateTime back(false);
    int const again = back.SetFromPDFDateTime(written);
    // Years outside 0 to 9999 are written with all their digits and do not read back.
    std::string const out = BytesOf(written);
    if (out.size() == 17 || out.size() == 23)
    {
        Check(again == 1, "a written date reads back", Hex(bytes) + "\nwritten " + out);
        // The same instant in a zone of the same offset (a zone of -0:00 is written as "Z").
        auto const offset = [](GDateTime const& d)
        { return d.GetZoneSign() * (d.GetZoneHours() * 60 + d.GetZoneMinutes()); };
        Check(back.GetSecondsBetween(date) == 0 && offset(back) == offset(date),
              "a written date reads back as the same instant in the same zone", Hex(bytes) + "\nwritten " + out);
    }
    return 0;
}
