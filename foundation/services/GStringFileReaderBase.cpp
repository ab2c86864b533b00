// The string-file parser.
#include "GStringFileReaderBase.h"

#include <cstdint>

#include "GASCIIEncoding.h"
#include "GBin2TextStream.h"
#include "GBufferedInStreamDecorator.h"
#include "GFileInStream.h"
#include "GStringPoolSupport.h"
#include "GUnicodeEncoding.h"
#include "PSystem.h"

namespace
{
constexpr int cFileBufferSize = 524288;

// The ASCII words of the format in the stream's current encoding, so that a token read in it is
// compared byte for byte.
class Keywords
{
public:
    void Update(GEncoding* encoding)
    {
        if (fBuilt && encoding == fEncoding)
            return;
        fEncoding = encoding;
        fBuilt = true;
        Make(fString, "String");
        Make(fNext, "Next,");
        Make(fStringTable, "StringTable");
        fNumberEncoding = NumberBytesAreASCII() ? encoding : nullptr;
    }

    GString fString;
    GString fNext;
    GString fStringTable;
    // The encoding when each of the bytes of a sign and the digits, at the start of a character,
    // stands for itself in it (as in ASCII, UTF-8, the Windows and Mac Roman code pages,
    // Shift-JIS), so that an id is read from a token's bytes without converting them; else null.
    GEncoding const* fNumberEncoding = nullptr;

private:
    void Make(GString& word, char const* ascii)
    {
        word = GString(ascii);
        if (!fEncoding)
            return;
        GBuffer bytes;
        word.GetBuffer(bytes, fEncoding);
        word = GString(bytes, fEncoding, true);
    }

    bool NumberBytesAreASCII() const
    {
        static char const cNumberCharacters[] = "+-0123456789";
        int const length = static_cast<int>(sizeof cNumberCharacters - 1);
        if (!fEncoding)
            return false;
        GBuffer bytes(reinterpret_cast<unsigned char const*>(cNumberCharacters), length);
        GString text(bytes, fEncoding, true);
        if (text.GetBytes() != bytes)
            return false;
        GBuffer units;
        text.GetBuffer(units, GUnicodeEncoding::GetInstance());
        if (units.GetLength() != 2 * length)
            return false;
        for (int i = 0; i < length; ++i)
        {
            if (GBuffer::ReadUnit(units.GetPtr(), i) != static_cast<unsigned char>(cNumberCharacters[i]))
                return false;
        }
        return true;
    }

    GEncoding* fEncoding = nullptr;
    bool fBuilt = false;
};

// The token's UTF-16 units.
GBuffer Units(GString const& token)
{
    GBuffer units;
    token.GetBuffer(units, GUnicodeEncoding::GetInstance());
    return units;
}

int UnitCount(GBuffer const& units)
{
    return units.GetLength() / 2;
}

std::uint16_t UnitAt(GBuffer const& units, int index)
{
    return reinterpret_cast<std::uint16_t const*>(units.GetPtr())[index];
}

bool StartsWith(GBuffer const& units, char const* ascii)
{
    int count = UnitCount(units);
    for (int i = 0; ascii[i]; ++i)
    {
        if (i >= count || UnitAt(units, i) != static_cast<unsigned char>(ascii[i]))
            return false;
    }
    return true;
}

bool IsWord(GString const& token, char const* ascii)
{
    GBuffer units = Units(token);
    int length = 0;
    while (ascii[length])
        ++length;
    return UnitCount(units) == length && StartsWith(units, ascii);
}

// The decimal number at the start of the token (a sign allowed), up to its first non-digit;
// numbers beyond the 32-bit range stop at its ends. Read from the token's own bytes when they are
// in numberEncoding, otherwise from its UTF-16 units, which units receives.
std::int32_t LeadingNumber(GString const& token, GBuffer& units, GEncoding const* numberEncoding)
{
    unsigned char const* bytes = nullptr;
    int count = 0;
    if (numberEncoding && token.GetEncoding().Get() == numberEncoding)
    {
        bytes = token.GetBytes().GetPtr();
        count = token.GetBytes().GetLength();
    }
    else
    {
        token.GetBuffer(units, GUnicodeEncoding::GetInstance());
        count = UnitCount(units);
    }
    auto const at = [&](int index) -> unsigned { return bytes ? bytes[index] : UnitAt(units, index); };
    int i = 0;
    bool negative = false;
    if (i < count && (at(i) == '-' || at(i) == '+'))
        negative = at(i++) == '-';
    std::int64_t value = 0;
    for (; i < count && at(i) >= '0' && at(i) <= '9'; ++i)
    {
        if (value <= INT32_MAX)
            value = value * 10 + (at(i) - '0');
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

void SkipRestOfLine(GBin2TextStream& stream)
{
    GString rest;
    stream.ReadLine(rest);
}
} // namespace

GStringFileReaderBase::GStringFileReaderBase(GPathName const& path) : fPath(path), fEncoding(nullptr) {}

GStringFileReaderBase::~GStringFileReaderBase() = default;

void GStringFileReaderBase::InitializeDefines()
{
    char const* name = nullptr;
    switch (PSystem::GetPlatformCode())
    {
    case 0:
        name = "EA_OS_MACOSX";
        break;
    case 1:
        name = "EA_OS_LINUX";
        break;
    case 2:
        name = "WIN";
        break;
    default:
        return;
    }
    fDefines.AddUniqueItem(GString(name));
}

bool GStringFileReaderBase::IsDefined(GString const& name) const
{
    for (int i = 0; i < fDefines.GetCount(); ++i)
    {
        if (fDefines[i] == name)
            return true;
    }
    return false;
}

void GStringFileReaderBase::CorrectLanguage()
{
    struct Name
    {
        char const* fToken;
        char const* fLanguage;
    };
    static Name const cNames[] = {{"English", "enUS"},
                                  {"French", "frFR"},
                                  {"German", "deDE"},
                                  {"Spanish", "esES"},
                                  {"\"Neutral\"", "Neutral"}};
    for (Name const& name : cNames)
    {
        if (IsWord(fLanguage, name.fToken))
        {
            fLanguage = GString(name.fLanguage);
            break;
        }
    }
    // The pool keys its tables by UTF-16 text, as the built-in tables register them.
    GBuffer units = Units(fLanguage);
    fLanguage = GString(units, GUnicodeEncoding::GetInstance(), true);
}

void GStringFileReaderBase::ParseStringFile()
{
    InitializeParser();
    InitializeDefines();
    GFileInStream file(fPath);
    GBufferedInStreamDecorator buffered(file, cFileBufferSize);
    GBin2TextStream stream(buffered, nullptr);

    Keywords words;
    GString token;
    bool atHeader = false;
    while (atHeader || stream.ReadString(token))
    {
        words.Update(stream.GetEncoding());
        if (!atHeader && token != words.fStringTable)
            continue;
        atHeader = false;
        GString encodingName;
        if (!stream.ReadString(fLanguage) || !stream.ReadString(encodingName))
            break;
        CorrectLanguage();
        GBuffer name;
        encodingName.GetBuffer(name, GASCIIEncoding::GetInstance());
        fEncoding = GStringPoolSupport::GetEncoding(name);
        stream.SetEncoding(fEncoding);
        SkipRestOfLine(stream);
        HeaderParsed();
        atHeader = ParseTable(stream);
        if (atHeader)
            token = GString("StringTable");
    }
    stream.SetEncoding(GASCIIEncoding::GetInstance());
    FinalizeParser();
}

bool GStringFileReaderBase::ParseTable(GBin2TextStream& stream)
{
    Keywords words;
    words.Update(stream.GetEncoding());
    std::uint32_t id = 0;
    GString token;
    GString text;
    // Kept from entry to entry, so that their storage is reused.
    GBuffer units;
    GString piece;
    while (stream.ReadString(token))
    {
        if (token == words.fStringTable)
            return true;
        if (token != words.fString)
        {
            if (!ProcessSpecialToken(token, stream))
                return false;
            continue;
        }
        if (!stream.ReadString(token))
            return false;
        // Wraps rather than overflows after the largest id.
        id = token == words.fNext ? id + 1 : static_cast<std::uint32_t>(LeadingNumber(token, units, words.fNumberEncoding));
        ReadText(stream, text, piece);
        AddString(static_cast<std::int32_t>(id), text);
    }
    return false;
}

void GStringFileReaderBase::ReadText(GBin2TextStream& stream, GString& text, GString& piece)
{
    // The first piece (most texts have one) is read into the text itself.
    stream.SkipWhitespace(false);
    bool closed = stream.ReadQuotedString(text);
    if (text.IsEmpty())
        text.Clear();
    while (closed)
    {
        // The rest of the line is read into piece, which is read again next.
        stream.ReadLine(piece);
        stream.SkipWhitespace(false);
        closed = stream.ReadQuotedString(piece);
        // An unclosed piece ends the text with what it held.
        if (!piece.IsEmpty())
            text += piece;
    }
}

bool GStringFileReaderBase::ProcessSpecialToken(GString const& token, GBin2TextStream& stream)
{
    GBuffer units = Units(token);
    if (UnitCount(units) < 2)
        return false;
    if (UnitAt(units, 0) == '#')
        return ProcessDefines(token, stream) || ProcessPragmas(token, stream);
    if (StartsWith(units, "//"))
    {
        SkipRestOfLine(stream);
        return true;
    }
    if (!StartsWith(units, "/*"))
        return false;
    GString next;
    while (stream.ReadString(next))
    {
        int end = next.Find(GString("*/"), 0);
        if (end < 0)
            continue;
        GBuffer nextUnits = Units(next);
        int after = end + 2;
        int rest = UnitCount(nextUnits) - after;
        if (rest > 0)
        {
            // What follows the comment in the same token is read again, as bytes of the stream.
            GString tail(nextUnits.GetSubBuffer(2 * after, 2 * rest), GUnicodeEncoding::GetInstance(), true);
            GBuffer bytes;
            GEncoding* encoding = stream.GetEncoding();
            tail.GetBuffer(bytes, encoding ? encoding : GASCIIEncoding::GetInstance());
            stream.Unread(bytes.GetLength());
        }
        return true;
    }
    return false;
}

bool GStringFileReaderBase::ProcessPragmas(GString const&, GBin2TextStream&)
{
    return false;
}

bool GStringFileReaderBase::ProcessDefines(GString const& token, GBin2TextStream& stream)
{
    if (IsWord(token, "#endif"))
    {
        SkipRestOfLine(stream);
        return true;
    }
    bool ifdef = IsWord(token, "#ifdef");
    if (!ifdef && !IsWord(token, "#ifndef"))
        return false;
    GString name;
    if (!stream.ReadString(name))
        return true;
    if (IsDefined(name) == ifdef)
        SkipRestOfLine(stream);
    else
        SkipTillEndIf(stream);
    return true;
}

void GStringFileReaderBase::SkipTillEndIf(GBin2TextStream& stream)
{
    // Counted without limit: skipping keeps nothing, and the end of the file ends it.
    long depth = 1;
    GString first;
    while (depth > 0)
    {
        stream.SkipWhitespace(true);
        if (!stream.ReadString(first))
            return;
        if (IsWord(first, "#ifdef") || IsWord(first, "#ifndef"))
            ++depth;
        else if (IsWord(first, "#endif"))
            --depth;
        SkipRestOfLine(stream);
    }
}
