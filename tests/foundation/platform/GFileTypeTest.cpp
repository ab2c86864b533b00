// File kinds and their registry: the built-in kinds with their English descriptors, lookups by
// extension, codes, descriptor and user id, kinds met at run time, the describer and the default.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "BufferText.h"
#include "GFileType.h"
#include "GFileTypeImp.h"
#include "GLngString.h"
#include "GStringPool.h"
#include "StringText.h"

using testsupport::BufferOf;
using testsupport::Utf8Of;

namespace
{
GString Text(std::string const& utf8)
{
    return testsupport::TextOf(utf8);
}

std::string CodeText(GBuffer const& code)
{
    return testsupport::TextOf(code);
}

class GFileTypeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GStringPool::Initialize();
        GFileType::Initialize();
    }
    void TearDown() override
    {
        GFileType::Finalize();
        GFileType::SetFileTypeImp(nullptr);
        GStringPool::Finalize();
    }

    static int UserIDOf(GFileType const* type) { return type ? type->GetUserID() : -1; }
};

// Names every kind after what it was asked for, and counts its own deletion.
class RecordingDescriber : public GFileTypeImp
{
public:
    explicit RecordingDescriber(int& deleted) : fDeleted(deleted) {}
    ~RecordingDescriber() override { ++fDeleted; }

    void DescribeExtension(GString const& extension, GString& descriptor) override
    {
        descriptor = Text("extension " + Utf8Of(extension));
    }
    void DescribeCreatorAndType(unsigned int creator, unsigned int type, GString& descriptor) override
    {
        descriptor = Text("codes " + std::to_string(creator) + " " + std::to_string(type));
    }

private:
    int& fDeleted;
};

TEST_F(GFileTypeTest, KnowsEveryBuiltInUserIDOnceWithAnEnglishDescriptor)
{
    std::set<std::string> extensions;
    for (int id = 1; id <= 45; ++id)
    {
        SCOPED_TRACE(id);
        GFileType const* type = GFileType::GetFromUserID(id);
        if (id == 11)
        {
            EXPECT_EQ(nullptr, type);
            continue;
        }
        ASSERT_NE(nullptr, type);
        EXPECT_FALSE(type->GetDescriptor().IsEmpty());
        EXPECT_EQ(4, type->GetCreator().GetLength());
        EXPECT_EQ(4, type->GetType().GetLength());
        EXPECT_FALSE(type->GetExtension().IsEmpty());
        extensions.insert(Utf8Of(type->GetExtension()));
    }
    // Only the three XML kinds and the three profile kinds share what they are found by.
    EXPECT_EQ(42u, extensions.size());
    EXPECT_EQ(nullptr, GFileType::GetFromUserID(0));
    EXPECT_EQ(nullptr, GFileType::GetFromUserID(46));
}

TEST_F(GFileTypeTest, FindsTheFirstKindRegisteredForAnExtensionWhateverItsCase)
{
    struct Case
    {
        char const* fExtension;
        int fUserID;
        char const* fDescriptor;
    };
    Case const cases[] = {
        {"pdf", 1, "PDF Files"},
        {"PDF", 1, "PDF Files"},
        {"xml", 26, "XML File"},
        {"XmL", 26, "XML File"},
        {"icc", 6, "ICC Profile"},
        {"icm", 7, "ICC Profile"},
        {"pf", 8, "ICC Profile"},
        {"tmp", 9, "Temporary File"},
        {"joboptions", 12, "Adobe PDF Settings"},
        {"exe", 10, "Executable Files"},
        {"ase", 39, "Adobe Swatch Exchange"},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fExtension);
        GFileType const* type = GFileType::GetFromExtension(Text(c.fExtension));
        EXPECT_EQ(c.fUserID, UserIDOf(type));
        EXPECT_EQ(c.fDescriptor, Utf8Of(type->GetDescriptor()));
    }
}

TEST_F(GFileTypeTest, RegistersAnUnknownExtensionOnceInTheCallersCase)
{
    GFileType const* made = GFileType::GetFromExtension(Text("Qz7"));
    ASSERT_NE(nullptr, made);
    EXPECT_EQ("Qz7", Utf8Of(made->GetExtension()));
    EXPECT_EQ("????", CodeText(made->GetCreator()));
    EXPECT_EQ("????", CodeText(made->GetType()));
    EXPECT_EQ(0, made->GetUserID());
    EXPECT_EQ(-1, made->GetDescriptorID());
    EXPECT_TRUE(made->GetDescriptor().IsEmpty());

    EXPECT_EQ(made, GFileType::GetFromExtension(Text("qz7")));
    EXPECT_EQ(made, GFileType::GetFromExtension(Text("QZ7")));
    // A kind made at run time does not take the place of a built-in one.
    EXPECT_EQ(1, UserIDOf(GFileType::GetDefault()));
}

TEST_F(GFileTypeTest, FindsKindsByCreatorAndTypeExactlyFirstThenByWildcards)
{
    struct Case
    {
        char const* fCreator;
        char const* fType;
        char const* fExtension;
        int fUserID;
    };
    Case const cases[] = {
        // Exact codes.
        {"8BIM", "8BCO", "", 38},
        {"8BIM", "8BCT", "", 37},
        {"????", "????", "", 23},
        {"XPR3", "XML ", "", 27},
        {"sync", "prof", "icm", 7},
        {"????", "????", "xml", 26},
        // With wildcards; the extension narrows the search.
        {"8BIM", "????", "act", 37},
        {"ttxt", "TEXT", "txt", 14},
        {"LMAN", "????", "pdfs", 18},
        {"????", "prof", "pf", 8},
        // The first kind whose codes fit at all: "tmp" takes any creator and comes early.
        {"8BIM", "????", "", 9},
        {"ttxt", "TEXT", "", 9},
        {"CARO", "????", "", 1},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(std::string(c.fCreator) + "/" + c.fType + "/" + c.fExtension);
        GFileType const* type =
            GFileType::GetFromCreatorAndType(BufferOf(c.fCreator), BufferOf(c.fType), Text(c.fExtension));
        EXPECT_EQ(c.fUserID, UserIDOf(type));
        // The number form reads the codes big-endian.
        EXPECT_EQ(type, GFileType::GetFromCreatorAndType(GFileType::CodeToUInt32(BufferOf(c.fCreator)),
                                                         GFileType::CodeToUInt32(BufferOf(c.fType)),
                                                         Text(c.fExtension)));
    }
}

TEST_F(GFileTypeTest, ReadsMacCodesBigEndian)
{
    GFileType const* pdf = GFileType::GetFromUserID(1);
    EXPECT_EQ(0x4341524Fu, pdf->GetMacCreator());
    EXPECT_EQ(0x50444620u, pdf->GetMacType());
    EXPECT_EQ("CARO", CodeText(GFileType::UInt32ToCode(0x4341524Fu)));
    // Short codes read as if padded with zero bytes.
    EXPECT_EQ(0x41420000u, GFileType::CodeToUInt32(BufferOf("AB")));
}

TEST_F(GFileTypeTest, RegistersAnUnknownCodePairOnceAndFindsItByItsExtensionToo)
{
    GFileType const* made = GFileType::GetFromCreatorAndType(BufferOf("Abcd"), BufferOf("Efgh"), Text("qq1"));
    ASSERT_NE(nullptr, made);
    EXPECT_EQ(0, made->GetUserID());
    EXPECT_EQ("Abcd", CodeText(made->GetCreator()));
    EXPECT_EQ("Efgh", CodeText(made->GetType()));
    EXPECT_EQ("qq1", Utf8Of(made->GetExtension()));
    EXPECT_EQ(made, GFileType::GetFromCreatorAndType(BufferOf("Abcd"), BufferOf("Efgh"), Text("qq1")));
    EXPECT_EQ(made, GFileType::GetFromExtension(Text("QQ1")));
    // The extension counts with its case here: another case is another kind.
    GFileType const* other =
        GFileType::GetFromCreatorAndType(BufferOf("Abcd"), BufferOf("Efgh"), Text("QQ1"));
    EXPECT_NE(made, other);
    // Registered after the first, so the extension still finds the first.
    EXPECT_EQ(made, GFileType::GetFromExtension(Text("qq1")));
}

TEST_F(GFileTypeTest, FindsKindsByDescriptorCreatorAndTypeOrNothing)
{
    EXPECT_EQ(37, UserIDOf(GFileType::GetFromDescriptor(Text("Adobe Color Table"))));
    EXPECT_EQ(6, UserIDOf(GFileType::GetFromDescriptor(Text("ICC Profile"))));
    EXPECT_EQ(nullptr, GFileType::GetFromDescriptor(Text("adobe color table")));
    EXPECT_EQ(nullptr, GFileType::GetFromDescriptor(Text("No Such Kind")));

    EXPECT_EQ(37, UserIDOf(GFileType::GetFromCreator(BufferOf("8BIM"))));
    EXPECT_EQ(nullptr, GFileType::GetFromCreator(BufferOf("8bim")));
    EXPECT_EQ(6, UserIDOf(GFileType::GetFromType(BufferOf("prof"))));
    EXPECT_EQ(nullptr, GFileType::GetFromType(BufferOf("none")));

    GFileType const* added =
        GFileType::AddFileType(Text("Sample Kind"), Text("smpk"), BufferOf("SMPL"), BufferOf("KIND"), 900);
    EXPECT_EQ(added, GFileType::GetFromDescriptor(Text("Sample Kind")));
    EXPECT_EQ(added, GFileType::GetFromUserID(900));
    EXPECT_EQ(added, GFileType::GetFromExtension(Text("SMPK")));
}

TEST_F(GFileTypeTest, GivesTheDescriptorAsIdOrAsText)
{
    GLngString byID;
    GFileType::GetFromUserID(1)->GetDescriptor(byID);
    EXPECT_EQ(GLngString(7000), byID);
    EXPECT_EQ("PDF Files", Utf8Of(byID.GetReadableString()));

    GFileType const literal(Text("Own Text"), Text("own"), BufferOf("????"), BufferOf("????"), 0);
    GLngString byText;
    literal.GetDescriptor(byText);
    EXPECT_EQ(GLngString(Text("Own Text")), byText);
    GString copied;
    literal.GetDescriptor(copied);
    EXPECT_EQ("Own Text", Utf8Of(copied));
}

TEST_F(GFileTypeTest, ComparesAllPartsWithTheExtensionIgnoringCase)
{
    GFileType const base(7000, Text("pdf"), BufferOf("CARO"), BufferOf("PDF "), 1);
    EXPECT_TRUE(base == GFileType(7000, Text("PDF"), BufferOf("CARO"), BufferOf("PDF "), 1));
    GFileType copy(7005, Text("icc"), BufferOf("sync"), BufferOf("prof"), 6);
    copy.Set(base);
    EXPECT_TRUE(copy == base);

    struct Case
    {
        char const* fWhat;
        GFileType fType;
    };
    Case const different[] = {
        {"descriptor id", GFileType(7001, Text("pdf"), BufferOf("CARO"), BufferOf("PDF "), 1)},
        {"descriptor text", GFileType(Text("PDF Files"), Text("pdf"), BufferOf("CARO"), BufferOf("PDF "), 1)},
        {"extension", GFileType(7000, Text("pdfx"), BufferOf("CARO"), BufferOf("PDF "), 1)},
        {"creator", GFileType(7000, Text("pdf"), BufferOf("caro"), BufferOf("PDF "), 1)},
        {"type", GFileType(7000, Text("pdf"), BufferOf("CARO"), BufferOf("PDF?"), 1)},
        {"user id", GFileType(7000, Text("pdf"), BufferOf("CARO"), BufferOf("PDF "), 2)},
    };
    for (Case const& c : different)
    {
        SCOPED_TRACE(c.fWhat);
        EXPECT_FALSE(base == c.fType);
        EXPECT_TRUE(base != c.fType);
    }
}

TEST_F(GFileTypeTest, AsksTheInstalledDescriberAboutKindsMetAtRunTime)
{
    int deleted = 0;
    GFileType::SetFileTypeImp(new RecordingDescriber(deleted));
    EXPECT_EQ("extension Zz1", Utf8Of(GFileType::GetFromExtension(Text("Zz1"))->GetDescriptor()));
    EXPECT_EQ("codes 1094861636 1162233672",
              Utf8Of(GFileType::GetFromCreatorAndType(0x41424344u, 0x45464748u, Text(""))->GetDescriptor()));
    // Built-in kinds keep their own descriptors.
    EXPECT_EQ("PDF Files", Utf8Of(GFileType::GetFromExtension(Text("pdf"))->GetDescriptor()));

    // The describer outlives the registry, and a new one replaces it.
    GFileType::Finalize();
    GFileType::Initialize();
    EXPECT_EQ(0, deleted);
    EXPECT_EQ("extension zz2", Utf8Of(GFileType::GetFromExtension(Text("zz2"))->GetDescriptor()));
    int deletedSecond = 0;
    GFileType::SetFileTypeImp(new RecordingDescriber(deletedSecond));
    EXPECT_EQ(1, deleted);
    GFileType::SetFileTypeImp(nullptr);
    EXPECT_EQ(1, deletedSecond);
    EXPECT_TRUE(GFileType::GetFromExtension(Text("zz3"))->GetDescriptor().IsEmpty());
}

TEST_F(GFileTypeTest, DefaultsToTheFirstKindAndForgetsAChosenDefaultWhenFinalized)
{
    EXPECT_EQ(1, UserIDOf(GFileType::GetDefault()));
    GFileType::SetDefault(GFileType::GetFromUserID(26));
    EXPECT_EQ(26, UserIDOf(GFileType::GetDefault()));

    GFileType::Finalize();
    EXPECT_EQ(nullptr, GFileType::GetDefault());
    EXPECT_EQ(nullptr, GFileType::GetFromUserID(1));

    // Had the old default stayed set, it would point into the deleted registry.
    GFileType::Initialize();
    EXPECT_EQ(1, UserIDOf(GFileType::GetDefault()));
    EXPECT_EQ("PDF Files", Utf8Of(GFileType::GetDefault()->GetDescriptor()));
}

TEST_F(GFileTypeTest, EmptiesTheRegistryIncludingKindsMadeByLookups)
{
    GFileType::GetFromExtension(Text("gone"));
    GFileType::Finalize();
    EXPECT_EQ(nullptr, GFileType::GetFromDescriptor(Text("PDF Files")));
    EXPECT_EQ(nullptr, GFileType::GetFromCreator(BufferOf("????")));
    // The lookup that registers still works on the empty registry.
    GFileType const* again = GFileType::GetFromExtension(Text("gone"));
    EXPECT_EQ(0, again->GetUserID());
    EXPECT_EQ(again, GFileType::GetDefault());
}
} // namespace
