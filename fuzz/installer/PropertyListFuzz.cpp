// What the property-list reader makes of any bytes, in every form it reads (XML in UTF-8 or UTF-16,
// binary, old-style text). Nothing crashes or runs away with memory; text read as UTF-16 reads as it
// does as UTF-8; and the strings of a list that reads come back unchanged when written again as XML,
// as old-style text, as binary and as XML in UTF-16.
#include "InstallerFuzzCheck.h"
#include "macos/PropertyListStandIn.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace
{
using installerfuzz::Check;
typedef std::map<std::string, std::string> Strings;

// The code points of strict UTF-8 text; false for bytes that are not.
bool CodePointsOf(std::string const& text, std::vector<std::uint32_t>& codes)
{
    codes.clear();
    for (std::size_t at = 0; at < text.size();)
    {
        unsigned char const lead = static_cast<unsigned char>(text[at]);
        int const length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                                         : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
        if (length == 0 || at + length > text.size())
            return false;
        std::uint32_t code = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int i = 1; i < length; ++i)
        {
            unsigned char const next = static_cast<unsigned char>(text[at + i]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3F);
        }
        std::uint32_t const least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        codes.push_back(code);
        at += length;
    }
    return true;
}

void AppendUnit(std::string& bytes, std::uint32_t unit, bool bigEndian)
{
    char const high = static_cast<char>(unit >> 8);
    char const low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
}

void AppendUTF16(std::string& bytes, std::vector<std::uint32_t> const& codes, bool bigEndian)
{
    for (std::uint32_t const code : codes)
    {
        if (code < 0x10000)
            AppendUnit(bytes, code, bigEndian);
        else
        {
            AppendUnit(bytes, 0xD800 + ((code - 0x10000) >> 10), bigEndian);
            AppendUnit(bytes, 0xDC00 + ((code - 0x10000) & 0x3FF), bigEndian);
        }
    }
}

std::string EscapedXML(std::string const& text)
{
    std::string escaped;
    for (char const c : text)
        escaped += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    return escaped;
}

std::string WrittenAsXML(Strings const& strings)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n";
    for (auto const& entry : strings)
        text += "\t<key>" + EscapedXML(entry.first) + "</key>\n\t<string>" + EscapedXML(entry.second) +
                "</string>\n";
    return text + "</dict>\n</plist>\n";
}

std::string QuotedOldStyle(std::string const& text)
{
    std::string quoted = "\"";
    for (char const c : text)
    {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string WrittenAsOldStyle(Strings const& strings)
{
    std::string text = "{\n";
    for (auto const& entry : strings)
        text += "\t" + QuotedOldStyle(entry.first) + " = " + QuotedOldStyle(entry.second) + ";\n";
    return text + "}\n";
}

void AppendNumber(std::string& bytes, std::uint64_t value, int size)
{
    for (int i = size - 1; i >= 0; --i)
        bytes += static_cast<char>(value >> (8 * i));
}

// The marker of the kind with its size, the size following as an integer object when it is 15 or more.
void AppendMarker(std::string& bytes, unsigned kind, std::size_t size)
{
    if (size < 15)
    {
        bytes += static_cast<char>(kind << 4 | size);
        return;
    }
    bytes += static_cast<char>(kind << 4 | 0xF);
    bytes += '\x12';
    AppendNumber(bytes, size, 4);
}

// The binary form, as the platform writes it: the dictionary, then each key and each value; ASCII
// strings as such, others as UTF-16. False when a string is not UTF-8.
bool WrittenAsBinary(Strings const& strings, std::string& bytes)
{
    bytes = "bplist00";
    std::vector<std::uint64_t> offsets;
    offsets.push_back(bytes.size());
    std::size_t const entries = strings.size();
    AppendMarker(bytes, 0xD, entries);
    for (std::size_t i = 0; i < entries * 2; ++i)
        AppendNumber(bytes, i < entries ? 1 + 2 * i : 2 + 2 * (i - entries), 2);
    for (auto const& entry : strings)
    {
        for (std::string const* text : {&entry.first, &entry.second})
        {
            offsets.push_back(bytes.size());
            std::vector<std::uint32_t> codes;
            if (!CodePointsOf(*text, codes))
                return false;
            bool ascii = true;
            for (std::uint32_t const code : codes)
                ascii = ascii && code < 0x80;
            if (ascii)
            {
                AppendMarker(bytes, 0x5, text->size());
                bytes += *text;
                continue;
            }
            std::string units;
            AppendUTF16(units, codes, true);
            AppendMarker(bytes, 0x6, units.size() / 2);
            bytes += units;
        }
    }
    std::uint64_t const table = bytes.size();
    for (std::uint64_t const offset : offsets)
        AppendNumber(bytes, offset, 4);
    bytes.append(6, '\0');
    bytes += '\x04';
    bytes += '\x02';
    AppendNumber(bytes, offsets.size(), 8);
    AppendNumber(bytes, 0, 8);
    AppendNumber(bytes, table, 8);
    return true;
}

void CheckReadsBack(std::string const& written, Strings const& strings, char const* what)
{
    Strings read;
    std::string error;
    Check(PropertyListStandInReadStrings(written, read, &error), what);
    Check(read == strings, what);
}
} // namespace

#ifndef SENDRIX_FUZZ_ENTRY
#define SENDRIX_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

extern "C" int SENDRIX_FUZZ_ENTRY(std::uint8_t const* data, std::size_t size)
{
    std::string const bytes(reinterpret_cast<char const*>(data), size);
    Strings strings{{"kept", "unless read"}};
    std::string error;
    bool const reads = PropertyListStandInReadStrings(bytes, strings, &error);
    Check(reads || (!error.empty() && strings.size() == 1 && strings.count("kept") == 1),
          "a list that does not read says no reason or changes the strings");

    // Text is read alike whether it comes as UTF-8 or as UTF-16 with its byte-order mark.
    std::vector<std::uint32_t> codes;
    bool const marked = bytes.compare(0, 2, "\xFE\xFF") == 0 || bytes.compare(0, 2, "\xFF\xFE") == 0;
    if (bytes.compare(0, 6, "bplist") != 0 && !marked && CodePointsOf(bytes, codes))
    {
        for (bool const bigEndian : {false, true})
        {
            std::string utf16 = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
            AppendUTF16(utf16, codes, bigEndian);
            Strings again;
            Check(PropertyListStandInReadStrings(utf16, again, nullptr) == reads,
                  "the text reads otherwise as UTF-16");
            if (reads)
                Check(again == strings, "the text gives other strings as UTF-16");
        }
    }

    if (!reads)
        return 0;
    std::string const xml = WrittenAsXML(strings);
    CheckReadsBack(xml, strings, "the strings written as XML do not read back");
    CheckReadsBack(WrittenAsOldStyle(strings), strings, "the strings written as old-style text do not read back");
    std::string binary;
    if (WrittenAsBinary(strings, binary))
    {
        CheckReadsBack(binary, strings, "the strings written as binary do not read back");
        if (CodePointsOf(xml, codes))
        {
            std::string utf16 = "\xFF\xFE";
            AppendUTF16(utf16, codes, false);
            CheckReadsBack(utf16, strings, "the strings written as XML in UTF-16 do not read back");
        }
    }
    return 0;
}
