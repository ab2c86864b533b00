// The host's PDF exports: the document's command writes the real PDF of the pages it is given with
// the job options' settings and the setters' changes, the book's writes the chosen chapters in book
// order with the session's settings; both fail cleanly where there is nothing to write or nowhere
// to write it. Fonts are looked for anew at every refresh.
#include "HostTestSupport.h"

#include "ExportSettings.h"
#include "IBook.h"
#include "IBookContent.h"
#include "IBookExportData.h"
#include "ICommand.h"
#include "IDocumentFontUsage.h"
#include "IOutputPages.h"
#include "IPDFExportPrefs.h"
#include "IPageList.h"
#include "ISysFileData.h"

namespace
{
namespace fs = std::filesystem;
using hosttest::HostTest;

class HostExportTest : public HostTest
{
protected:
    // Job options with crop marks and a 9 pt bleed all round.
    fs::path JobOptions()
    {
        indesignhost::ExportSettings settings;
        settings.cropMarks = true;
        settings.bleedTop = settings.bleedBottom = settings.bleedInside = settings.bleedOutside = 9;
        settings.markOffset = 6;
        return Write("Proof.joboptions", indesignhost::WriteJobOptions(settings));
    }

    // Runs a PDF export of the range of the document into the file; answers ProcessCommand's result.
    ErrorCode Export(IDocument* document, char const* range, fs::path const& pdf,
                     std::function<void(IPDFExportPrefs&)> const& change = nullptr)
    {
        InterfacePtr<ICommand> const command(CmdUtils::CreateCommand(ICommand::kPDFExportCmdBoss));
        InterfacePtr<IPDFExportPrefs> const prefs(command.get());
        InterfacePtr<ISysFileData> const file(command.get());
        InterfacePtr<IOutputPages> const output(command.get());
        EXPECT_TRUE(prefs && file && output);
        if (!prefs || !file || !output)
            return kFailure;
        EXPECT_EQ(kSuccess, prefs->LoadJobOptions(IDFile::FromPOSIXPath(JobOptions().string())));
        if (change)
            change(*prefs.get());
        file->Set(IDFile::FromPOSIXPath(pdf.string()));
        UIDList pages(document);
        InterfacePtr<IPageList>(document)->ParsePageRange(PMString(range), pages);
        PMString name;
        document->GetName(name);
        output->InitializeFrom(pages, prefs->GetSpreads() == 1, name);
        return CmdUtils::ProcessCommand(command.get());
    }
};

TEST_F(HostExportTest, WritesThePdfOfTheChosenPagesWithTheMergedSettings)
{
    IDocument* const document = Open("Brochure.indd", hosttest::DocumentText({"1", "2", "3", "4"}));
    fs::path const pdf = fFolder / "out" / "Brochure.pdf";
    fs::create_directories(pdf.parent_path());
    ASSERT_EQ(kSuccess, Export(document, "2-3", pdf,
                               [](IPDFExportPrefs& prefs)
                               {
                                   prefs.SetUseDocumentBleed(kFalse);
                                   prefs.SetBleedTop(3);
                                   prefs.SetBleedInside(3);
                                   prefs.SetBleedOutside(3);
                                   prefs.SetBleedBottom(3);
                                   prefs.SetCropMarks(kFalse);
                               }));
    auto const info = hosttest::PdfInfo(pdf);
    EXPECT_EQ("2", info.at("Pages"));
    EXPECT_EQ("Brochure", info.at("Title"));
    // A4 with 3 pt of bleed on each side and no marks: the setters win over the job options.
    EXPECT_EQ(0u, info.at("Page size").find("601.276 x 847.89 pts")) << info.at("Page size");
    EXPECT_FALSE(fs::exists(pdf.string() + ".part"));

    auto const commands = fHost->GetTranscript().Find("command", "PDFExport");
    ASSERT_EQ(1u, commands.size());
    QJsonObject const settings = commands[0].value("settings").toObject();
    EXPECT_EQ(3.0, settings.value("BleedTop").toDouble());
    EXPECT_FALSE(settings.value("CropMarks").toBool());
    EXPECT_EQ(6.0, settings.value("MarkOffset").toDouble());
    EXPECT_EQ(QJsonArray({"2", "3"}), commands[0].value("pages").toArray());
    EXPECT_EQ(1u, Count("file", "pdf"));
    EXPECT_TRUE(fHost->QuitChecks().empty());
}

TEST_F(HostExportTest, FailsWithoutPagesOrWhereNothingCanBeWritten)
{
    IDocument* const document = Open("Brochure.indd", hosttest::DocumentText({"1", "2"}));
    testsupport::WriteFile(fFolder / "file", "not a folder");
    struct Case
    {
        char const* what;
        char const* range;
        fs::path pdf;
    };
    Case const cases[] = {
        {"no pages", "99", fFolder / "Brochure.pdf"},
        {"missing folder", "1", fFolder / "missing" / "Brochure.pdf"},
        {"a file as the folder", "1", fFolder / "file" / "Brochure.pdf"},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.what);
        EXPECT_EQ(kFailure, Export(document, test.range, test.pdf));
        EXPECT_FALSE(fs::exists(test.pdf));
    }
    EXPECT_EQ(0u, Count("file", "pdf"));
    EXPECT_TRUE(fHost->QuitChecks().empty());
}

TEST_F(HostExportTest, JobOptionsThatCannotBeReadLeaveTheSettingsAsTheyWere)
{
    InterfacePtr<ICommand> const command(CmdUtils::CreateCommand(ICommand::kPDFExportCmdBoss));
    InterfacePtr<IPDFExportPrefs> const prefs(command.get());
    prefs->SetSpreads(1);
    fs::path const broken = Write("Broken.joboptions", "<< /ExportSpreads false");
    EXPECT_EQ(kFailure, prefs->LoadJobOptions(IDFile::FromPOSIXPath(broken.string())));
    EXPECT_EQ(kFailure, prefs->LoadJobOptions(IDFile::FromPOSIXPath((fFolder / "none.joboptions").string())));
    EXPECT_EQ(1, prefs->GetSpreads());
}

TEST_F(HostExportTest, FontUsageSeesAFontFileDeletedBetweenTwoLooks)
{
    IDocument* const document = Open(
        "Fonts.indd",
        hosttest::DocumentText({"1"}, {{"DejaVu Sans", "DejaVuSans.ttf"}, {"Nowhere Sans", "Nowhere.ttf"}}));
    InterfacePtr<IDocumentFontUsage> const usage(document);
    ASSERT_TRUE(usage);
    usage->Refresh();
    ASSERT_EQ(1, usage->GetMissingFontCount());
    PMString name;
    usage->GetNthMissingFontName(0, name);
    EXPECT_EQ("Nowhere Sans", name.GetUTF8());

    fs::remove(fFonts / "DejaVuSans.ttf");
    EXPECT_EQ(1, usage->GetMissingFontCount());
    usage->Refresh();
    ASSERT_EQ(2, usage->GetMissingFontCount());
    usage->GetNthMissingFontName(0, name);
    EXPECT_EQ("DejaVu Sans", name.GetUTF8());
    usage->GetNthMissingFontName(1, name);
    EXPECT_EQ("Nowhere Sans", name.GetUTF8());
}

class HostBookExportTest : public HostExportTest
{
protected:
    void SetUp() override
    {
        HostExportTest::SetUp();
        Write("Ch1.indd", hosttest::DocumentText({"1", "2"}));
        Write("Ch2.indd", hosttest::DocumentText({"3"}));
        Write("Ch3.indd", hosttest::DocumentText({"4", "5", "6"}));
        fBook = fHost->OpenBook(
            Write("Catalog.indb", hosttest::BookText({"Ch1.indd", "Ch2.indd", "Ch3.indd"})).string());
    }

    // Stores the job options as the session's settings, as the plug-in does before a book export.
    void StoreSessionSettings()
    {
        InterfacePtr<ICommand> const command(CmdUtils::CreateCommand(ICommand::kSetPDFExportPrefsCmdBoss));
        InterfacePtr<IPDFExportPrefs> const prefs(command.get());
        ASSERT_TRUE(prefs);
        ASSERT_EQ(kSuccess, prefs->LoadJobOptions(IDFile::FromPOSIXPath(JobOptions().string())));
        prefs->SetCropMarks(kFalse);
        ASSERT_EQ(kSuccess, CmdUtils::ProcessCommand(command.get()));
    }

    ErrorCode ExportBook(UIDList const& documents, bool all, fs::path const& pdf, ClassID format)
    {
        InterfacePtr<ICommand> const command(CmdUtils::CreateCommand(ICommand::kBookExportCmdBoss));
        InterfacePtr<IBookExportData> const data(command.get());
        EXPECT_TRUE(data);
        if (!data)
            return kFailure;
        data->SetBookFile(fBook->GetBookFileSpec());
        data->SetDocuments(documents, all ? kTrue : kFalse);
        data->SetOutputFile(IDFile::FromPOSIXPath(pdf.string()), kTrue);
        data->SetExportFormat(format, IBookExportData::kExportEverything);
        return CmdUtils::ProcessCommand(command.get());
    }

    IBook* fBook = nullptr;
};

TEST_F(HostBookExportTest, WritesEveryChapterOrTheChosenOnesInBookOrder)
{
    StoreSessionSettings();
    EXPECT_EQ(9.0, fHost->SessionPdfSettings().bleedTop);
    EXPECT_FALSE(fHost->SessionPdfSettings().cropMarks);

    ASSERT_EQ(kSuccess, ExportBook(UIDList(), true, fFolder / "All.pdf", IBookExportData::kPDFExportFormat));
    auto const all = hosttest::PdfInfo(fFolder / "All.pdf");
    EXPECT_EQ("6", all.at("Pages"));
    EXPECT_EQ("Catalog", all.at("Title"));
    // A4 with the session's 9 pt bleed on each side.
    EXPECT_EQ(0u, all.at("Page size").find("613.276 x 859.89 pts")) << all.at("Page size");

    UIDList chosen(fBook);
    chosen.Append(fHost->ChapterUID(fBook, 2));
    chosen.Append(fHost->ChapterUID(fBook, 0));
    ASSERT_EQ(kSuccess, ExportBook(chosen, false, fFolder / "Some.pdf", IBookExportData::kPDFExportFormat));
    EXPECT_EQ("5", hosttest::PdfInfo(fFolder / "Some.pdf").at("Pages"));
    auto const commands = fHost->GetTranscript().Find("command", "BookExport");
    ASSERT_EQ(2u, commands.size());
    QJsonArray const read = commands[1].value("chapters").toArray();
    ASSERT_EQ(2, read.size());
    EXPECT_TRUE(read[0].toString().endsWith("Ch1.indd"));
    EXPECT_TRUE(read[1].toString().endsWith("Ch3.indd"));
    EXPECT_TRUE(fHost->QuitChecks().empty());
}

TEST_F(HostBookExportTest, FailsOnAMissingChapterAWrongFormatOrAForeignDocument)
{
    UIDList foreign(fBook);
    foreign.Append(99999);
    EXPECT_EQ(kFailure,
              ExportBook(UIDList(), true, fFolder / "Format.pdf", IBookExportData::kPDFExportFormat + 1));
    EXPECT_EQ(kFailure,
              ExportBook(foreign, false, fFolder / "Foreign.pdf", IBookExportData::kPDFExportFormat));
    fs::remove(fFolder / "Ch2.indd");
    EXPECT_EQ(kFailure,
              ExportBook(UIDList(), true, fFolder / "Missing.pdf", IBookExportData::kPDFExportFormat));
    for (char const* name : {"Format.pdf", "Foreign.pdf", "Missing.pdf"})
        EXPECT_FALSE(fs::exists(fFolder / name)) << name;
    EXPECT_EQ(3u, Count("command", "BookExport"));
    EXPECT_EQ(0u, Count("file", "pdf"));
}
} // namespace
