// The store of a preference module and its preference text: the bytes written, what reads back,
// text that is cut or damaged anywhere, nested transactions, and the memory module made from text.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "GBuffer.h"
#include "GMemoryOutStream.h"
#include "GPrefMemoryModule.h"
#include "GString.h"
#include "GUnicodeEncoding.h"
#include "GWinAnsiEncoding.h"
#include "StringText.h"

using testsupport::TextOf;
using testsupport::Utf8Of;

namespace
{
// Group to key to value, all as UTF-8 text.
using Store = std::map<std::string, std::map<std::string, std::string>>;

GBuffer Name(std::string const& text)
{
    return GBuffer(text.c_str());
}

void Fill(GPrefModule& module, Store const& store)
{
    for (auto const& [group, keys] : store)
        for (auto const& [key, value] : keys)
            module.Set(Name(group), Name(key), TextOf(value));
}

Store Contents(GPrefModule const& module)
{
    Store store;
    GTable<GBuffer> groups;
    module.GetGroupNames(groups);
    for (int g = 0; g < groups.GetCount(); ++g)
    {
        std::string const group(reinterpret_cast<char const*>(groups[g].GetPtr()),
                                std::size_t(groups[g].GetLength()));
        GDict<GBuffer, GString> values;
        module.GetGroupPreferences(groups[g], values);
        auto& keys = store[group];
        values.ForEach(
            [&keys](GBuffer const& key, GString const& value)
            {
                keys[std::string(reinterpret_cast<char const*>(key.GetPtr()), std::size_t(key.GetLength()))] =
                    Utf8Of(value);
            });
    }
    return store;
}

std::string BytesOf(GBuffer const& bytes)
{
    return std::string(reinterpret_cast<char const*>(bytes.GetPtr()), std::size_t(bytes.GetLength()));
}

std::string TextBytes(GPrefModule const& module, GEncoding* encoding)
{
    GBuffer bytes;
    GMemoryOutStream sink(bytes);
    module.GetPrefsDataToStream(sink, encoding);
    return BytesOf(bytes);
}

// ASCII text as UTF-16 little-endian bytes behind the byte-order mark.
std::string Utf16File(std::string const& ascii)
{
    std::string bytes = "\xFF\xFE";
    for (char c : ascii)
    {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

GString Utf16Text(std::string const& bytes)
{
    return GString(reinterpret_cast<unsigned char const*>(bytes.data()), int(bytes.size()),
                   GUnicodeEncoding::GetInstance(), true);
}

// Each group's block in the module's UTF-16 text, in the order the groups are written: where its
// name's quote stands, where its "#ENDDICT" begins and where the line of that ends.
struct Block
{
    std::string fGroup;
    std::size_t fStart, fEndKeyword, fEnd;
};

std::vector<Block> BlocksOf(GPrefModule const& module, std::string const& bytes)
{
    std::vector<Block> blocks;
    std::string const endDict = Utf16File("#ENDDICT\r").substr(2);
    GTable<GBuffer> order;
    module.GetGroupNames(order);
    std::size_t from = 0;
    for (int g = 0; g < order.GetCount(); ++g)
    {
        std::string const group = BytesOf(order[g]);
        std::size_t const start = bytes.find(Utf16File("\"" + group + "\"").substr(2), from);
        std::size_t const keyword = bytes.find(endDict, start);
        blocks.push_back({group, start, keyword, keyword + endDict.size()});
        from = keyword + endDict.size();
    }
    return blocks;
}

Store const cThreeGroups = {
    {"General", {{"UnitV3", "cm"}, {"Language", "deDE"}}},
    {"PluginSettings", {{"Bleed", "true"}, {"Path", "/Users/me/Documents/Job \xC3\xA9t\xC3\xA9.pdf"}}},
    {"Window", {{"Geometry", "10 20 300 400"}}},
};
} // namespace

TEST(GPrefModuleTextTest, WritesTheTextByteForByte)
{
    GPrefMemoryModule module;
    module.Set(Name("General"), Name("UnitV3"), GString("cm"));
    std::string const text =
        "#BEGINPREFS\r\r\"General\"\r#BEGINDICT\r\"UnitV3\" \"cm\"\r#ENDDICT\r\r#ENDPREFS\r";
    EXPECT_EQ(TextBytes(module, GUnicodeEncoding::GetInstance()), Utf16File(text));
    EXPECT_EQ(TextBytes(module, GWinAnsiEncoding::GetInstance()), text) << "8-bit text has no mark";
}

TEST(GPrefModuleTextTest, GroupsWithoutKeysAreLeftOut)
{
    GPrefMemoryModule module;
    module.Set(Name("Gone"), Name("a"), GString("1"));
    module.Set(Name("Kept"), Name("b"), GString("2"));
    module.Remove(Name("Gone"), Name("a"));
    EXPECT_EQ(TextBytes(module, GWinAnsiEncoding::GetInstance()),
              "#BEGINPREFS\r\r\"Kept\"\r#BEGINDICT\r\"b\" \"2\"\r#ENDDICT\r\r#ENDPREFS\r");
    GPrefMemoryModule empty;
    EXPECT_EQ(TextBytes(empty, GWinAnsiEncoding::GetInstance()), "#BEGINPREFS\r\r#ENDPREFS\r");
}

TEST(GPrefModuleTextTest, ValuesReadBackAsTheyWereEscaped)
{
    struct Case
    {
        char const* fName;
        std::string fValue;
        std::string fWritten;
        std::string fReadBack;
    };
    Case const cases[] = {
        {"quote, backslash and tab", "a\"b\\c\td", "a\\\"b\\\\c\\td", "a\"b\\c\td"},
        {"CR LF in a row", "line 1\r\nline 2", "line 1\\nline 2", "line 1\rline 2"},
        {"LF alone", "x\ny", "x\\ny", "x\ry"},
        {"not ASCII", "\xC3\xA9\xE2\x82\xAC \xF0\x9F\x98\x80", "\xC3\xA9\xE2\x82\xAC \xF0\x9F\x98\x80",
         "\xC3\xA9\xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"empty", "", "", ""},
        {"looks like a keyword", "#ENDDICT", "#ENDDICT", "#ENDDICT"},
        // The escape's letter must not merge with the mark into one character (U+1E4B).
        {"line end before a combining mark", "a\r\xCC\xAD", "a\\n\xCC\xAD", "a\r\xCC\xAD"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        GPrefMemoryModule module;
        module.Set(Name("G"), Name("k"), TextOf(c.fValue));
        GString text;
        module.GetPrefsData(text);
        EXPECT_NE(Utf8Of(text).find("\"k\" \"" + c.fWritten + "\"\r"), std::string::npos) << Utf8Of(text);

        GPrefMemoryModule back(text);
        EXPECT_FALSE(back.WasReadIncomplete());
        EXPECT_EQ(Utf8Of(back.Get(Name("G"), Name("k"))), c.fReadBack);
    }
}

TEST(GPrefModuleTextTest, PrefsDataMakesAnEqualModule)
{
    GPrefMemoryModule module;
    Fill(module, cThreeGroups);
    GString text;
    module.GetPrefsData(text);
    GPrefMemoryModule back(text);
    EXPECT_EQ(Contents(back), cThreeGroups);
    EXPECT_FALSE(back.IsDirty());
    GString again;
    back.GetPrefsData(again);
    GPrefMemoryModule third(again);
    EXPECT_EQ(Contents(third), cThreeGroups);
}

TEST(GPrefModuleTextTest, ReadsTextInItsOwnEncoding)
{
    std::string const text = "#BEGINPREFS\r\"G\"\r#BEGINDICT\r\"k\" \"caf\xC3\xA9\"\r#ENDDICT\r#ENDPREFS\r";
    GPrefMemoryModule fromUtf8(TextOf(text));
    EXPECT_EQ(Utf8Of(fromUtf8.Get(Name("G"), Name("k"))), "caf\xC3\xA9");
    std::string const winAnsi = "#BEGINPREFS\n\"G\"\n#BEGINDICT\n\"k\" \"caf\xE9\"\n#ENDDICT\n#ENDPREFS\n";
    GPrefMemoryModule fromWinAnsi(GString(GBuffer(winAnsi.c_str()), GWinAnsiEncoding::GetInstance(), true));
    EXPECT_EQ(Utf8Of(fromWinAnsi.Get(Name("G"), Name("k"))), "caf\xC3\xA9");
}

TEST(GPrefModuleTextTest, ReadsWhatItCanOfTextThatIsNotWhole)
{
    struct Case
    {
        char const* fName;
        std::string fText;
        Store fExpected;
        bool fIncomplete;
    };
    std::string const a = "\"A\"\r#BEGINDICT\r\"k\" \"1\"\r#ENDDICT\r";
    std::string const b = "\"B\"\r#BEGINDICT\r\"k\" \"2\"\r#ENDDICT\r";
    Case const cases[] = {
        {"whole", "#BEGINPREFS\r" + a + b + "#ENDPREFS\r", {{"A", {{"k", "1"}}}, {"B", {{"k", "2"}}}}, false},
        {"no end phrase", "#BEGINPREFS\r" + a + b, {{"A", {{"k", "1"}}}, {"B", {{"k", "2"}}}}, false},
        {"not preference text", "[General]\rUnitV3=cm\r", {}, true},
        {"nothing at all", "", {}, false},
        {"white space only", " \r\n\t", {}, false},
        {"begin phrase only", "#BEGINPREFS", {}, false},
        {"block without its end",
         "#BEGINPREFS\r" + a + "\"B\"\r#BEGINDICT\r\"k\" \"2\"\r" + a,
         {{"A", {{"k", "1"}}}},
         true},
        {"block cut in a value",
         "#BEGINPREFS\r" + a + "\"B\"\r#BEGINDICT\r\"k\" \"2",
         {{"A", {{"k", "1"}}}},
         true},
        {"name cut", "#BEGINPREFS\r" + a + "\"B", {{"A", {{"k", "1"}}}}, true},
        {"name without block", "#BEGINPREFS\r" + a + "\"B\"\r#ENDPREFS\r", {{"A", {{"k", "1"}}}}, true},
        {"stray word", "#BEGINPREFS\r" + a + "stray\r" + b + "#ENDPREFS\r", {{"A", {{"k", "1"}}}}, true},
        {"group twice keeps the second",
         "#BEGINPREFS\r" + a + "\"A\"\r#BEGINDICT\r\"j\" \"3\"\r#ENDDICT\r#ENDPREFS\r",
         {{"A", {{"j", "3"}}}},
         false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        GPrefMemoryModule module(TextOf(c.fText));
        EXPECT_EQ(Contents(module), c.fExpected);
        EXPECT_EQ(module.WasReadIncomplete(), c.fIncomplete);
        EXPECT_FALSE(module.IsDirty());
    }
}

TEST(GPrefModuleTextTest, TextCutAnywhereKeepsEveryGroupReadBeforeTheCut)
{
    GPrefMemoryModule whole;
    Fill(whole, cThreeGroups);
    GString text;
    whole.GetPrefsData(text);
    std::string const bytes = BytesOf(text.GetBuffer(GUnicodeEncoding::GetInstance()));
    Store const full = Contents(whole);
    std::vector<Block> const blocks = BlocksOf(whole, bytes);

    for (std::size_t cut = 0; cut <= bytes.size(); ++cut)
    {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        GPrefMemoryModule module(Utf16Text(bytes.substr(0, cut)));
        Store const read = Contents(module);
        for (auto const& [group, keys] : read)
            EXPECT_EQ(keys, full.at(group)) << "a group is read whole or not at all";
        for (Block const& block : blocks)
        {
            if (block.fEnd <= cut)
            {
                EXPECT_EQ(read.count(block.fGroup), 1u) << block.fGroup;
            }
            // Cut after the name began and before its block's end keyword: something was lost.
            if (cut >= block.fStart + 2 && cut <= block.fEndKeyword + 1)
            {
                EXPECT_TRUE(module.WasReadIncomplete()) << block.fGroup;
            }
        }
    }
    GPrefMemoryModule complete(Utf16Text(bytes));
    EXPECT_EQ(Contents(complete), full);
    EXPECT_FALSE(complete.WasReadIncomplete());
}

TEST(GPrefModuleTextTest, StrayBytesAnywhereKeepEveryGroupBeforeThem)
{
    GPrefMemoryModule whole;
    Fill(whole, cThreeGroups);
    GString text;
    whole.GetPrefsData(text);
    std::string const bytes = BytesOf(text.GetBuffer(GUnicodeEncoding::GetInstance()));
    Store const full = Contents(whole);
    std::vector<Block> const blocks = BlocksOf(whole, bytes);
    // A zero byte, a quote, a backslash, a lone surrogate and half a unit (which shifts every unit
    // after it).
    std::string const strays[] = {std::string(2, '\0'), std::string("\"\0", 2), std::string("\\\0", 2),
                                  std::string("\x00\xD8", 2), "\xFF"};
    for (std::size_t at = 2; at < bytes.size(); at += 2)
    {
        for (std::string const& stray : strays)
        {
            SCOPED_TRACE("stray " + std::to_string(int(static_cast<unsigned char>(stray[0]))) + " at " +
                         std::to_string(at));
            std::string damaged = bytes;
            damaged.insert(at, stray);
            GPrefMemoryModule module(Utf16Text(damaged));
            Store const read = Contents(module);
            for (Block const& block : blocks)
            {
                if (block.fEnd <= at)
                {
                    ASSERT_EQ(read.count(block.fGroup), 1u) << block.fGroup;
                    EXPECT_EQ(read.at(block.fGroup), full.at(block.fGroup));
                }
            }
        }
    }
}

TEST(GPrefModuleTest, KeepsValuesByGroupAndKeyAndTellsItsGroups)
{
    GPrefMemoryModule module;
    Fill(module, cThreeGroups);
    EXPECT_TRUE(module.Has(Name("General"), Name("UnitV3")));
    EXPECT_FALSE(module.Has(Name("General"), Name("unitv3")));
    EXPECT_FALSE(module.Has(Name("Missing"), Name("UnitV3")));
    EXPECT_EQ(&module.Get(Name("Missing"), Name("x")), &GString::cEmptyString);

    GTable<GBuffer> names;
    names.AddItem(GBuffer("before"));
    module.GetGroupNames(names);
    EXPECT_EQ(names.GetCount(), 4) << "appended, not replaced";
    GTable<GBuffer> keys;
    module.GetGroupPreferences(Name("General"), keys);
    module.GetGroupPreferences(Name("Missing"), keys);
    EXPECT_EQ(keys.GetCount(), 2);
    GDict<GBuffer, GString> values;
    values.Put(GBuffer("stale"), GString("x"));
    module.GetGroupPreferences(Name("Window"), values);
    EXPECT_EQ(values.GetCount(), 1);
    module.GetGroupPreferences(Name("Missing"), values);
    EXPECT_EQ(values.GetCount(), 0);
}

TEST(GPrefModuleTest, EveryChangeMakesTheModuleDirty)
{
    struct Case
    {
        char const* fName;
        void (*fChange)(GPrefModule&);
    };
    Case const cases[] = {
        {"Set", [](GPrefModule& m) { m.Set(Name("G"), Name("k"), GString("v")); }},
        {"SetIgnoreTemp", [](GPrefModule& m) { m.SetIgnoreTemp(Name("G"), Name("k"), GString("v")); }},
        {"Remove of a missing key", [](GPrefModule& m) { m.Remove(Name("G"), Name("nothing")); }},
        {"RemoveGroup", [](GPrefModule& m) { m.RemoveGroup(Name("Nothing")); }},
        {"UpdateWith",
         [](GPrefModule& m)
         {
             GPrefMemoryModule other;
             other.Set(Name("G"), Name("k"), GString("w"));
             m.UpdateWith(&other);
         }},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        GPrefMemoryModule module;
        ASSERT_FALSE(module.IsDirty());
        c.fChange(module);
        EXPECT_TRUE(module.IsDirty());
        module.FlushPrefs();
        EXPECT_FALSE(module.IsDirty());
    }
}

TEST(GPrefModuleTest, RemovingAKeyKeepsItsGroupAndUpdateTakesOverEveryValue)
{
    GPrefMemoryModule module;
    Fill(module, cThreeGroups);
    module.Remove(Name("Window"), Name("Geometry"));
    GTable<GBuffer> names;
    module.GetGroupNames(names);
    EXPECT_EQ(names.GetCount(), 3);
    module.RemoveGroup(Name("Window"));
    names.Resize(0);
    module.GetGroupNames(names);
    EXPECT_EQ(names.GetCount(), 2);

    GPrefMemoryModule target;
    target.Set(Name("General"), Name("UnitV3"), GString("in"));
    target.Set(Name("Own"), Name("x"), GString("y"));
    target.UpdateWith(&module);
    Store expected = Contents(module);
    expected["Own"]["x"] = "y";
    EXPECT_EQ(Contents(target), expected);
}

TEST(GPrefModuleTest, NestedTransactionsRollBackUnlessAnEndKeeps)
{
    struct Case
    {
        char const* fName;
        bool fInnerKeep, fOuterKeep;
        bool fKept;
    };
    Case const cases[] = {
        {"both roll back", false, false, false},
        {"inner keeps", true, false, true},
        {"outer keeps", false, true, true},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        GPrefMemoryModule module;
        module.Set(Name("G"), Name("k"), GString("before"));
        module.FlushPrefs();
        module.StartUsingTempModule();
        module.Set(Name("G"), Name("k"), GString("outer"));
        module.StartUsingTempModule();
        module.Set(Name("G"), Name("j"), GString("inner"));
        module.RemoveGroup(Name("Nothing"));
        module.EndUsingTempModule(c.fInnerKeep);
        EXPECT_EQ(Utf8Of(module.Get(Name("G"), Name("j"))), "inner") << "only the outermost end acts";
        module.EndUsingTempModule(c.fOuterKeep);
        EXPECT_EQ(Utf8Of(module.Get(Name("G"), Name("k"))), c.fKept ? "outer" : "before");
        EXPECT_EQ(module.Has(Name("G"), Name("j")), c.fKept);
        EXPECT_EQ(module.IsDirty(), c.fKept) << "a rollback brings back the clean state";
    }
}

TEST(GPrefModuleTest, ValuesSetIgnoringTheTransactionSurviveItsRollback)
{
    GPrefMemoryModule module;
    module.StartUsingTempModule();
    module.Set(Name("G"), Name("temporary"), GString("t"));
    module.SetIgnoreTemp(Name("G"), Name("lasting"), GString("l"));
    module.EndUsingTempModule(false);
    EXPECT_FALSE(module.Has(Name("G"), Name("temporary")));
    EXPECT_EQ(Utf8Of(module.Get(Name("G"), Name("lasting"))), "l");
    EXPECT_TRUE(module.IsDirty());

    module.EndUsingTempModule(false); // an end without a start
    EXPECT_EQ(Utf8Of(module.Get(Name("G"), Name("lasting"))), "l");
    module.SetIgnoreTemp(Name("G"), Name("outside"), GString("o"));
    EXPECT_EQ(Utf8Of(module.Get(Name("G"), Name("outside"))), "o");
}

TEST(GPrefModuleTest, MemoryModuleReadBringsBackTheLastWrite)
{
    GPrefMemoryModule module(
        TextOf("#BEGINPREFS\n\"G\"\n#BEGINDICT\n\"k\" \"from text\"\n#ENDDICT\n#ENDPREFS\n"));
    module.Set(Name("G"), Name("k"), GString("changed"));
    module.Refresh();
    EXPECT_EQ(Utf8Of(module.Get(Name("G"), Name("k"))), "from text");
    module.Set(Name("G"), Name("k"), GString("changed"));
    module.FlushPrefs();
    module.Set(Name("G"), Name("k"), GString("again"));
    module.Refresh();
    EXPECT_EQ(Utf8Of(module.Get(Name("G"), Name("k"))), "changed");
}
