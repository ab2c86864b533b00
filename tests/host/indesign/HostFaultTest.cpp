// Faults at the host's boundaries: every point fails its own SDK call the way the plug-in must cope
// with (no object, a failure result), fires as often as it is told after the calls it lets pass,
// is recorded when it fires and reported at quit when it never did.
#include "HostTestSupport.h"

#include <functional>

#include "IActionManager.h"
#include "IApplication.h"
#include "IBook.h"
#include "IBookExportData.h"
#include "IBookManager.h"
#include "IBookUtils.h"
#include "ICommand.h"
#include "IDialogUtils.h"
#include "IDocumentFontUsage.h"
#include "IDocumentOpenUtils.h"
#include "IDocumentSaveUtils.h"
#include "IFrontDocumentUtils.h"
#include "IMenuManager.h"
#include "IOutputPages.h"
#include "IPDFExportPrefs.h"
#include "IPackageReport.h"
#include "IPackager.h"
#include "IPageList.h"
#include "ISession.h"
#include "IShortcutManager.h"
#include "ISysFileData.h"
#include "UtilsBoss.h"

namespace
{
namespace fs = std::filesystem;
using hosttest::HostTest;

// The cases' checks reach the fixture's documents and helpers.
class HostFaultTest : public HostTest
{
public:
    void SetUp() override
    {
        HostTest::SetUp();
        fDocument = Open("Brochure.indd", hosttest::DocumentText({"1", "2"}));
        fBook = fHost->OpenBook(Write("Catalog.indb", hosttest::BookText({"Brochure.indd"})).string());
        fJobOptions = Write("Proof.joboptions", "<< /CropMarks true >>");
    }

    void TearDown() override { HostTest::TearDown(); }

    template<class T>
    static InterfacePtr<T> Utils()
    {
        return InterfacePtr<T>(UtilsBoss::QueryUtils<T>());
    }

    IPackager* RunPackage(ClassID packagerClass, PMIID interfaceID, fs::path const& target)
    {
        auto* const packager = static_cast<IPackager*>(CreateObject(packagerClass, interfaceID));
        if (!packager)
            return nullptr;
        packager->SetDocument(fDocument);
        packager->SetBook(fBook);
        packager->SetTargetFolder(IDFile::FromPOSIXPath(target.string()));
        packager->SetOptions(1, 1, 1, nullptr, 0, 0, 1, 0);
        return packager;
    }

    IDocument* fDocument = nullptr;
    IBook* fBook = nullptr;
    fs::path fJobOptions;
};

TEST_F(HostFaultTest, EachPointFailsItsOwnCall)
{
    using Check = std::function<bool(HostFaultTest&)>;
    struct Case
    {
        char const* at;
        // True when the call failed as the fault makes it fail.
        Check failed;
    };
    Case const cases[] = {
        {"session", [](HostFaultTest&) { return GetExecutionContextSession() == nullptr; }},
        {"session.app", [](HostFaultTest&)
         { return !InterfacePtr<IApplication>(GetExecutionContextSession()->QueryApplication()); }},
        {"app.actionManager",
         [](HostFaultTest&)
         {
             InterfacePtr<IApplication> const app(GetExecutionContextSession()->QueryApplication());
             return !InterfacePtr<IActionManager>(app->QueryActionManager());
         }},
        {"actionManager.menuManager",
         [](HostFaultTest&)
         {
             InterfacePtr<IApplication> const app(GetExecutionContextSession()->QueryApplication());
             InterfacePtr<IActionManager> const actions(app->QueryActionManager());
             return actions && !InterfacePtr<IMenuManager>(actions.get());
         }},
        {"actionManager.shortcutManager",
         [](HostFaultTest&)
         {
             InterfacePtr<IApplication> const app(GetExecutionContextSession()->QueryApplication());
             InterfacePtr<IActionManager> const actions(app->QueryActionManager());
             return actions && !InterfacePtr<IShortcutManager>(actions.get());
         }},
        {"utils.118846", [](HostFaultTest&) { return !Utils<IFrontDocumentUtils>(); }},
        {"createCommand.9477",
         [](HostFaultTest&) { return CmdUtils::CreateCommand(ICommand::kPDFExportCmdBoss) == nullptr; }},
        {"createCommand.setPDFExportPrefs", [](HostFaultTest&)
         { return CmdUtils::CreateCommand(ICommand::kSetPDFExportPrefsCmdBoss) == nullptr; }},
        {"createCommand.65563",
         [](HostFaultTest&) { return CmdUtils::CreateCommand(ICommand::kBookExportCmdBoss) == nullptr; }},
        {"query.9477.9479",
         [](HostFaultTest&)
         {
             InterfacePtr<ICommand> const command(CmdUtils::CreateCommand(ICommand::kPDFExportCmdBoss));
             return command && !InterfacePtr<IPDFExportPrefs>(command.get());
         }},
        {"query.9477.3587",
         [](HostFaultTest&)
         {
             InterfacePtr<ICommand> const command(CmdUtils::CreateCommand(ICommand::kPDFExportCmdBoss));
             return command && !InterfacePtr<ISysFileData>(command.get());
         }},
        {"query.65563.65554",
         [](HostFaultTest&)
         {
             InterfacePtr<ICommand> const command(CmdUtils::CreateCommand(ICommand::kBookExportCmdBoss));
             return command && !InterfacePtr<IBookExportData>(command.get());
         }},
        {"query.session.65537",
         [](HostFaultTest&) { return !InterfacePtr<IBookManager>(GetExecutionContextSession()); }},
        {"command.process.setPDFExportPrefs",
         [](HostFaultTest&)
         {
             InterfacePtr<ICommand> const command(
                 CmdUtils::CreateCommand(ICommand::kSetPDFExportPrefsCmdBoss));
             return CmdUtils::ProcessCommand(command.get()) == kFailure;
         }},
        {"prefs.loadJobOptions",
         [](HostFaultTest& test)
         {
             InterfacePtr<ICommand> const command(CmdUtils::CreateCommand(ICommand::kPDFExportCmdBoss));
             InterfacePtr<IPDFExportPrefs> const prefs(command.get());
             return prefs->LoadJobOptions(IDFile::FromPOSIXPath(test.fJobOptions.string())) == kFailure;
         }},
        {"document.save", [](HostFaultTest& test)
         { return Utils<IDocumentSaveUtils>()->SaveDocument(test.fDocument) == kFailure; }},
        {"document.open",
         [](HostFaultTest& test)
         {
             IDocument* opened = nullptr;
             return Utils<IDocumentOpenUtils>()->OpenDocument(test.fDocument->GetDocumentFile(), opened) ==
                        kFailure &&
                    !opened;
         }},
        {"document.openNoDocument",
         [](HostFaultTest& test)
         {
             IDocument* opened = nullptr;
             return Utils<IDocumentOpenUtils>()->OpenDocument(test.fDocument->GetDocumentFile(), opened) ==
                        kSuccess &&
                    !opened;
         }},
        {"document.fontUsage",
         [](HostFaultTest& test) { return !InterfacePtr<IDocumentFontUsage>(test.fDocument); }},
        {"query.document.1324", [](HostFaultTest& test) { return !InterfacePtr<IPageList>(test.fDocument); }},
        {"createObject.80393", [](HostFaultTest&)
         { return !CreateObject(IPackager::kDocumentPackageBoss, IPackager::kDefaultIID); }},
        {"createObject.80400", [](HostFaultTest&)
         { return !CreateObject(IPackager::kBookPackageBoss, IPackager::kBookPackagerIID); }},
        {"createObject.80395", [](HostFaultTest&)
         { return !CreateObject(IPackageReport::kPackageReportBoss, IPackageReport::kDefaultIID); }},
        {"package.run",
         [](HostFaultTest& test)
         {
             fs::path const target = test.fFolder.Path() / "Run Folder";
             InterfacePtr<IPackager> const packager(
                 test.RunPackage(IPackager::kDocumentPackageBoss, IPackager::kDefaultIID, target));
             return packager->Run() == kFailure && !fs::exists(target);
         }},
        {"report.result",
         [](HostFaultTest& test)
         {
             fs::path const target = test.fFolder.Path() / "Report Folder";
             InterfacePtr<IPackager> const packager(
                 test.RunPackage(IPackager::kDocumentPackageBoss, IPackager::kDefaultIID, target));
             InterfacePtr<IPackageReport> const report(static_cast<IPackageReport*>(
                 CreateObject(IPackageReport::kPackageReportBoss, IPackageReport::kDefaultIID)));
             return packager->Run() == kSuccess && report->Run(packager.get(), 0, 0, 1) == 0;
         }},
        {"bookManager.currentBook",
         [](HostFaultTest&)
         {
             InterfacePtr<IBookManager> const books(GetExecutionContextSession());
             return books->GetCurrentBook() == nullptr;
         }},
        {"book.save",
         [](HostFaultTest& test) { return Utils<IBookUtils>()->SaveBook(test.fBook) == kFailure; }},
        {"dialog.acquire",
         [](HostFaultTest&) { return Utils<IDialogUtils>()->AcquireModalDialogState() == nullptr; }},
    };
    for (Case const& test : cases)
    {
        SCOPED_TRACE(test.at);
        // A host of its own for each point.
        TearDown();
        SetUp();
        indesignhost::Fault fault;
        fault.at = test.at;
        fHost->Faults().Add(fault);
        EXPECT_TRUE(test.failed(*this));
        EXPECT_EQ(1u, Count("fault", fault.at));
        EXPECT_TRUE(fHost->Faults().NeverFired().empty());
        EXPECT_TRUE(fHost->QuitChecks().empty());
    }
}

TEST_F(HostFaultTest, AProcessFaultAnswersItsResultAndWritesNothing)
{
    indesignhost::Fault fault;
    fault.at = "command.process.9477";
    fault.result = 7;
    fHost->Faults().Add(fault);
    InterfacePtr<ICommand> const command(CmdUtils::CreateCommand(ICommand::kPDFExportCmdBoss));
    InterfacePtr<ISysFileData>(command.get())->Set(IDFile::FromPOSIXPath((fFolder / "Faulted.pdf").string()));
    UIDList pages(fDocument);
    pages.Append(InterfacePtr<IPageList>(fDocument)->GetNthPageUID(0));
    InterfacePtr<IOutputPages>(command.get())->InitializeFrom(pages, kFalse, PMString("Brochure.indd"));
    EXPECT_EQ(7, CmdUtils::ProcessCommand(command.get()));
    EXPECT_FALSE(fs::exists(fFolder / "Faulted.pdf"));
    // Once fired, the next processing does the work.
    EXPECT_EQ(kSuccess, CmdUtils::ProcessCommand(command.get()));
    EXPECT_TRUE(fs::exists(fFolder / "Faulted.pdf"));
}

TEST_F(HostFaultTest, FiresAfterTheCallsItLetsPassAsOftenAsToldAndIsReportedWhenItNeverFires)
{
    indesignhost::Fault fault;
    fault.at = "utils.1665";
    fault.skip = 1;
    fault.times = 2;
    fHost->Faults().Add(fault);
    std::vector<bool> answered;
    for (int call = 0; call < 4; ++call)
        answered.push_back(static_cast<bool>(Utils<IDialogUtils>()));
    EXPECT_EQ((std::vector<bool>{true, false, false, true}), answered);
    EXPECT_EQ(2u, Count("fault", "utils.1665"));

    indesignhost::Fault unused;
    unused.at = "createObject.80395";
    fHost->Faults().Add(unused);
    std::vector<std::string> const problems = fHost->QuitChecks();
    ASSERT_EQ(1u, problems.size());
    EXPECT_NE(std::string::npos, problems[0].find("createObject.80395"));
}

TEST_F(HostFaultTest, KnowsItsPointsByNameAndRejectsOthers)
{
    struct Case
    {
        char const* at;
        char const* normalized;
    };
    Case const known[] = {
        {"session.app", "session.app"},
        {"createCommand.2113929228", "createCommand.setPDFExportPrefs"},
        {"query.2113929477.44804", "query.document.44804"},
        {"command.process.65563", "command.process.65563"},
        {"utils.1665", "utils.1665"},
    };
    for (Case const& test : known)
    {
        SCOPED_TRACE(test.at);
        EXPECT_EQ(test.normalized, indesignhost::FaultTable::Normalize(test.at));
    }
    for (char const* wrong : {"", "session.ap", "utils.", "utils.x", "query.document", "query.nothing.1",
                              "createCommand.99999999999", "command.process", "query.document.44804.1"})
    {
        SCOPED_TRACE(wrong);
        EXPECT_THROW(indesignhost::FaultTable::Normalize(wrong), std::invalid_argument);
    }
    indesignhost::Fault never;
    never.at = "book.save";
    never.times = 0;
    EXPECT_THROW(fHost->Faults().Add(never), std::invalid_argument);
}
} // namespace
