// Names of shared objects: the characters they may hold, joining, the prefixes of each kind of
// object and the special ids.
#include <gtest/gtest.h>

#include <string>

#include "ErrorOf.h"
#include "GCCLSendrixCoreLayer.h"
#include "GIPPrefix.h"
#include "GShMemID.h"
#include "SharedObjects.h"
#include "StringText.h"

namespace
{
using deliverytest::BufferOf;
using deliverytest::TextOf;
using testsupport::ErrorOf;

constexpr int cInvalidCharacters = 40162;

struct NameCase
{
    std::string fText;
    int fError;
};

std::vector<NameCase> const cNameCases = {
    {"", 0},
    {"GIPC_PP", 0},
    {"AZaz09_", 0},
    {"P812MQ1234567", 0},
    {"a-b", cInvalidCharacters},
    {"a b", cInvalidCharacters},
    {"a.b", cInvalidCharacters},
    {"a/b", cInvalidCharacters},
    {"-812", cInvalidCharacters},
    {"tab\t", cInvalidCharacters},
    {"\x7f", cInvalidCharacters},
    {"caf\xc3\xa9", cInvalidCharacters},
};
} // namespace

TEST(GShMemIDTest, TakesOnlyLettersDigitsAndUnderscoreFromTextAndBytes)
{
    for (NameCase const& entry : cNameCases)
    {
        SCOPED_TRACE(entry.fText);
        GShMemID fromText;
        EXPECT_EQ(ErrorOf([&] { fromText = GShMemID(entry.fText.c_str()); }), entry.fError);
        GShMemID fromBytes;
        EXPECT_EQ(ErrorOf([&] { fromBytes = GShMemID(BufferOf(entry.fText)); }), entry.fError);
        if (entry.fError == 0)
        {
            EXPECT_EQ(TextOf(fromText), entry.fText);
            EXPECT_EQ(TextOf(fromBytes), entry.fText);
            EXPECT_EQ(fromText.IsEmpty(), entry.fText.empty());
        }
        else
        {
            EXPECT_TRUE(fromText.IsEmpty()) << "a refused text leaves the target as it was";
        }
    }
}

TEST(GShMemIDTest, RefusesAZeroByteInsideBytes)
{
    // A name cut at the zero would open another object than the one named.
    EXPECT_EQ(ErrorOf([] { GShMemID(BufferOf(std::string("ab\0cd", 5))); }), cInvalidCharacters);
    EXPECT_EQ(ErrorOf([] { GShMemID(BufferOf(std::string("\0ab", 3))); }), cInvalidCharacters);
}

TEST(GShMemIDTest, TakesStringsOfASCIIAndRefusesAnyOtherCharacter)
{
    struct Case
    {
        std::string fUtf8;
        int fError;
    };
    Case const cases[] = {
        {"", 0},
        {"GIPCTest", 0},
        {"Stra\xc3\x9f"
         "e",
         cInvalidCharacters},
        // Characters that an ASCII conversion drops or replaces by an allowed one.
        {"ab\xe2\x82\xac", cInvalidCharacters},
        {"x\xc2\xa0y", cInvalidCharacters},
        {"\xef\xbd\x81", cInvalidCharacters},
        {"a-b", cInvalidCharacters},
    };
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(entry.fUtf8);
        GShMemID id;
        EXPECT_EQ(ErrorOf([&] { id = GShMemID(testsupport::TextOf(entry.fUtf8)); }), entry.fError);
        if (entry.fError == 0)
        {
            EXPECT_EQ(TextOf(id), entry.fUtf8);
        }
    }
}

TEST(GShMemIDTest, JoinsTextsWithoutSeparator)
{
    GShMemID const joined = GShMemID("P") + GShMemID("812") + GShMemID("MQ") + GShMemID("1234567");
    EXPECT_EQ(TextOf(joined), "P812MQ1234567");
    GShMemID grown("GIPC");
    grown += GShMemID("_PP");
    EXPECT_EQ(TextOf(grown), "GIPC_PP");
    EXPECT_EQ(TextOf(GShMemID() + GShMemID("x")), "x");
    EXPECT_TRUE((GShMemID() + GShMemID()).IsEmpty());
    EXPECT_EQ(GShMemID("ab") + GShMemID("c"), GShMemID("abc"));
    EXPECT_NE(GShMemID("ab"), GShMemID("abc"));
}

TEST(GIPPrefixTest, GivesThePrefixOfEachKindAndNoneBeyond)
{
    struct Case
    {
        int fID;
        char const* fPrefix;
    };
    Case const cases[] = {{0, "ZlvDef"}, {1, "ZlvMtx"}, {2, "ZlvShD"},
                          {3, "ZlvShL"}, {4, nullptr},  {-1, nullptr}};
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(entry.fID);
        char const* prefix = GIPPrefix::GetPrefix(static_cast<GIPPrefix::ID>(entry.fID));
        if (entry.fPrefix)
            EXPECT_STREQ(prefix, entry.fPrefix);
        else
            EXPECT_EQ(prefix, nullptr);
    }
}

TEST(GShMemIDTest, SpecialIDsExistFromTheLayersStartToItsStop)
{
    ASSERT_EQ(GCCLSendrixCoreLayer::GetInitializeCount(), 0);
    EXPECT_TRUE(GShMemID::GetSpecialID(201).IsEmpty());

    GCCLSendrixCoreLayer::Initialize();
    struct Case
    {
        int fKey;
        std::string fText;
    };
    Case const cases[] = {{1, "P"},      {2, "G"},          {3, "M"}, {101, "MQ"}, {102, "PS"},
                          {201, "GIPC"}, {202, "GIPCTest"}, {4, ""},  {0, ""},     {-1, ""}};
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(entry.fKey);
        EXPECT_EQ(TextOf(GShMemID::GetSpecialID(entry.fKey)), entry.fText);
    }
    GCCLSendrixCoreLayer::Finalize();

    for (Case const& entry : cases)
    {
        SCOPED_TRACE(entry.fKey);
        EXPECT_TRUE(GShMemID::GetSpecialID(entry.fKey).IsEmpty());
    }
}
