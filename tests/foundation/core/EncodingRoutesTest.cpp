// Every route between the eight fixed encodings, both ways: text that both ends hold arrives whole with
// result 1; one character the target cannot hold, or one byte the source cannot read, becomes exactly
// one default character with a lossy result; UTF-8 that cannot be read fails on every route.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "EncodingTestSupport.h"
#include "GASCIIEncoding.h"
#include "GMacExpertEncoding.h"
#include "GMacRomanEncoding.h"
#include "GPDFDocEncoding.h"
#include "GStandardEncoding.h"
#include "GUTF8Encoding.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"

using namespace encodingtest;

namespace
{
constexpr unsigned cComplete = GEncodingResult::cComplete;
constexpr unsigned cLossy = GEncodingResult::cLossy;
constexpr unsigned cFailed = GEncodingResult::cFailed;

enum Kind
{
    cASCII,
    cUTF8,
    cUnicode,
    cMacRoman,
    cWinAnsi,
    cPDFDoc,
    cStandard,
    cMacExpert,
    cKinds
};

// One encoding as an end of a route.
struct Encoding
{
    char const* name;
    GEncoding const* (*get)();
    // The source's ConvertTo with this encoding's kind as target; null where there is none (UTF-8).
    unsigned (*convertTo)(GEncoding const* source, GBuffer const& src, GBuffer& out);
    // A byte this encoding does not read; -1 where every byte sequence it can be given is text.
    int unreadable;
};

Encoding const cEncodings[cKinds] = {
    {"ASCII", [] { return static_cast<GEncoding const*>(GASCIIEncoding::GetInstance()); },
     [](GEncoding const* s, GBuffer const& src, GBuffer& out)
     { return s->ConvertTo(src, GASCIIEncoding::GetInstance(), out); },
     0x80},
    {"UTF-8", [] { return static_cast<GEncoding const*>(GUTF8Encoding::GetInstance()); }, nullptr, -1},
    {"Unicode", [] { return static_cast<GEncoding const*>(GUnicodeEncoding::GetInstance()); },
     [](GEncoding const* s, GBuffer const& src, GBuffer& out)
     { return s->ConvertTo(src, GUnicodeEncoding::GetInstance(), out); },
     -1},
    {"MacRoman", [] { return static_cast<GEncoding const*>(GMacRomanEncoding::GetInstance()); },
     [](GEncoding const* s, GBuffer const& src, GBuffer& out)
     { return s->ConvertTo(src, GMacRomanEncoding::GetInstance(), out); },
     0xF0},
    {"WinAnsi", [] { return static_cast<GEncoding const*>(GWinAnsiEncoding::GetInstance()); },
     [](GEncoding const* s, GBuffer const& src, GBuffer& out)
     { return s->ConvertTo(src, GWinAnsiEncoding::GetInstance(), out); },
     0x05},
    {"PDFDoc", [] { return static_cast<GEncoding const*>(GPDFDocEncoding::GetInstance()); },
     [](GEncoding const* s, GBuffer const& src, GBuffer& out)
     { return s->ConvertTo(src, GPDFDocEncoding::GetInstance(), out); },
     0xAD},
    {"Standard", [] { return static_cast<GEncoding const*>(GStandardEncoding::GetInstance()); },
     [](GEncoding const* s, GBuffer const& src, GBuffer& out) {
         return s->ConvertTo(src, static_cast<GCustomEncoding const*>(GStandardEncoding::GetInstance()), out);
     },
     0xA0},
    {"MacExpert", [] { return static_cast<GEncoding const*>(GMacExpertEncoding::GetInstance()); },
     [](GEncoding const* s, GBuffer const& src, GBuffer& out) {
         return s->ConvertTo(src, static_cast<GCustomEncoding const*>(GMacExpertEncoding::GetInstance()),
                             out);
     },
     0x41},
};

// A character with its bytes in every encoding that holds it (empty = not held), in the order of
// Kind. The Unicode column is made from the units. The single-byte codes are those of the published
// tables the encodings are built from.
struct Character
{
    char const* name;
    Units units;
    Bytes bytes[cKinds];
};

// clang-format off
Character const cCharacters[] = {
    //                       ASCII    UTF-8               Unicode MacRoman WinAnsi PDFDoc  Standard MacExpert
    {"space",       {0x0020}, {{0x20}, {0x20},             {},     {0x20},  {0x20},  {0x20}, {0x20},  {0x20}}},
    {"comma",       {0x002C}, {{0x2C}, {0x2C},             {},     {0x2C},  {0x2C},  {0x2C}, {0x2C},  {0x2C}}},
    {"hyphen",      {0x002D}, {{0x2D}, {0x2D},             {},     {0x2D},  {0x2D},  {0x2D}, {0x2D},  {0x2D}}},
    {"period",      {0x002E}, {{0x2E}, {0x2E},             {},     {0x2E},  {0x2E},  {0x2E}, {0x2E},  {0x2E}}},
    {"A",           {0x0041}, {{0x41}, {0x41},             {},     {0x41},  {0x41},  {0x41}, {0x41},  {}}},
    {"quotesingle", {0x0027}, {{0x27}, {0x27},             {},     {0x27},  {0x27},  {0x27}, {0xA9},  {}}},
    {"quoteright",  {0x2019}, {{},     {0xE2, 0x80, 0x99}, {},     {0xD5},  {0x92},  {0x90}, {0x27},  {}}},
    {"eacute",      {0x00E9}, {{},     {0xC3, 0xA9},       {},     {0x8E},  {0xE9},  {0xE9}, {},      {}}},
    {"germandbls",  {0x00DF}, {{},     {0xC3, 0x9F},       {},     {0xA7},  {0xDF},  {0xDF}, {0xFB},  {}}},
    {"OE",          {0x0152}, {{},     {0xC5, 0x92},       {},     {0xCE},  {0x8C},  {0x96}, {0xEA},  {}}},
    {"dotlessi",    {0x0131}, {{},     {0xC4, 0xB1},       {},     {0xF5},  {},      {0x9A}, {0xF5},  {}}},
    {"fi",          {0xFB01}, {{},     {0xEF, 0xAC, 0x81}, {},     {0xDE},  {},      {0x93}, {0xAE},  {0x57}}},
    {"onehalf",     {0x00BD}, {{},     {0xC2, 0xBD},       {},     {},      {0xBD},  {0xBD}, {},      {0x48}}},
    {"Euro",        {0x20AC}, {{},     {0xE2, 0x82, 0xAC}, {},     {},      {0x80},  {0xA0}, {},      {}}},
    {"CJK one",     {0x4E00}, {{},     {0xE4, 0xB8, 0x80}, {},     {},      {},      {},     {},      {}}},
    {"grinning face", {0xD83D, 0xDE00}, {{}, {0xF0, 0x9F, 0x98, 0x80}, {}, {}, {},   {},     {},      {}}},
};
// clang-format on

bool Holds(Kind kind, Character const& c)
{
    return kind == cUnicode || !c.bytes[kind].empty();
}

Bytes BytesIn(Kind kind, Character const& c)
{
    return kind == cUnicode ? BytesOf(BufferOf(c.units)) : c.bytes[kind];
}

// The default character as the target writes it: one unit in Unicode, one byte everywhere else.
Bytes DefaultIn(Kind kind)
{
    return kind == cUnicode ? BytesOf(BufferOf(Units{'@'})) : Bytes{'@'};
}

// '@' itself: every target but MacExpert holds it, so writing it for a source's unreadable byte is
// lossy in MacExpert only.
bool HoldsDefault(Kind kind)
{
    return kind != cMacExpert;
}

void Append(Bytes& to, Bytes const& bytes)
{
    to.insert(to.end(), bytes.begin(), bytes.end());
}

std::string RouteName(Kind from, Kind to)
{
    return std::string(cEncodings[from].name) + " -> " + cEncodings[to].name;
}

unsigned Step(bool lossy)
{
    return lossy ? cLossy : cComplete;
}

// The result of the target's ConvertFrom when reading the source's text and writing the target's are
// each lossy or not. Writing UTF-16 or UTF-8 loses nothing, and from Unicode only the writing step is
// taken; the ASCII target goes through UTF-16 in two steps and ORs them; a custom target's result is
// that of writing, or, when reading already lost something, of both steps.
unsigned ConvertFromResult(Kind from, Kind to, bool readLossy, bool writeLossy)
{
    if (to == cUnicode || to == cUTF8)
        return Step(readLossy);
    if (from == cUnicode)
        return Step(writeLossy);
    if (to == cASCII || readLossy)
        return Step(readLossy) | Step(writeLossy);
    return Step(writeLossy);
}

// The result of the source's ConvertTo with the target's kind: one step from Unicode or into it, two
// steps through UTF-16 with their OR otherwise.
unsigned ConvertToResult(Kind from, Kind to, bool readLossy, bool writeLossy)
{
    if (from == cUnicode)
        return Step(writeLossy);
    if (to == cUnicode)
        return Step(readLossy);
    return Step(readLossy) | Step(writeLossy);
}

// Runs a route both ways a caller can take it: the target's ConvertFrom, and the source's ConvertTo
// with the target's kind.
void ExpectRoute(Kind from, Kind to, Bytes const& src, Bytes const& expected, bool readLossy, bool writeLossy)
{
    GEncoding const* source = cEncodings[from].get();
    GEncoding const* target = cEncodings[to].get();
    GBuffer out("stale");
    EXPECT_EQ(target->ConvertFrom(BufferOf(src), source, out),
              ConvertFromResult(from, to, readLossy, writeLossy))
        << "ConvertFrom";
    EXPECT_EQ(BytesOf(out), expected) << "ConvertFrom";
    if (cEncodings[to].convertTo)
    {
        GBuffer direct("stale");
        EXPECT_EQ(cEncodings[to].convertTo(source, BufferOf(src), direct),
                  ConvertToResult(from, to, readLossy, writeLossy))
            << "ConvertTo";
        EXPECT_EQ(BytesOf(direct), expected) << "ConvertTo";
    }
}

std::vector<Kind> AllKinds()
{
    std::vector<Kind> kinds;
    for (int k = 0; k < cKinds; ++k)
        kinds.push_back(static_cast<Kind>(k));
    return kinds;
}
} // namespace

TEST(EncodingRoutesTest, TextBothEndsHoldArrivesWhole)
{
    for (Kind from : AllKinds())
        for (Kind to : AllKinds())
        {
            SCOPED_TRACE(RouteName(from, to));
            Bytes src;
            Bytes expected;
            int shared = 0;
            for (Character const& c : cCharacters)
                if (Holds(from, c) && Holds(to, c))
                {
                    Append(src, BytesIn(from, c));
                    Append(expected, BytesIn(to, c));
                    ++shared;
                }
            ASSERT_GE(shared, 4);
            ExpectRoute(from, to, src, expected, false, false);
            ExpectRoute(from, to, {}, {}, false, false);
        }
}

TEST(EncodingRoutesTest, OneCharacterTheTargetCannotHoldBecomesOneDefaultCharacter)
{
    int routes = 0;
    for (Kind from : AllKinds())
        for (Kind to : AllKinds())
        {
            // The first character the source holds and the target lacks, between two it both hold. Only
            // characters of one UTF-16 unit: surrogate pairs have a test of their own below.
            Character const* lacking = nullptr;
            for (Character const& c : cCharacters)
                if (c.units.size() == 1 && Holds(from, c) && !Holds(to, c))
                {
                    lacking = &c;
                    break;
                }
            if (!lacking)
                continue;
            SCOPED_TRACE(RouteName(from, to) + ", " + lacking->name);
            Character const& space = cCharacters[0];
            Bytes src = BytesIn(from, space);
            Append(src, BytesIn(from, *lacking));
            Append(src, BytesIn(from, space));
            Bytes expected = BytesIn(to, space);
            Append(expected, DefaultIn(to));
            Append(expected, BytesIn(to, space));
            ExpectRoute(from, to, src, expected, false, true);
            ++routes;
        }
    // Every target that holds less than Unicode is reached lossily from UTF-8 at least.
    EXPECT_GE(routes, 6 * 3);
}

// The text was cut short for every source that reads bytes: with the unreadable byte in the middle,
// the route used to give up and deliver nothing at all to a single-byte target.
TEST(EncodingRoutesTest, OneByteTheSourceCannotReadBecomesOneDefaultCharacter)
{
    for (Kind from : AllKinds())
    {
        if (cEncodings[from].unreadable < 0)
            continue;
        for (Kind to : AllKinds())
        {
            SCOPED_TRACE(RouteName(from, to));
            Character const& space = cCharacters[0];
            Bytes src = BytesIn(from, space);
            src.push_back(static_cast<unsigned char>(cEncodings[from].unreadable));
            Append(src, BytesIn(from, space));
            Bytes expected = BytesIn(to, space);
            Append(expected, DefaultIn(to));
            Append(expected, BytesIn(to, space));
            // Reading is lossy; writing the default character is lossy too where the target lacks it.
            ExpectRoute(from, to, src, expected, true, !HoldsDefault(to));
        }
    }
}

// A character outside the first plane is one character in two UTF-16 units; a target that cannot hold
// it writes one default character for it, not one per unit.
TEST(EncodingRoutesTest, CharacterOutsideTheFirstPlaneBecomesOneDefaultCharacter)
{
    Character const& face = cCharacters[sizeof cCharacters / sizeof cCharacters[0] - 1];
    Character const& space = cCharacters[0];
    for (Kind from : {cUTF8, cUnicode})
        for (Kind to : AllKinds())
        {
            if (Holds(to, face))
                continue;
            SCOPED_TRACE(RouteName(from, to));
            Bytes src = BytesIn(from, space);
            Append(src, BytesIn(from, face));
            Append(src, BytesIn(from, space));
            Bytes expected = BytesIn(to, space);
            Append(expected, DefaultIn(to));
            Append(expected, BytesIn(to, space));
            ExpectRoute(from, to, src, expected, false, true);
        }
}

TEST(EncodingRoutesTest, UnreadableUTF8FailsOnEveryRoute)
{
    // "A" and a stray continuation byte.
    Bytes const src{0x41, 0x80};
    GEncoding const* utf8 = GUTF8Encoding::GetInstance();
    for (Kind to : AllKinds())
    {
        SCOPED_TRACE(cEncodings[to].name);
        GBuffer out("kept");
        EXPECT_EQ(cEncodings[to].get()->ConvertFrom(BufferOf(src), utf8, out), cFailed);
        // Decoding keeps what it read before the failure; every further step delivers nothing, and
        // the two-step routes into ASCII leave the caller's output as it was.
        if (to == cUnicode)
            EXPECT_EQ(UnitsOf(out), Units{0x41});
        else if (to == cASCII)
            EXPECT_EQ(TextOf(out), "kept");
        else
            EXPECT_EQ(out.GetLength(), 0);

        if (cEncodings[to].convertTo && to != cUnicode)
        {
            GBuffer direct("kept");
            EXPECT_EQ(cEncodings[to].convertTo(utf8, BufferOf(src), direct), cFailed);
            EXPECT_EQ(TextOf(direct), "kept");
        }
    }
}
