// The document and book export actions over the host stand-in: what the PDF holds (the pages of
// the range, spreads, the bleed and marks of the Sendrixor's settings, the document's fonts), the
// document saved first, missing fonts named, the package on request, the book's chapters in one
// PDF, every host failure as its message with nothing half written, and a finished export handed
// to the test peer as a job.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ExportFixture.h"
#include "GCPTFeatureConfiguration.h"
#include "GCPTSaveAsTool.h"
#include "GIDCSPExportBookAction.h"
#include "GIDCSPSaveAsAction.h"
#include "GPPJobInfo.h"
#include "GPPRozorazIzivozadaLayer.h"
#include "GUTF8Encoding.h"
#include "IBook.h"
#include "IDocument.h"
#include "PeerProcess.h"
#include "SharedObjects.h"

namespace
{
namespace fs = std::filesystem;
using testsupport::TextOf;
using testsupport::Utf8Of;

class CodeRecorder : public GObserverT<>
{
public:
    void Update(GSubjectT<>*, int code) override { fCodes.push_back(code); }
    std::vector<int> fCodes;
};

// An export as the dialog runs it: the action active, the request sent on the export signal.
template<class Action>
class ExportActionTest : public plugintest::ExportFixture
{
protected:
    void SetUp() override
    {
        ExportFixture::SetUp();
        fAction.Attach(&fCodes, 0);
        fAction.SetActiveState(true);
    }

    // Exports with the Sendrixor and the page range (none when empty); the code the observers heard.
    int Export(std::string const& sendrixor, std::string const& range = "")
    {
        GCPTSaveAsProperties request(TextOf(sendrixor));
        if (!range.empty())
            request.SetPageRange(TextOf(range));
        fCodes.fCodes.clear();
        Send(GCPTSaveAsAction::cExportRequestChannel, request);
        return fCodes.fCodes.empty() ? 0 : fCodes.fCodes.back();
    }
    fs::path PDF() const { return testsupport::FsPathOf(fAction.GetSaveAsPDF()); }
    std::string LastError() const { return Utf8Of(fAction.GetLastError()); }
    // The PDFs and half-written files under the Sendrixor's output folder.
    std::vector<std::string> WrittenFiles(std::string const& sendrixor) const
    {
        std::vector<std::string> files;
        if (!fs::exists(OutputFolder(sendrixor)))
            return files;
        for (auto const& item : fs::recursive_directory_iterator(OutputFolder(sendrixor)))
        {
            if (item.is_regular_file())
                files.push_back(fs::relative(item.path(), OutputFolder(sendrixor)).string());
        }
        return files;
    }

    Action fAction;
    CodeRecorder fCodes;
};

using DocumentExportTest = ExportActionTest<GIDCSPSaveAsAction>;
using BookExportTest = ExportActionTest<GIDCSPExportBookAction>;
} // namespace

TEST_F(DocumentExportTest, TheFrontDocumentBecomesAPDFOfThePagesOfTheRange)
{
    AddExportSendrixor("Proof A", {});
    fHost->OpenDocument(WriteDocument("Brochure.indd", {"1", "2", "3"}).string());
    ASSERT_EQ(Export("Proof A"), GCPTSaveAsAction::cPDFWritten) << LastError();
    EXPECT_EQ(PDF(), fs::path(OutputFolder("Proof A")) / "Brochure.pdf");
    EXPECT_EQ(plugintest::PdfInfo(PDF(), "Pages"), "3");
    EXPECT_EQ(plugintest::PdfInfo(PDF(), "Title"), "Brochure");
    EXPECT_NE(plugintest::PdfPageText(PDF(), 2).find("Brochure.indd page 2"), std::string::npos);
    std::string const fonts = plugintest::OutputOf({"pdffonts", PDF().string()});
    EXPECT_NE(fonts.find("DejaVuSans"), std::string::npos) << fonts;

    ASSERT_EQ(Export("Proof A", "2-3"), GCPTSaveAsAction::cPDFWritten) << LastError();
    EXPECT_EQ(PDF().filename(), "Brochure.pdf");
    EXPECT_NE(PDF().parent_path(), fs::path(OutputFolder("Proof A"))) << "a second export goes to a new folder";
    EXPECT_EQ(plugintest::PdfInfo(PDF(), "Pages"), "2");
    EXPECT_NE(plugintest::PdfPageText(PDF(), 1).find("Brochure.indd page 2"), std::string::npos);
    EXPECT_TRUE(fShown.empty());
}

TEST_F(DocumentExportTest, ARangeThatSelectsNoPageIsThePagesError)
{
    AddExportSendrixor("Proof A", {});
    fHost->OpenDocument(WriteDocument("Brochure.indd", {"1", "2", "3"}).string());
    for (char const* range : {"99", "3-2", "a", ",", "1-2-3"})
    {
        SCOPED_TRACE(range);
        EXPECT_EQ(Export("Proof A", range), GCPTSaveAsAction::cExportFailed);
        EXPECT_EQ(LastError(), "Plug-in Error: Pages");
    }
    EXPECT_EQ(WrittenFiles("Proof A"), std::vector<std::string>{});
}

TEST_F(DocumentExportTest, TheSendrixorsBleedMarksAndSpreadsShapeThePages)
{
    indesignhost::ExportSettings spreads;
    spreads.spreads = true;
    AddExportSendrixor("Plain", {});
    AddExportSendrixor("Bleed", {{"BleedChoice", "BleedValueSet"},
                                 {"BleedTopValue", "10"},
                                 {"BleedBottomValue", "10"},
                                 {"BleedInsideValue", "10"},
                                 {"BleedOutsideValue", "10"}});
    AddExportSendrixor("Spreads", {}, spreads);
    AddExportSendrixor("Allowed spreads", {{"PrintSpreads", "true"}});
    AddExportSendrixor("Marks", {{"Trim", "true"}, {"MarkOffset", "10"}});
    fHost->OpenDocument(WriteDocument("Folder.indd", {"1", "2", "3"}, {},
                                      ", \"pageSize\": [400, 600], \"spreads\": [[0], [1, 2]]")
                            .string());
    struct Case
    {
        char const* fSendrixor;
        char const* fPages;
        char const* fFirstPageSize;
        char const* fSecondPageSize;
    };
    Case const cases[] = {{"Plain", "3", "400 x 600 pts", "400 x 600 pts"},
                          {"Bleed", "3", "420 x 620 pts", "420 x 620 pts"},
                          {"Spreads", "2", "400 x 600 pts", "800 x 600 pts"},
                          {"Allowed spreads", "2", "400 x 600 pts", "800 x 600 pts"},
                          {"Marks", "3", "456 x 656 pts", "456 x 656 pts"}};
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fSendrixor);
        ASSERT_EQ(Export(c.fSendrixor), GCPTSaveAsAction::cPDFWritten) << LastError();
        EXPECT_EQ(plugintest::PdfInfo(PDF(), "Pages"), c.fPages);
        EXPECT_EQ(plugintest::PdfInfo(PDF(), "Page size"), c.fFirstPageSize);
        std::string const second = plugintest::OutputOf({"pdfinfo", "-f", "2", "-l", "2", PDF().string()});
        EXPECT_NE(second.find(std::string("Page    2 size:  ") + c.fSecondPageSize), std::string::npos) << second;
    }
}

TEST_F(DocumentExportTest, AModifiedDocumentIsSavedFirstAndAFailedSaveStopsTheExport)
{
    AddExportSendrixor("Proof A", {});
    IDocument* const document = fHost->OpenDocument(WriteDocument("Brochure.indd", {"1"}).string());
    fHost->SetDocumentModified(document, true);
    Inject("document.save");
    EXPECT_EQ(Export("Proof A"), GCPTSaveAsAction::cExportFailed);
    EXPECT_EQ(LastError(), "Plug-in Error: Unable to save current document. Save the document and try again.");
    EXPECT_TRUE(document->IsModified());
    ASSERT_EQ(Export("Proof A"), GCPTSaveAsAction::cPDFWritten) << LastError();
    EXPECT_FALSE(document->IsModified());
}

TEST_F(DocumentExportTest, MissingFontsAreNamedAndStopTheExportUntilTheyAreThere)
{
    AddExportSendrixor("Proof A", {});
    fHost->OpenDocument(WriteDocument("One.indd", {"1"}, {"Minion Pro"}).string());
    EXPECT_EQ(Export("Proof A"), GCPTSaveAsAction::cExportFailed);
    EXPECT_EQ(LastError(), "Plug-in Error: Font is Missing! Correct the following font and try again:\n"
                           "    1. Minion Pro\n");
    fHost->OpenDocument(WriteDocument("Two.indd", {"1"}, {"Minion Pro", "Myriad Pro"}).string());
    EXPECT_EQ(Export("Proof A"), GCPTSaveAsAction::cExportFailed);
    EXPECT_EQ(LastError(), "Plug-in Error: Fonts are Missing! Correct the following fonts and try again:\n"
                           "    1. Minion Pro\n    2. Myriad Pro\n");
    EXPECT_EQ(WrittenFiles("Proof A"), std::vector<std::string>{});

    // A font file deleted between two exports is seen.
    fHost->OpenDocument(WriteDocument("Three.indd", {"1"}).string());
    ASSERT_EQ(Export("Proof A"), GCPTSaveAsAction::cPDFWritten) << LastError();
    fs::remove(fTemp / "fonts" / "DejaVuSerif.ttf");
    EXPECT_EQ(Export("Proof A"), GCPTSaveAsAction::cExportFailed);
    EXPECT_EQ(LastError(), "Plug-in Error: Font is Missing! Correct the following font and try again:\n"
                           "    1. DejaVu Serif\n");
}

TEST_F(DocumentExportTest, APackageFolderIsMadeBesideThePDFOnRequest)
{
    AddExportSendrixor("Proof A", {{"IncludeFilePackage", "true"}});
    testsupport::WriteFile(fTemp / "documents" / "Links" / "photo.png", "not really a picture");
    fHost->OpenDocument(
        WriteDocument("Brochure.indd", {"1", "2"}, {}, ", \"links\": [\"Links/photo.png\", \"Links/gone.tif\"]")
            .string());
    ASSERT_EQ(Export("Proof A"), GCPTSaveAsAction::cPDFWritten) << LastError();
    fs::path const package = testsupport::FsPathOf(fAction.GetPackagePath());
    EXPECT_EQ(package, PDF().parent_path() / "Brochure Folder");
    EXPECT_TRUE(fs::exists(package / "Brochure.indd"));
    EXPECT_TRUE(fs::exists(package / "Links" / "photo.png"));
    EXPECT_FALSE(fs::exists(package / "Links" / "gone.tif"));
    EXPECT_TRUE(fs::exists(package / "Fonts" / "DejaVuSans.ttf"));
    std::size_t reports = 0;
    for (auto const& item : fs::directory_iterator(package))
        reports += item.is_regular_file() && item.path().filename() != "Brochure.indd";
    EXPECT_EQ(reports, 1u) << "the package's report";
}

TEST_F(DocumentExportTest, EveryHostFailureGivesItsMessageAndLeavesNoPDF)
{
    struct Case
    {
        char const* fFault;
        char const* fError;
        bool fPackage;
    };
    Case const cases[] = {
        {"createCommand.9477", "Plug-in Error: PDF Export command not found", false},
        {"query.9477.9479", "Plug-in Error: Unable to retrieve PDF Export preferences", false},
        {"prefs.loadJobOptions",
         "Plug-in Error: Unable to read job options. Reselect the job options setting under the Printer tab and "
         "recreate the Sendrixor again.",
         false},
        {"query.9477.3587", "Plug-in Error: Unable to retrieve system file data", false},
        {"utils.118846", "Plug-in Error: No current document", false},
        {"command.process.9477", "Plug-in Error: Unable to execute PDF Export command", false},
        {"createObject.80393", "Plug-in Error: Create Package command not found", true},
        {"package.run", "Plug-in Error: Unable to execute Create Package command", true},
        {"createObject.80395", "Plug-in Error: Create Package Report command not found", true},
        {"report.result", "Plug-in Error: Unable to execute Create Package Report command", true},
    };
    AddExportSendrixor("Plain", {});
    AddExportSendrixor("Package", {{"IncludeFilePackage", "true"}});
    fHost->OpenDocument(WriteDocument("Brochure.indd", {"1"}).string());
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fFault);
        char const* const sendrixor = c.fPackage ? "Package" : "Plain";
        std::vector<std::string> const before = WrittenFiles(sendrixor);
        Inject(c.fFault);
        EXPECT_EQ(Export(sendrixor), GCPTSaveAsAction::cExportFailed);
        EXPECT_EQ(LastError(), c.fError);
        if (!c.fPackage)
        {
            EXPECT_EQ(WrittenFiles(sendrixor), before) << "no PDF, whole or half";
        }
    }
    EXPECT_TRUE(fHost->QuitChecks().empty());
}

namespace
{
// Two books open: the book panel shows the catalogue, another book is current.
class BookFixture : public BookExportTest
{
protected:
    void SetUp() override
    {
        BookExportTest::SetUp();
        AddExportSendrixor("Proof A", {});
        WriteDocument("Chapter 1.indd", {"1", "2"});
        WriteDocument("Chapter 2.indd", {"3"});
        WriteDocument("Chapter 3.indd", {"4", "5"});
        testsupport::WriteFile(fTemp / "documents" / "Catalog.indb",
                               "{\"chapters\": [\"Chapter 1.indd\", \"Chapter 2.indd\", \"Chapter 3.indd\"]}");
        testsupport::WriteFile(fTemp / "documents" / "Other.indb", "{\"chapters\": [\"Chapter 2.indd\"]}");
        fCatalog = fHost->OpenBook((fTemp / "documents" / "Catalog.indb").string());
        fOther = fHost->OpenBook((fTemp / "documents" / "Other.indb").string());
        fHost->SetPanelBook(fCatalog);
        fHost->SetCurrentBook(fCatalog);
    }

    IBook* fCatalog = nullptr;
    IBook* fOther = nullptr;
};
} // namespace

TEST_F(BookFixture, TheSelectedChaptersOrAllBecomeOnePDFInBookOrder)
{
    ASSERT_EQ(Export("Proof A"), GCPTSaveAsAction::cPDFWritten) << LastError();
    EXPECT_EQ(PDF().filename(), "Catalog.pdf");
    EXPECT_EQ(plugintest::PdfInfo(PDF(), "Pages"), "5");
    EXPECT_NE(plugintest::PdfPageText(PDF(), 5).find("Chapter 3.indd page 5"), std::string::npos);

    fHost->SetPanelSelection(fCatalog, {"Chapter 3.indd", "Chapter 1.indd"});
    ASSERT_EQ(Export("Proof A"), GCPTSaveAsAction::cPDFWritten) << LastError();
    EXPECT_EQ(plugintest::PdfInfo(PDF(), "Pages"), "4");
    EXPECT_NE(plugintest::PdfPageText(PDF(), 1).find("Chapter 1.indd page 1"), std::string::npos);
    EXPECT_NE(plugintest::PdfPageText(PDF(), 3).find("Chapter 3.indd page 4"), std::string::npos);
    EXPECT_EQ(fHost->CurrentBook(), fCatalog);
    EXPECT_TRUE(fHost->QuitChecks().empty()) << "every chapter opened for the font check was closed";
}

TEST_F(BookFixture, ThePanelsBookIsExportedAndThePreviousCurrentBookComesBack)
{
    fHost->SetCurrentBook(fOther);
    fHost->SetPanelSelection(fCatalog, {"Chapter 2.indd"});
    ASSERT_EQ(Export("Proof A"), GCPTSaveAsAction::cPDFWritten) << LastError();
    EXPECT_EQ(PDF().filename(), "Catalog.pdf") << "named after the book whose chapters it holds";
    EXPECT_EQ(plugintest::PdfInfo(PDF(), "Pages"), "1");
    EXPECT_EQ(fHost->CurrentBook(), fOther);
}

// With two books open, the font check, the PDF's name, its chapters and the package are all of the
// book the panel shows, whichever book is current.
TEST_F(BookFixture, WithTwoBooksOpenEveryStepTakesThePanelsBook)
{
    AddExportSendrixor("Package", {{"IncludeFilePackage", "true"}});
    fHost->SetCurrentBook(fOther);
    fHost->SetPanelSelection(fCatalog, {"Chapter 3.indd"});
    ASSERT_EQ(Export("Package"), GCPTSaveAsAction::cPDFWritten) << LastError();
    EXPECT_EQ(PDF().filename(), "Catalog.pdf");
    EXPECT_EQ(plugintest::PdfInfo(PDF(), "Pages"), "2");
    EXPECT_NE(plugintest::PdfPageText(PDF(), 1).find("Chapter 3.indd page 4"), std::string::npos);
    fs::path const package = testsupport::FsPathOf(fAction.GetPackagePath());
    EXPECT_EQ(package.filename(), "Catalog Folder");
    for (char const* file : {"Catalog.indb", "Chapter 1.indd", "Chapter 3.indd"})
        EXPECT_TRUE(fs::exists(package / file)) << file;
    EXPECT_FALSE(fs::exists(package / "Other.indb"));
    EXPECT_EQ(fHost->CurrentBook(), fOther);

    // A font missing in a chapter of the panel's book only is found.
    std::vector<std::string> const before = WrittenFiles("Proof A");
    WriteDocument("Chapter 1.indd", {"1", "2"}, {"Minion Pro"});
    EXPECT_EQ(Export("Proof A"), GCPTSaveAsAction::cExportFailed);
    EXPECT_EQ(LastError(), "Plug-in Error: Font is Missing! Correct the following font and try again:\n"
                           "Chapter 1.indd : \n    1. Minion Pro\n");
    EXPECT_EQ(WrittenFiles("Proof A"), before);
    EXPECT_EQ(fHost->CurrentBook(), fOther);
    EXPECT_TRUE(fHost->QuitChecks().empty());
}

// The panel's book not found: no PDF of another book, nor of the whole book in place of the chapter
// the user selected.
TEST_F(BookFixture, APanelBookThatCannotBeFoundIsTheBookError)
{
    struct Case
    {
        char const* fName;
        char const* fFault;
        int fSkip;
    };
    Case const cases[] = {
        {"no book utilities", "utils.65561", 0},
        {"no book manager for the panel", "query.session.65537", 1},
        {"no book in the panel", nullptr, 0},
    };
    fHost->SetPanelSelection(fCatalog, {"Chapter 2.indd"});
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fName);
        if (c.fFault)
        {
            indesignhost::Fault fault;
            fault.at = c.fFault;
            fault.skip = c.fSkip;
            fHost->Faults().Add(fault);
        }
        else
            fHost->SetPanelBook(nullptr);
        EXPECT_EQ(Export("Proof A"), GCPTSaveAsAction::cExportFailed);
        EXPECT_EQ(LastError(), "Plug-in Error: Book is either empty or invalid.");
        EXPECT_EQ(WrittenFiles("Proof A"), std::vector<std::string>{});
        EXPECT_EQ(fHost->CurrentBook(), fCatalog);
    }
    EXPECT_TRUE(fHost->QuitChecks().empty());
}

TEST_F(BookFixture, AModifiedBookIsSavedFirstAndAFailedSaveStopsTheExport)
{
    fHost->SetBookModified(fCatalog, true);
    Inject("book.save");
    EXPECT_EQ(Export("Proof A"), GCPTSaveAsAction::cExportFailed);
    EXPECT_EQ(LastError(), "Plug-in Error: Unable to save current document. Save the document and try again.");
    EXPECT_TRUE(fCatalog->IsModified());
    EXPECT_EQ(WrittenFiles("Proof A"), std::vector<std::string>{});
    ASSERT_EQ(Export("Proof A"), GCPTSaveAsAction::cPDFWritten) << LastError();
    EXPECT_FALSE(fCatalog->IsModified());
}

TEST_F(BookFixture, MissingFontsOfEveryChapterAreNamedTogether)
{
    WriteDocument("Chapter 1.indd", {"1"}, {"Minion Pro"});
    WriteDocument("Chapter 3.indd", {"4"}, {"Myriad Pro"});
    EXPECT_EQ(Export("Proof A"), GCPTSaveAsAction::cExportFailed);
    EXPECT_EQ(LastError(), "Plug-in Error: Fonts are Missing! Correct the following fonts and try again:\n"
                           "Chapter 1.indd : \n    1. Minion Pro\n\n"
                           "Chapter 3.indd : \n    1. Myriad Pro\n");
    EXPECT_EQ(WrittenFiles("Proof A"), std::vector<std::string>{});
}

// A chapter the user has open is the one the font check sees, with the user's unsaved changes; the
// export leaves it open and as it was.
TEST_F(BookFixture, TheFontCheckMeetsTheUsersOpenChapterAndLeavesItOpen)
{
    WriteDocument("Chapter 2.indd", {"3"}, {"Minion Pro"});
    IDocument* const chapter = fHost->OpenDocument((fTemp / "documents" / "Chapter 2.indd").string());
    fHost->SetDocumentModified(chapter, true);
    WriteDocument("Chapter 2.indd", {"3"});
    EXPECT_EQ(Export("Proof A"), GCPTSaveAsAction::cExportFailed);
    EXPECT_EQ(LastError(), "Plug-in Error: Font is Missing! Correct the following font and try again:\n"
                           "Chapter 2.indd : \n    1. Minion Pro\n");
    EXPECT_EQ(fHost->Documents(), std::vector<IDocument*>{chapter});
    EXPECT_TRUE(chapter->IsModified());
    EXPECT_TRUE(fHost->QuitChecks().empty());
}

TEST_F(BookFixture, TheBookIsPackagedOnRequest)
{
    AddExportSendrixor("Package", {{"IncludeFilePackage", "true"}});
    ASSERT_EQ(Export("Package"), GCPTSaveAsAction::cPDFWritten) << LastError();
    fs::path const package = testsupport::FsPathOf(fAction.GetPackagePath());
    EXPECT_EQ(package.filename(), "Catalog Folder");
    for (char const* file : {"Catalog.indb", "Chapter 1.indd", "Chapter 2.indd", "Chapter 3.indd"})
        EXPECT_TRUE(fs::exists(package / file)) << file;
}

TEST_F(BookFixture, EveryHostFailureOfTheBookGivesItsMessage)
{
    struct Case
    {
        char const* fFault;
        char const* fError;
        bool fPackage;
    };
    Case const cases[] = {
        {"bookManager.currentBook", "Plug-in Error: Book is either empty or invalid.", false},
        {"createCommand.65563", "Plug-in Error: PDF Export command not found", false},
        {"createCommand.setPDFExportPrefs", "Plug-in Error: PDF Export command not found", false},
        {"query.setPDFExportPrefs.9479", "Plug-in Error: Unable to retrieve PDF Export preferences", false},
        {"command.process.setPDFExportPrefs", "Plug-in Error: Unable to execute PDF Export command", false},
        {"command.process.65563", "Plug-in Error: PDF Export command not found", false},
        {"prefs.loadJobOptions",
         "Plug-in Error: Unable to read job options. Reselect the job options setting under the Printer tab and "
         "recreate the Sendrixor again.",
         false},
        {"createObject.80400", "Plug-in Error: Create Package command not found", true},
        {"package.run", "Plug-in Error: Unable to execute Create Package command", true},
    };
    AddExportSendrixor("Package", {{"IncludeFilePackage", "true"}});
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fFault);
        Inject(c.fFault);
        EXPECT_EQ(Export(c.fPackage ? "Package" : "Proof A"), GCPTSaveAsAction::cExportFailed);
        EXPECT_EQ(LastError(), c.fError);
        EXPECT_EQ(fHost->CurrentBook(), fCatalog);
    }
    // A chapter that cannot be opened ends the font check but not the export; its error is held and
    // shows only when a later step fails without an error of its own.
    Inject("document.openNoDocument");
    Inject("createCommand.setPDFExportPrefs");
    EXPECT_EQ(Export("Proof A"), GCPTSaveAsAction::cExportFailed);
    EXPECT_EQ(LastError(), "Plug-in Error: Invalid document.");
    Inject("createCommand.setPDFExportPrefs");
    EXPECT_EQ(Export("Proof A"), GCPTSaveAsAction::cExportFailed);
    EXPECT_EQ(LastError(), "Plug-in Error: PDF Export command not found") << "the failing step's own message";
    Inject("document.open");
    EXPECT_EQ(Export("Proof A"), GCPTSaveAsAction::cPDFWritten) << LastError();
    EXPECT_TRUE(fHost->QuitChecks().empty());
}

namespace
{
// The whole export with the test peer listening.
class ExportPeerTest : public DocumentExportTest
{
protected:
    void SetUp() override
    {
        DocumentExportTest::SetUp();
        GPPRozorazIzivozadaLayer::Initialize();
    }
    void TearDown() override
    {
        GPPRozorazIzivozadaLayer::Finalize();
        DocumentExportTest::TearDown();
    }

    deliverytest::PeerLock fPeers;
};
} // namespace

TEST_F(ExportPeerTest, AFinishedExportIsHandedToThePeerAsAJob)
{
    AddExportSendrixor("Proof A", {{"IncludeFilePackage", "true"}});
    fHost->OpenDocument(WriteDocument("Brochure.indd", {"1", "2", "3"}).string());
    deliverytest::PeerProcess peer((fTemp / "jobs").string(), "listen");
    ASSERT_TRUE(peer.AwaitState(GPPIPCManager::cListening));
    GCPTFeatureConfiguration const configuration;
    GCPTSaveAsTool tool(fAction, &configuration);
    tool.SetPrinterName(TextOf("Proof A"));
    tool.SetPageRange(GString("2-3"));
    tool.ExportToPDF();
    std::vector<std::string> const jobs = peer.AwaitJobs(2);
    ASSERT_EQ(jobs.size(), 2u);
    GPPJobInfo const pdfJob(GString(deliverytest::BufferOf(jobs[0]), GUTF8Encoding::GetInstance(), false));
    EXPECT_EQ(testsupport::FsPathOf(pdfJob.GetJobPath()), PDF());
    EXPECT_EQ(plugintest::PdfInfo(PDF(), "Pages"), "2");
    GPPJobInfo const packageJob(GString(deliverytest::BufferOf(jobs[1]), GUTF8Encoding::GetInstance(), false));
    EXPECT_EQ(testsupport::FsPathOf(packageJob.GetJobPath()), testsupport::FsPathOf(fAction.GetPackagePath()));
    EXPECT_TRUE(fShown.empty());
    EXPECT_EQ(peer.Stop(), 0);
}
