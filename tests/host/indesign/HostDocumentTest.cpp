// Documents as the host holds them: opened from their files, their pages by number, the range texts
// the page list reads, saving, the front document and the unit preferences of a context.
#include "HostTestSupport.h"

#include <set>

#include "HostFileError.h"
#include "IActiveContext.h"
#include "IDocumentOpenUtils.h"
#include "IDocumentSaveUtils.h"
#include "IFrontDocumentUtils.h"
#include "IPageList.h"
#include "ISession.h"
#include "IUnitPrefs.h"
#include "UtilsBoss.h"

namespace
{
namespace fs = std::filesystem;
using hosttest::HostTest;

using HostDocumentTest = HostTest;

TEST_F(HostDocumentTest, ReadsRangesByPageLabels)
{
    IDocument* const document =
        Open("Labels.indd", hosttest::DocumentText({"i", "ii", "1", "2", "3", "A-1"}));
    InterfacePtr<IPageList> const pages(document);
    ASSERT_TRUE(pages);
    struct Case
    {
        char const* range;
        ErrorCode result;
        std::vector<int> indexes;
    };
    Case const cases[] = {
        {"1", kSuccess, {2}},           {"1-3", kSuccess, {2, 3, 4}}, {"ii-2", kSuccess, {1, 2, 3}},
        {"1-", kSuccess, {2, 3, 4, 5}}, {"-ii", kSuccess, {0, 1}},    {" 3 , i ", kSuccess, {0, 4}},
        {"2,1,2", kSuccess, {2, 3}},    {"A-1", kSuccess, {5}},       {"3-A-1", kSuccess, {4, 5}},
        {"3-2", kFailure, {}},          {"99", kFailure, {}},         {"", kFailure, {}},
        {"   ", kFailure, {}},          {"a", kFailure, {}},          {",", kFailure, {}},
        {"2,,3", kFailure, {}},         {"1,", kFailure, {}},         {"-", kFailure, {}},
        {"1-99", kFailure, {}},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.range);
        UIDList list;
        list.Append(12345);
        ASSERT_EQ(test.result, pages->ParsePageRange(PMString(test.range), list));
        // The list keeps what it held; the pages come after it.
        ASSERT_EQ(static_cast<int32>(test.indexes.size()) + 1, list.Length());
        EXPECT_EQ(12345u, list[0]);
        for (std::size_t i = 0; i < test.indexes.size(); ++i)
            EXPECT_EQ(pages->GetNthPageUID(test.indexes[i]), list[static_cast<int32>(i) + 1]);
    }
}

TEST_F(HostDocumentTest, NumbersEveryPageAndObjectUniquely)
{
    IDocument* const first = Open("A.indd", hosttest::DocumentText({"1", "2"}));
    IDocument* const second = Open("B.indd", hosttest::DocumentText({"1", "2", "3"}));
    std::set<UID> seen;
    for (IDocument* document : {first, second})
    {
        InterfacePtr<IPageList> const pages(document);
        for (int32 i = 0; i < pages->GetPageCount(); ++i)
            EXPECT_TRUE(seen.insert(pages->GetNthPageUID(i)).second);
    }
    EXPECT_EQ(5u, seen.size());
    EXPECT_EQ(kInvalidUID, InterfacePtr<IPageList>(first)->GetNthPageUID(2));
}

TEST_F(HostDocumentTest, OpeningAFileThatIsNoDocumentNamesTheFile)
{
    struct Case
    {
        char const* name;
        char const* text;
    };
    Case const cases[] = {
        {"Empty.indd", ""}, {"Broken.indd", "{\"pages\": [}"}, {"NoPages.indd", "{\"pages\": []}"}};
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.name);
        fs::path const path = Write(test.name, test.text);
        try
        {
            fHost->OpenDocument(path.string());
            ADD_FAILURE() << "opened";
        }
        catch (indesignhost::HostFileError const& error)
        {
            EXPECT_EQ(0u, std::string(error.what()).find(path.string()));
        }
    }
    EXPECT_THROW(fHost->OpenDocument((fFolder / "Missing.indd").string()), indesignhost::HostFileError);
    EXPECT_TRUE(fHost->Documents().empty());
}

TEST_F(HostDocumentTest, TheLastOpenedDocumentIsInFrontUntilAnotherIsChosen)
{
    InterfacePtr<IFrontDocumentUtils> const utils(UtilsBoss::QueryUtils<IFrontDocumentUtils>());
    ASSERT_TRUE(utils);
    EXPECT_EQ(nullptr, utils->GetFrontDocument());
    IDocument* const first = Open("A.indd", hosttest::DocumentText({"1"}));
    IDocument* const second = Open("B.indd", hosttest::DocumentText({"1"}));
    EXPECT_EQ(second, utils->GetFrontDocument());
    fHost->SetFrontDocument(first);
    EXPECT_EQ(first, utils->GetFrontDocument());
    PMString name;
    utils->GetFrontDocument()->GetName(name);
    EXPECT_EQ("A.indd", name.GetUTF8());
    fHost->SetFrontDocument(nullptr);
    EXPECT_EQ(nullptr, utils->GetFrontDocument());
}

// A plug-in that opens a file open already gets that document, as from the real host, and its
// closes count off only its own opens.
TEST_F(HostDocumentTest, APlugInOpeningAnOpenFileGetsThatDocumentAndClosesOnlyItsOwnOpens)
{
    IDocument* const user = Open("Chapter.indd", hosttest::DocumentText({"1", "2"}));
    fHost->SetDocumentModified(user, true);
    Write("Other.indd", hosttest::DocumentText({"1"}));
    InterfacePtr<IDocumentOpenUtils> const opener(UtilsBoss::QueryUtils<IDocumentOpenUtils>());
    ASSERT_TRUE(opener);
    auto open = [&](fs::path const& path)
    {
        IDocument* document = nullptr;
        EXPECT_EQ(kSuccess, opener->OpenDocument(IDFile::FromPOSIXPath(path.string()), document));
        return document;
    };

    // The user's document, named by another spelling of its path, with the user's changes.
    IDocument* const opened = open(fFolder / "." / "Chapter.indd");
    EXPECT_EQ(user, opened);
    EXPECT_TRUE(opened->IsModified());
    EXPECT_EQ(kSuccess, opener->CloseDocument(opened));
    EXPECT_EQ(std::vector<IDocument*>{user}, fHost->Documents()) << "the user's document stays open";

    // A file only the plug-in opens, twice: one document, closed at the second close.
    IDocument* const first = open(fFolder / "Other.indd");
    IDocument* const second = open(fFolder / "Other.indd");
    EXPECT_EQ(first, second);
    EXPECT_EQ(kSuccess, opener->CloseDocument(first));
    EXPECT_EQ((std::vector<IDocument*>{user, first}), fHost->Documents());
    EXPECT_EQ(kSuccess, opener->CloseDocument(second));
    EXPECT_EQ(std::vector<IDocument*>{user}, fHost->Documents());
    EXPECT_TRUE(fHost->Problems().empty());

    // A close of the user's document beyond the plug-in's opens is refused, and breaks the run.
    EXPECT_EQ(kFailure, opener->CloseDocument(user));
    EXPECT_EQ(std::vector<IDocument*>{user}, fHost->Documents());
    ASSERT_EQ(1u, fHost->Problems().size());
    EXPECT_NE(std::string::npos, fHost->Problems()[0].find("Chapter.indd")) << fHost->Problems()[0];
}

TEST_F(HostDocumentTest, SavingRewritesTheFileAndClearsTheModifiedFlag)
{
    std::string const text = hosttest::DocumentText({"1", "2"});
    IDocument* const document = Open("Saved.indd", text);
    fHost->SetDocumentModified(document, true);
    testsupport::WriteFile(fFolder / "Saved.indd", "changed on disk behind the host's back");
    InterfacePtr<IDocumentSaveUtils> const save(UtilsBoss::QueryUtils<IDocumentSaveUtils>());
    ASSERT_TRUE(document->IsModified());
    ASSERT_EQ(kSuccess, save->SaveDocument(document));
    EXPECT_FALSE(document->IsModified());
    EXPECT_EQ(text, testsupport::ReadFile(fFolder / "Saved.indd"));
    EXPECT_FALSE(fs::exists(fFolder / "Saved.indd.saving"));
    EXPECT_EQ(1u, Count("file", "document"));
}

TEST_F(HostDocumentTest, SavingFailsWhenTheFolderIsGoneAndTheFlagStays)
{
    IDocument* const document =
        fHost->OpenDocument(Write("gone/Lost.indd", hosttest::DocumentText({"1"})).string());
    fHost->SetDocumentModified(document, true);
    fs::remove_all(fFolder / "gone");
    // A file where the folder was: no permission can make the rename succeed, root or not.
    testsupport::WriteFile(fFolder / "gone", "a file");
    InterfacePtr<IDocumentSaveUtils> const save(UtilsBoss::QueryUtils<IDocumentSaveUtils>());
    EXPECT_EQ(kFailure, save->SaveDocument(document));
    EXPECT_TRUE(document->IsModified());
}

TEST_F(HostDocumentTest, UnitsComeFromTheContextDocumentElseTheApplication)
{
    ISession* const session = GetExecutionContextSession();
    IActiveContext* const context = session->GetActiveContext();
    auto unitOf = [&](IActiveContext* where)
    {
        InterfacePtr<IUnitPrefs> const prefs(
            static_cast<IUnitPrefs*>(QueryPreferences(IUnitPrefs::kDefaultIID, where)));
        return prefs ? prefs->GetHorizontalUnit() : ClassID(0);
    };
    EXPECT_EQ(ClassID(IUnitPrefs::kPointsBoss), unitOf(context));
    fHost->SetApplicationUnit(IUnitPrefs::kMillimetersBoss);
    IDocument* const document = Open("Unit.indd", hosttest::DocumentText({"1"}));
    EXPECT_EQ(ClassID(IUnitPrefs::kMillimetersBoss), unitOf(context));
    fHost->SetDocumentUnit(document, IUnitPrefs::kCicerosBoss);
    EXPECT_EQ(ClassID(IUnitPrefs::kCicerosBoss), unitOf(context));
    EXPECT_EQ(ClassID(IUnitPrefs::kMillimetersBoss), unitOf(nullptr));
    fHost->SetFrontDocument(nullptr);
    EXPECT_EQ(ClassID(IUnitPrefs::kMillimetersBoss), unitOf(context));
    EXPECT_EQ(nullptr, QueryPreferences(IUnitPrefs::kDefaultIID + 1, context));
    EXPECT_TRUE(fHost->QuitChecks().empty());
}
} // namespace
