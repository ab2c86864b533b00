// Packages and their report: the document's packager makes the folder with the document, its links
// and its fonts, the report writes its file into it and answers 1; the book's packager takes every
// chapter and the book file.
#include "HostTestSupport.h"

#include "IBook.h"
#include "IPackageReport.h"
#include "IPackager.h"
#include "PackageWriter.h"

namespace
{
namespace fs = std::filesystem;
using hosttest::HostTest;

class HostPackageTest : public HostTest
{
protected:
    void SetOptions(IPackager& packager) { packager.SetOptions(1, 1, 1, nullptr, 0, 0, 1, 0); }
};

TEST_F(HostPackageTest, PackagesTheDocumentWithItsLinksAndFontsAndReportsOnIt)
{
    Write("art.png", "not really a picture");
    IDocument* const document =
        Open("Brochure.indd", hosttest::DocumentText({"1"}, {{"DejaVu Sans", "DejaVuSans.ttf"}},
                                                     "\"links\": [\"art.png\", \"gone.png\"]"));
    fs::path const target = fFolder / "Brochure Folder";
    InterfacePtr<IPackager> const packager(
        static_cast<IPackager*>(CreateObject(IPackager::kDocumentPackageBoss, IPackager::kDefaultIID)));
    ASSERT_TRUE(packager);
    packager->SetDocument(document);
    packager->SetTargetFolder(IDFile::FromPOSIXPath(target.string()));
    SetOptions(*packager.get());
    ASSERT_EQ(kSuccess, packager->Run());
    EXPECT_EQ(testsupport::ReadFile(fFolder / "Brochure.indd"),
              testsupport::ReadFile(target / "Brochure.indd"));
    EXPECT_TRUE(fs::exists(target / "Links" / "art.png"));
    EXPECT_FALSE(fs::exists(target / "Links" / "gone.png"));
    EXPECT_TRUE(fs::exists(target / "Fonts" / "DejaVuSans.ttf"));

    InterfacePtr<IPackageReport> const report(static_cast<IPackageReport*>(
        CreateObject(IPackageReport::kPackageReportBoss, IPackageReport::kDefaultIID)));
    ASSERT_TRUE(report);
    EXPECT_EQ(1, report->Run(packager.get(), 0, 0, 1));
    EXPECT_NE(std::string::npos,
              testsupport::ReadFile(target / indesignhost::cPackageReportName).find("gone.png"));

    // A second run into the same folder fails: the target must be new.
    EXPECT_EQ(kFailure, packager->Run());
}

TEST_F(HostPackageTest, PackagesEveryChapterAndTheBookFile)
{
    Write("Ch1.indd", hosttest::DocumentText({"1"}));
    Write("Ch2.indd", hosttest::DocumentText({"2"}));
    IBook* const book =
        fHost->OpenBook(Write("Catalog.indb", hosttest::BookText({"Ch1.indd", "Ch2.indd"})).string());
    fs::path const target = fFolder / "Catalog Folder";
    InterfacePtr<IPackager> const packager(
        static_cast<IPackager*>(CreateObject(IPackager::kBookPackageBoss, IPackager::kBookPackagerIID)));
    ASSERT_TRUE(packager);
    // The book's packager is no document packager.
    EXPECT_EQ(nullptr, CreateObject(IPackager::kBookPackageBoss, IPackager::kDefaultIID));
    packager->SetBook(book);
    packager->SetTargetFolder(IDFile::FromPOSIXPath(target.string()));
    SetOptions(*packager.get());
    ASSERT_EQ(kSuccess, packager->Run());
    for (char const* name : {"Ch1.indd", "Ch2.indd", "Catalog.indb"})
        EXPECT_TRUE(fs::exists(target / name)) << name;
}

TEST_F(HostPackageTest, FailsWithoutWhatToPackageAndTheReportAnswersNoPackage)
{
    Open("Brochure.indd", hosttest::DocumentText({"1"}));
    InterfacePtr<IPackager> const packager(
        static_cast<IPackager*>(CreateObject(IPackager::kDocumentPackageBoss, IPackager::kDefaultIID)));
    packager->SetTargetFolder(IDFile::FromPOSIXPath((fFolder / "Nothing Folder").string()));
    EXPECT_EQ(kFailure, packager->Run());
    EXPECT_FALSE(fs::exists(fFolder / "Nothing Folder"));
    InterfacePtr<IPackageReport> const report(static_cast<IPackageReport*>(
        CreateObject(IPackageReport::kPackageReportBoss, IPackageReport::kDefaultIID)));
    EXPECT_EQ(0, report->Run(packager.get(), 0, 0, 1));
    EXPECT_EQ(0, report->Run(nullptr, 0, 0, 1));
}
} // namespace
