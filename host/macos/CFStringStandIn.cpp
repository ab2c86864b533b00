// The CoreFoundation string stand-in: iconv converts code pages, ICU normalises.
#include "CFStringStandIn.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <map>
#include <mutex>
#include <string>
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <vector>

struct __CFString : CFStandInObject
{
    ~__CFString() override
    {
        if (fOwnsExternal)
            std::free(const_cast<UniChar*>(fExternal));
    }

    // A string holds either its own units or, when made without copying, the caller's. The
    // caller's units need not be aligned, so units are only ever read with memcpy.
    UniChar const* Units() const { return fExternal ? fExternal : fUnits.data(); }
    CFIndex Length() const { return fExternal ? fExternalLength : static_cast<CFIndex>(fUnits.size()); }

    bool IsEqualTo(CFStandInObject const& other) const override
    {
        __CFString const* string = dynamic_cast<__CFString const*>(&other);
        return string && string->Length() == Length() &&
               (Length() == 0 || std::memcmp(string->Units(), Units(),
                                             static_cast<std::size_t>(Length()) * sizeof(UniChar)) == 0);
    }

    std::vector<UniChar> fUnits;
    UniChar const* fExternal = nullptr;
    CFIndex fExternalLength = 0;
    bool fOwnsExternal = false;
};

namespace
{
struct EncodingName
{
    CFStringEncoding fEncoding;
    char const* fIconvName;
};

// The code pages iconv converts for us. kCFStringEncodingUnicode is handled without iconv.
constexpr EncodingName cEncodingNames[] = {
    {kCFStringEncodingMacRoman, "MACINTOSH"},
    {kCFStringEncodingMacJapanese, "SHIFT_JIS"},
    {kCFStringEncodingDOSChineseSimplif, "CP936"},
    {kCFStringEncodingUTF8, "UTF-8"},
};

std::atomic<CFStringEncoding> sSystemEncoding{kCFStringEncodingMacRoman};

char const* IconvName(CFStringEncoding encoding)
{
    for (EncodingName const& entry : cEncodingNames)
    {
        if (entry.fEncoding == encoding)
            return entry.fIconvName;
    }
    return nullptr;
}

bool IsLittleEndian()
{
    UniChar const probe = 1;
    unsigned char first;
    std::memcpy(&first, &probe, 1);
    return first == 1;
}

char const cUTF16LE[] = "UTF-16LE";
char const cUTF16BE[] = "UTF-16BE";

// iconv's name for UTF-16 in this machine's byte order, without a byte-order mark.
char const* MachineUTF16()
{
    return IsLittleEndian() ? cUTF16LE : cUTF16BE;
}

UniChar SwapUnit(UniChar unit)
{
    return static_cast<UniChar>(unit >> 8 | unit << 8);
}

bool IsHighSurrogate(UniChar unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(UniChar unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Opening a descriptor costs more than converting a short text, so each thread keeps the ones it
// opened (a descriptor must not be used by two threads at once) and closes them when it ends.
class IconvCache
{
public:
    IconvCache() = default;
    ~IconvCache()
    {
        for (Entry const& entry : fEntries)
            iconv_close(entry.fHandle);
    }
    IconvCache(IconvCache const&) = delete;
    IconvCache& operator=(IconvCache const&) = delete;

    // A descriptor in its initial shift state, or (iconv_t)-1 when iconv has no such conversion.
    iconv_t Get(char const* to, char const* from)
    {
        for (Entry const& entry : fEntries)
        {
            if (entry.fTo == to && entry.fFrom == from)
            {
                iconv(entry.fHandle, nullptr, nullptr, nullptr, nullptr);
                return entry.fHandle;
            }
        }
        iconv_t handle = iconv_open(to, from);
        if (handle != cNoHandle)
            fEntries.push_back(Entry{to, from, handle});
        return handle;
    }

    static iconv_t const cNoHandle;

private:
    // The names are the constants of this file, so they are told apart by address.
    struct Entry
    {
        char const* fTo;
        char const* fFrom;
        iconv_t fHandle;
    };
    std::vector<Entry> fEntries;
};

iconv_t const IconvCache::cNoHandle = reinterpret_cast<iconv_t>(-1);

iconv_t OpenIconv(char const* to, char const* from)
{
    thread_local IconvCache cache;
    return cache.Get(to, from);
}

// UTF-8 is converted here rather than by iconv: paths cross between UTF-8 and UTF-16 on every file
// call, and a short text costs iconv more in its set-up than in its work. Both directions follow the
// strict reading iconv has: no overlong forms, no encoded surrogates, nothing above U+10FFFF.
bool DecodeUTF8(UInt8 const* bytes, CFIndex byteCount, std::vector<UniChar>& units)
{
    units.clear();
    units.reserve(static_cast<std::size_t>(byteCount));
    UInt8 const* const end = bytes + byteCount;
    for (UInt8 const* at = bytes; at < end;)
    {
        unsigned const lead = *at;
        if (lead < 0x80)
        {
            units.push_back(static_cast<UniChar>(lead));
            ++at;
            continue;
        }
        int length = 0;
        std::uint32_t code = 0;
        std::uint32_t minimum = 0;
        if (lead >= 0xC2 && lead <= 0xDF)
        {
            length = 2;
            code = lead & 0x1F;
            minimum = 0x80;
        }
        else if (lead >= 0xE0 && lead <= 0xEF)
        {
            length = 3;
            code = lead & 0x0F;
            minimum = 0x800;
        }
        else if (lead >= 0xF0 && lead <= 0xF4)
        {
            length = 4;
            code = lead & 0x07;
            minimum = 0x10000;
        }
        else
            return false;
        if (end - at < length)
            return false;
        for (int i = 1; i < length; ++i)
        {
            if ((at[i] & 0xC0) != 0x80)
                return false;
            code = code << 6 | (at[i] & 0x3F);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        if (code >= 0x10000)
        {
            code -= 0x10000;
            units.push_back(static_cast<UniChar>(0xD800 | code >> 10));
            units.push_back(static_cast<UniChar>(0xDC00 | (code & 0x3FF)));
        }
        else
            units.push_back(static_cast<UniChar>(code));
        at += length;
    }
    return true;
}

// Units into UTF-8 with the rules of EncodeUnits: an unpaired surrogate is the one unit UTF-8 cannot
// hold.
CFIndex EncodeUTF8(UniChar const* units, CFIndex count, UInt8 replacement, UInt8* buffer, CFIndex capacity,
                   CFIndex* written)
{
    CFIndex used = 0;
    CFIndex index = 0;
    while (index < count)
    {
        UniChar unit;
        std::memcpy(&unit, units + index, sizeof unit);
        UInt8 bytes[4];
        int length = 0;
        CFIndex step = 1;
        if (unit < 0x80)
        {
            bytes[0] = static_cast<UInt8>(unit);
            length = 1;
        }
        else if (unit < 0x800)
        {
            bytes[0] = static_cast<UInt8>(0xC0 | unit >> 6);
            bytes[1] = static_cast<UInt8>(0x80 | (unit & 0x3F));
            length = 2;
        }
        else if (IsHighSurrogate(unit) || IsLowSurrogate(unit))
        {
            UniChar next = 0;
            if (index + 1 < count)
                std::memcpy(&next, units + index + 1, sizeof next);
            if (IsHighSurrogate(unit) && IsLowSurrogate(next))
            {
                std::uint32_t const code = 0x10000 + ((std::uint32_t(unit) - 0xD800) << 10) + (next - 0xDC00);
                bytes[0] = static_cast<UInt8>(0xF0 | code >> 18);
                bytes[1] = static_cast<UInt8>(0x80 | ((code >> 12) & 0x3F));
                bytes[2] = static_cast<UInt8>(0x80 | ((code >> 6) & 0x3F));
                bytes[3] = static_cast<UInt8>(0x80 | (code & 0x3F));
                length = 4;
                step = 2;
            }
        }
        else
        {
            bytes[0] = static_cast<UInt8>(0xE0 | unit >> 12);
            bytes[1] = static_cast<UInt8>(0x80 | ((unit >> 6) & 0x3F));
            bytes[2] = static_cast<UInt8>(0x80 | (unit & 0x3F));
            length = 3;
        }
        if (length == 0)
        {
            if (replacement == 0 || (buffer && used >= capacity))
                break;
            if (buffer)
                buffer[used] = replacement;
            ++used;
            ++index;
            continue;
        }
        if (buffer)
        {
            if (capacity - used < length)
                break;
            std::memcpy(buffer + used, bytes, static_cast<std::size_t>(length));
        }
        used += length;
        index += step;
    }
    if (written)
        *written = used;
    return index;
}

// Decodes bytes of a code page into units; false when a byte sequence does not read.
bool DecodeBytes(char const* iconvName, UInt8 const* bytes, CFIndex byteCount, std::vector<UniChar>& units)
{
    iconv_t const cd = OpenIconv(MachineUTF16(), iconvName);
    if (cd == IconvCache::cNoHandle)
        return false;
    // No code page here makes more than two units of one byte.
    units.assign(static_cast<std::size_t>(byteCount) * 2 + 2, 0);
    char* in = const_cast<char*>(reinterpret_cast<char const*>(bytes));
    std::size_t inLeft = static_cast<std::size_t>(byteCount);
    char* outStart = reinterpret_cast<char*>(&units[0]);
    char* out = outStart;
    std::size_t outLeft = units.size() * 2;
    if (iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1))
        return false;
    if (iconv(cd, nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1))
        return false;
    units.resize(static_cast<std::size_t>(out - outStart) / 2);
    return true;
}

// UTF-16 out of UTF-16: the units are copied as they are, lone surrogates included.
CFIndex CopyUnits(UniChar const* units, CFIndex count, Boolean external, UInt8* buffer, CFIndex capacity,
                  CFIndex* written)
{
    CFIndex used = 0;
    if (external)
    {
        if (buffer && capacity < 2)
        {
            if (written)
                *written = 0;
            return 0;
        }
        UniChar const mark = 0xFEFF;
        if (buffer)
            std::memcpy(buffer, &mark, 2);
        used = 2;
    }
    CFIndex converted = count;
    if (buffer && (capacity - used) / 2 < count)
        converted = (capacity - used) / 2;
    if (buffer && converted > 0)
        std::memcpy(buffer + used, units, static_cast<std::size_t>(converted) * 2);
    used += converted * 2;
    if (written)
        *written = used;
    return converted;
}

// Units into a code page, one iconv pass that stops where a character does not convert.
CFIndex EncodeUnits(char const* iconvName, UniChar const* units, CFIndex count, UInt8 replacement,
                    UInt8* buffer, CFIndex capacity, CFIndex* written)
{
    if (written)
        *written = 0;
    iconv_t const cd = OpenIconv(iconvName, MachineUTF16());
    if (cd == IconvCache::cNoHandle)
        return 0;
    char* const inStart = const_cast<char*>(reinterpret_cast<char const*>(units));
    char* in = inStart;
    std::size_t inLeft = static_cast<std::size_t>(count) * 2;
    CFIndex used = 0;
    // Measuring writes into scratch space; iconv restarts costly when the output is full, so the
    // space is large.
    char scratch[16384];
    for (;;)
    {
        char* out = buffer ? reinterpret_cast<char*>(buffer) + used : scratch;
        std::size_t outLeft = buffer ? static_cast<std::size_t>(capacity - used) : sizeof scratch;
        char* const outStart = out;
        std::size_t const result = iconv(cd, &in, &inLeft, &out, &outLeft);
        int const error = errno;
        used += out - outStart;
        if (result != static_cast<std::size_t>(-1))
        {
            // The input is used up; a stateful code page may still write its closing bytes.
            out = buffer ? reinterpret_cast<char*>(buffer) + used : scratch;
            outLeft = buffer ? static_cast<std::size_t>(capacity - used) : sizeof scratch;
            char* const flushStart = out;
            if (iconv(cd, nullptr, nullptr, &out, &outLeft) != static_cast<std::size_t>(-1))
                used += out - flushStart;
            break;
        }
        if (error == E2BIG)
        {
            // Measuring goes on in the scratch buffer; a caller's buffer is full.
            if (buffer)
                break;
            continue;
        }
        // EILSEQ (the code page has no such character, or an unpaired surrogate) or EINVAL (a
        // high surrogate ends the range).
        if (replacement == 0 || (buffer && used >= capacity))
            break;
        if (buffer)
            buffer[used] = replacement;
        ++used;
        UniChar unit;
        std::memcpy(&unit, in, 2);
        std::size_t skip = 2;
        if (IsHighSurrogate(unit) && inLeft >= 4)
        {
            UniChar next;
            std::memcpy(&next, in + 2, 2);
            if (IsLowSurrogate(next))
                skip = 4;
        }
        in += skip;
        inLeft -= skip;
    }
    if (written)
        *written = used;
    return static_cast<CFIndex>(in - inStart) / 2;
}

UNormalizer2 const* NormalizerFor(CFStringNormalizationForm form, UErrorCode* error)
{
    switch (form)
    {
    case kCFStringNormalizationFormD:
        return unorm2_getNFDInstance(error);
    case kCFStringNormalizationFormKD:
        return unorm2_getNFKDInstance(error);
    case kCFStringNormalizationFormC:
        return unorm2_getNFCInstance(error);
    case kCFStringNormalizationFormKC:
        return unorm2_getNFKCInstance(error);
    }
    return nullptr;
}
} // namespace

Boolean CFStringIsEncodingAvailable(CFStringEncoding encoding)
{
    return encoding == kCFStringEncodingUnicode || IconvName(encoding) != nullptr;
}

CFStringEncoding CFStringGetSystemEncoding()
{
    return sSystemEncoding.load(std::memory_order_relaxed);
}

Boolean CFStringStandInSetSystemEncoding(CFStringEncoding encoding)
{
    if (!CFStringIsEncodingAvailable(encoding))
        return false;
    sSystemEncoding.store(encoding, std::memory_order_relaxed);
    return true;
}

CFStringRef CFStringCreateWithBytes(CFAllocatorRef, UInt8 const* bytes, CFIndex byteCount,
                                    CFStringEncoding encoding, Boolean external)
{
    if (byteCount < 0 || (byteCount > 0 && !bytes))
        return nullptr;
    std::vector<UniChar> units;
    if (encoding == kCFStringEncodingUnicode)
    {
        CFIndex count = byteCount / 2;
        units.resize(static_cast<std::size_t>(count));
        if (count > 0)
            std::memcpy(&units[0], bytes, static_cast<std::size_t>(count) * 2);
        if (external && !units.empty())
        {
            if (units[0] == 0xFEFF)
                units.erase(units.begin());
            else if (units[0] == 0xFFFE)
            {
                units.erase(units.begin());
                for (UniChar& unit : units)
                    unit = SwapUnit(unit);
            }
        }
    }
    else
    {
        char const* name = IconvName(encoding);
        if (encoding == kCFStringEncodingUTF8 ? !DecodeUTF8(bytes, byteCount, units)
                                              : !name || !DecodeBytes(name, bytes, byteCount, units))
            return nullptr;
    }
    __CFString* string = new __CFString;
    string->fUnits.swap(units);
    return string;
}

CFStringRef CFStringCreateWithCharactersNoCopy(CFAllocatorRef, UniChar const* units, CFIndex unitCount,
                                               CFAllocatorRef unitsAllocator)
{
    if (unitCount < 0 || (unitCount > 0 && !units))
        return nullptr;
    __CFString* string = new __CFString;
    string->fExternal = unitCount > 0 ? units : nullptr;
    string->fExternalLength = unitCount;
    string->fOwnsExternal = unitCount > 0 && unitsAllocator != kCFAllocatorNull;
    return string;
}

CFMutableStringRef CFStringCreateMutableCopy(CFAllocatorRef, CFIndex limit, CFStringRef string)
{
    if (!string || (limit > 0 && string->Length() > limit))
        return nullptr;
    __CFString* copy = new __CFString;
    CFIndex const length = string->Length();
    copy->fUnits.resize(static_cast<std::size_t>(length));
    if (length > 0)
        std::memcpy(&copy->fUnits[0], string->Units(), static_cast<std::size_t>(length) * 2);
    return copy;
}

CFIndex CFStringGetLength(CFStringRef string)
{
    return string ? string->Length() : 0;
}

CFIndex CFStringGetBytes(CFStringRef string, CFRange range, CFStringEncoding encoding, UInt8 replacement,
                         Boolean external, UInt8* buffer, CFIndex capacity, CFIndex* written)
{
    if (written)
        *written = 0;
    if (!string || range.location < 0 || range.length < 0 || range.location + range.length > string->Length())
        return 0;
    if (!buffer)
        capacity = 0;
    UniChar const* units = string->Units() + range.location;
    if (encoding == kCFStringEncodingUnicode)
        return CopyUnits(units, range.length, external, buffer, capacity, written);
    if (encoding == kCFStringEncodingUTF8)
        return EncodeUTF8(units, range.length, replacement, buffer, capacity, written);
    char const* name = IconvName(encoding);
    if (!name)
        return 0;
    return EncodeUnits(name, units, range.length, replacement, buffer, capacity, written);
}

void CFStringNormalize(CFMutableStringRef string, CFStringNormalizationForm form)
{
    if (!string || string->fExternal)
        return;
    UErrorCode error = U_ZERO_ERROR;
    UNormalizer2 const* normalizer = NormalizerFor(form, &error);
    if (!normalizer || U_FAILURE(error))
        return;
    // ICU works on char16_t; the units are copied across rather than read through another type.
    std::vector<UniChar>& units = string->fUnits;
    std::u16string text(units.size(), u'\0');
    if (!units.empty())
        std::memcpy(&text[0], units.data(), units.size() * 2);
    auto const length = static_cast<int32_t>(text.size());
    if (unorm2_isNormalized(normalizer, text.data(), length, &error) || U_FAILURE(error))
        return;
    error = U_ZERO_ERROR;
    int32_t const needed = unorm2_normalize(normalizer, text.data(), length, nullptr, 0, &error);
    if (error != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(error))
        return;
    std::u16string result(static_cast<std::size_t>(needed), u'\0');
    error = U_ZERO_ERROR;
    unorm2_normalize(normalizer, text.data(), length, needed > 0 ? &result[0] : nullptr, needed, &error);
    if (U_FAILURE(error))
        return;
    units.resize(result.size());
    if (!result.empty())
        std::memcpy(units.data(), result.data(), result.size() * 2);
}

CFStringRef CFStringStandInMakeConstantString(char const* text)
{
    // Constants are kept by their text, so the same literal in two files is one string. They are
    // never destroyed: objects released during the process's exit may still hold them.
    static std::mutex sMutex;
    static auto* const sConstants = new std::map<std::string, CFStringRef>;
    std::lock_guard<std::mutex> lock(sMutex);
    CFStringRef& constant = (*sConstants)[text];
    if (!constant)
    {
        constant = CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingUTF8);
        if (!constant)
            constant =
                CFStringCreateWithBytes(kCFAllocatorDefault, nullptr, 0, kCFStringEncodingUnicode, false);
    }
    return constant;
}

CFStringRef CFStringCreateWithCString(CFAllocatorRef allocator, char const* text, CFStringEncoding encoding)
{
    if (!text)
        return nullptr;
    return CFStringCreateWithBytes(allocator, reinterpret_cast<UInt8 const*>(text),
                                   static_cast<CFIndex>(std::strlen(text)), encoding, false);
}

Boolean CFStringGetCString(CFStringRef string, char* buffer, CFIndex capacity, CFStringEncoding encoding)
{
    if (!string || !buffer || capacity < 1)
        return false;
    CFIndex const length = CFStringGetLength(string);
    CFIndex used = 0;
    CFIndex const converted = CFStringGetBytes(string, CFRangeMake(0, length), encoding, 0, false,
                                               reinterpret_cast<UInt8*>(buffer), capacity - 1, &used);
    if (converted != length)
        return false;
    buffer[used] = '\0';
    return true;
}

std::string CFStringStandInGetUTF8(CFStringRef string)
{
    CFIndex const length = CFStringGetLength(string);
    if (length == 0)
        return std::string();
    // No unit takes more than three bytes (a pair of them takes four): one pass fills the room.
    std::string text(static_cast<std::size_t>(length) * 3, '\0');
    CFIndex used = 0;
    EncodeUTF8(string->Units(), length, 0, reinterpret_cast<UInt8*>(&text[0]),
               static_cast<CFIndex>(text.size()), &used);
    text.resize(static_cast<std::size_t>(used));
    return text;
}

namespace
{
// The code points of units, folded when asked; the index of each one's first unit beside it.
struct CodePoints
{
    std::vector<UChar32> fPoints;
    std::vector<CFIndex> fStarts;
};

CodePoints PointsOf(UniChar const* units, CFIndex length, bool fold)
{
    CodePoints points;
    for (CFIndex i = 0; i < length;)
    {
        UniChar first;
        std::memcpy(&first, units + i, sizeof first);
        UChar32 point = first;
        CFIndex const start = i++;
        if (IsHighSurrogate(first) && i < length)
        {
            UniChar second;
            std::memcpy(&second, units + i, sizeof second);
            if (IsLowSurrogate(second))
            {
                point = 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
                ++i;
            }
        }
        points.fPoints.push_back(fold ? u_foldCase(point, U_FOLD_CASE_DEFAULT) : point);
        points.fStarts.push_back(start);
    }
    points.fStarts.push_back(length);
    return points;
}

bool Folds(CFStringCompareFlags options)
{
    return (options & kCFCompareCaseInsensitive) != 0;
}

// The first place of what at or after from (an index of code points), or -1.
long FindPoints(CodePoints const& in, CodePoints const& what, std::size_t from, std::size_t end)
{
    std::size_t const count = what.fPoints.size();
    if (count == 0 || end < count)
        return -1;
    for (std::size_t i = from; i + count <= end; ++i)
    {
        if (std::equal(what.fPoints.begin(), what.fPoints.end(), in.fPoints.begin() + static_cast<long>(i)))
            return static_cast<long>(i);
    }
    return -1;
}

std::vector<UniChar> UnitsOf(CFStringRef string)
{
    std::vector<UniChar> units(static_cast<std::size_t>(CFStringGetLength(string)));
    if (!units.empty())
        std::memcpy(units.data(), string->Units(), units.size() * sizeof(UniChar));
    return units;
}

void AppendUTF8Text(std::vector<UniChar>& units, std::string const& text)
{
    std::vector<UniChar> more;
    if (!DecodeUTF8(reinterpret_cast<UInt8 const*>(text.data()), static_cast<CFIndex>(text.size()), more))
    {
        // Bytes that are not UTF-8 (a %s of another encoding) stand as themselves, as Latin-1.
        more.assign(text.begin(), text.end());
        for (UniChar& unit : more)
            unit = static_cast<UniChar>(static_cast<unsigned char>(unit));
    }
    units.insert(units.end(), more.begin(), more.end());
}

// One conversion of a printf format, written again for snprintf.
std::string Printed(std::string const& spec, char conversion, std::string const& length, va_list& arguments)
{
    // A C string takes no length modifier here: %ls would be a wide one, which the stand-in does not know.
    std::string const format = spec + (conversion == 's' ? std::string() : length) + conversion;
    char small[128];
    auto print = [&](auto value)
    {
        int const needed = std::snprintf(small, sizeof small, format.c_str(), value);
        if (needed < 0)
            return std::string();
        if (static_cast<std::size_t>(needed) < sizeof small)
            return std::string(small, static_cast<std::size_t>(needed));
        std::string text(static_cast<std::size_t>(needed) + 1, '\0');
        std::snprintf(&text[0], text.size(), format.c_str(), value);
        text.resize(static_cast<std::size_t>(needed));
        return text;
    };
    if (conversion == 's')
    {
        char const* const text = va_arg(arguments, char const*);
        return print(text ? text : "(null)");
    }
    bool const isSigned = conversion == 'd' || conversion == 'i';
    if (conversion == 'f' || conversion == 'F' || conversion == 'e' || conversion == 'E' ||
        conversion == 'g' || conversion == 'G')
        return print(va_arg(arguments, double));
    if (conversion == 'c')
        return print(va_arg(arguments, int));
    if (length == "ll" || length == "q" || length == "j")
        return isSigned ? print(va_arg(arguments, long long)) : print(va_arg(arguments, unsigned long long));
    if (length == "l" || length == "z")
        return isSigned ? print(va_arg(arguments, long)) : print(va_arg(arguments, unsigned long));
    return isSigned ? print(va_arg(arguments, int)) : print(va_arg(arguments, unsigned int));
}
} // namespace

CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                   CFStringCompareFlags compareOptions)
{
    CodePoints const first = PointsOf(theString1 ? theString1->Units() : nullptr,
                                      CFStringGetLength(theString1), Folds(compareOptions));
    CodePoints const second = PointsOf(theString2 ? theString2->Units() : nullptr,
                                       CFStringGetLength(theString2), Folds(compareOptions));
    if (first.fPoints < second.fPoints)
        return kCFCompareLessThan;
    return first.fPoints == second.fPoints ? kCFCompareEqualTo : kCFCompareGreaterThan;
}

CFRange CFStringFind(CFStringRef theString, CFStringRef stringToFind, CFStringCompareFlags compareOptions)
{
    if (!theString || !stringToFind)
        return CFRangeMake(kCFNotFound, 0);
    CodePoints const in = PointsOf(theString->Units(), theString->Length(), Folds(compareOptions));
    CodePoints const what = PointsOf(stringToFind->Units(), stringToFind->Length(), Folds(compareOptions));
    long const found = FindPoints(in, what, 0, in.fPoints.size());
    if (found < 0)
        return CFRangeMake(kCFNotFound, 0);
    CFIndex const start = in.fStarts[static_cast<std::size_t>(found)];
    return CFRangeMake(start, in.fStarts[static_cast<std::size_t>(found) + what.fPoints.size()] - start);
}

CFIndex CFStringFindAndReplace(CFMutableStringRef theString, CFStringRef stringToFind,
                               CFStringRef replacementString, CFRange rangeToSearch,
                               CFStringCompareFlags compareOptions)
{
    if (!theString || !stringToFind || theString->fExternal || rangeToSearch.location < 0 ||
        rangeToSearch.length < 0 || rangeToSearch.location + rangeToSearch.length > theString->Length())
        return 0;
    CodePoints const in = PointsOf(theString->Units(), theString->Length(), Folds(compareOptions));
    CodePoints const what = PointsOf(stringToFind->Units(), stringToFind->Length(), Folds(compareOptions));
    std::vector<UniChar> const replacement = UnitsOf(replacementString);
    CFIndex const searchEnd = rangeToSearch.location + rangeToSearch.length;
    // The range in code points: a pair of units cut by the range is left out of it.
    std::size_t from = 0;
    while (from < in.fPoints.size() && in.fStarts[from] < rangeToSearch.location)
        ++from;
    std::size_t end = from;
    while (end < in.fPoints.size() && in.fStarts[end + 1] <= searchEnd)
        ++end;
    std::vector<UniChar> result;
    CFIndex copied = 0;
    CFIndex count = 0;
    UniChar const* const units = theString->Units();
    for (long found = FindPoints(in, what, from, end); found >= 0;
         found = FindPoints(in, what, static_cast<std::size_t>(found) + what.fPoints.size(), end))
    {
        CFIndex const start = in.fStarts[static_cast<std::size_t>(found)];
        result.insert(result.end(), units + copied, units + start);
        result.insert(result.end(), replacement.begin(), replacement.end());
        copied = in.fStarts[static_cast<std::size_t>(found) + what.fPoints.size()];
        ++count;
    }
    if (count == 0)
        return 0;
    result.insert(result.end(), units + copied, units + theString->Length());
    theString->fUnits.swap(result);
    return count;
}

SInt32 CFStringGetIntValue(CFStringRef str)
{
    std::vector<UniChar> const units = UnitsOf(str);
    std::size_t i = 0;
    while (i < units.size() && (units[i] == ' ' || units[i] == '\t' || units[i] == '\n' || units[i] == '\r'))
        ++i;
    bool negative = false;
    if (i < units.size() && (units[i] == '-' || units[i] == '+'))
        negative = units[i++] == '-';
    long long value = 0;
    for (; i < units.size() && units[i] >= '0' && units[i] <= '9'; ++i)
    {
        value = value * 10 + (units[i] - '0');
        if (value > static_cast<long long>(INT32_MAX) + 1)
            return negative ? INT32_MIN : INT32_MAX;
    }
    if (negative)
        return static_cast<SInt32>(-value);
    return value > INT32_MAX ? INT32_MAX : static_cast<SInt32>(value);
}

CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFTypeRef formatOptions, CFStringRef format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    CFStringRef const result = CFStringCreateWithFormatAndArguments(alloc, formatOptions, format, arguments);
    va_end(arguments);
    return result;
}

CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef, CFTypeRef, CFStringRef format,
                                                 va_list arguments)
{
    if (!format)
        return nullptr;
    va_list rest;
    va_copy(rest, arguments);
    std::string const text = CFStringStandInGetUTF8(format);
    std::vector<UniChar> units;
    std::string literal;
    for (std::size_t i = 0; i < text.size();)
    {
        if (text[i] != '%')
        {
            literal += text[i++];
            continue;
        }
        std::size_t const start = i++;
        std::string spec = "%";
        while (i < text.size() && std::strchr("-+ #0", text[i]))
            spec += text[i++];
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            spec += text[i++];
        if (i < text.size() && text[i] == '.')
        {
            spec += text[i++];
            while (i < text.size() && text[i] >= '0' && text[i] <= '9')
                spec += text[i++];
        }
        std::string length;
        while (i < text.size() && std::strchr("hlqzj", text[i]) && length.size() < 2)
            length += text[i++];
        if (i >= text.size())
        {
            literal += text.substr(start);
            break;
        }
        char const conversion = text[i++];
        if (conversion == '%')
        {
            literal += '%';
            continue;
        }
        AppendUTF8Text(units, literal);
        literal.clear();
        if (conversion == '@')
        {
            CFTypeRef const object = va_arg(rest, CFTypeRef);
            __CFString const* const string =
                object ? dynamic_cast<__CFString const*>(static_cast<CFStandInObject const*>(object))
                       : nullptr;
            if (string)
            {
                std::vector<UniChar> const more = UnitsOf(string);
                units.insert(units.end(), more.begin(), more.end());
            }
            else
                AppendUTF8Text(units, object ? "<CFType>" : "(null)");
        }
        else if (std::strchr("diouxXcsfFeEgG", conversion))
            AppendUTF8Text(units, Printed(spec, conversion, length, rest));
        else
            literal += text.substr(start, i - start);
    }
    AppendUTF8Text(units, literal);
    va_end(rest);
    __CFString* string = new __CFString;
    string->fUnits.swap(units);
    return string;
}
