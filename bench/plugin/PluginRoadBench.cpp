// The road a user walks, for a 20-page document: "Export to Sendrixor..." chosen in the host's File
// menu, the export dialog answered with OK, the PDF written and the job taken by a "RozorazIzivozada"
// peer of the bench's own. Beside it, in the same program, the two parts that are not the plug-in's:
// the host's PDF command writing the same pages alone, and a job sent to the peer until it has taken
// it (its polling). What is left of the road is the plug-in's own time; printed with its share of the
// whole.
#include "BenchRatio.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QJsonObject>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "GBasicFrameworkCoreLayer.h"
#include "GPPJobInfo.h"
#include "GPPJobNotifier.h"
#include "PeerProcess.h"
#include "PlugIn.h"
#include "PluginBenchSetUp.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

namespace
{
constexpr int cPages = 20;
char const* const cFileMenu = "Main:&File";
char const* const cItemName = "Export to Sendrixor...";

// Presses OK in the export dialog from inside its loop, as the user does.
class OkPresser : public QObject
{
public:
    OkPresser() { qApp->installEventFilter(this); }
    ~OkPresser() override
    {
        if (qApp)
            qApp->removeEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        QWidget* const widget = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && widget && widget->isWindow() &&
            widget->inherits("GCSPUSaveAsSealmarkPDFDialog"))
        {
            QPointer<QWidget> const dialog(widget);
            QTimer::singleShot(0, this,
                               [dialog]
                               {
                                   QDialogButtonBox* const buttons =
                                       dialog ? dialog->findChild<QDialogButtonBox*>() : nullptr;
                                   if (QPushButton* const ok =
                                           buttons ? buttons->button(QDialogButtonBox::Ok) : nullptr)
                                       ok->click();
                                   else if (dialog)
                                       dialog->close();
                               });
        }
        else if (event->type() == QEvent::Show && widget && widget->isWindow())
        {
            // An error box ends the road: it is noted and closed, so that the run stops instead of waiting.
            if (QMessageBox* const box = qobject_cast<QMessageBox*>(widget))
                fLastError = box->text().toStdString();
            ++fOthers;
            QPointer<QWidget> const other(widget);
            QTimer::singleShot(0, this,
                               [other]
                               {
                                   if (other)
                                       other->close();
                               });
        }
        return QObject::eventFilter(watched, event);
    }
    // Windows other than the dialog: an error box means the road failed.
    int fOthers = 0;
    std::string fLastError;
};

// A Sendrixor, a 20-page document, the host with the plug-in's object and its start-up done, and a
// peer that takes jobs, set up once.
struct Workspace
{
    Workspace()
    {
        // The foundation stays up between the runs: its platform start-up names the program's bundle,
        // which the plug-in's bundle below then replaces. It comes first: the paths below are UTF-8
        // text, and the UTF-8 encoding is one of the things its start-up makes; a path made before has
        // no encoding, and the file system refuses it.
        GBasicFrameworkCoreLayer::Initialize();
        pluginbench::AddPluginFolders(Root(), Root() / "temp");
        pluginbench::RegisterPluginBundle(Root(), "com.example.sendrix.road-bench");
        fJobOptions = Root() / "Proof.joboptions";
        pluginbench::AddProofSendrixor({{"UserSettings", "true"}, {"Trim", "true"}}, fJobOptions);
        fs::path const document = Root() / "Brochure.indd";
        pluginbench::WriteDocument(document, cPages);
        fHost = pluginbench::MakeHostWithFonts(Root());
        fDocument = fHost->OpenDocument(document.string());
        fHost->AddPlugIn(*GetPlugIn());
        fHost->StartServices();
        // The component, and with it the plug-in's Qt application, is made before the first menu shows.
        fHost->UpdateMenu(cFileMenu);
        fPresser = std::make_unique<OkPresser>();
        fPeer = std::make_unique<deliverytest::PeerProcess>((Root() / "jobs").string(), "listen", 5);
        fListening = fPeer->AwaitState(GPPIPCManager::cListening);
    }
    ~Workspace()
    {
        fPresser.reset();
        fHost->StopPlugIns();
        fPeer->Stop();
    }

    // Why the road cannot be walked here; empty when it can.
    std::string SetUpProblem() const
    {
        if (!GFileSystem::TryFolderExists(GFileSystem::GetSpecialPath(-2)))
            return "the temporary folder is not usable";
        if (!fListening)
            return "the peer did not come to listen";
        return std::string();
    }

    // The jobs the bench's peer took that name this workspace's files. Another program's peer may be
    // listening as well and take the same jobs, and its sender's jobs may reach this peer: only the
    // bench's own count.
    std::size_t OwnJobs() const
    {
        std::string const mark = Root().filename().string();
        std::size_t count = 0;
        for (std::string const& job : fPeer->Jobs())
        {
            if (job.find(mark) != std::string::npos)
                ++count;
        }
        return count;
    }
    // Whether the peer has taken count jobs of the bench's own; looked at often, as the time up to
    // the look is measured.
    bool AwaitOwnJobs(std::size_t count) const
    {
        auto const until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (OwnJobs() < count)
        {
            if (std::chrono::steady_clock::now() > until)
                return false;
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        return true;
    }
    // The page count of the last PDF the host wrote; 0 for none.
    int LastPdfPages() const
    {
        std::vector<QJsonObject> const pdfs = fHost->GetTranscript().Find("file", "pdf");
        return pdfs.empty() ? 0 : pdfs.back().value("pages").toInt();
    }

    fs::path Root() const { return fRoot.Path(); }
    // Each export writes anew, as the first export of a document does.
    void ClearOutput() const
    {
        GString logon;
        PSystem::GetLogonName(logon);
        fs::remove_all(Root() / "temp" / testsupport::Utf8Of(logon));
        fs::remove_all(Root() / "temp" / "out");
        fs::create_directories(Root() / "temp" / "out");
    }

    deliverytest::PeerLock fPeers;
    testsupport::TempFolder fRoot{"sendrix-road-bench"};
    fs::path fJobOptions;
    std::unique_ptr<indesignhost::Host> fHost;
    IDocument* fDocument = nullptr;
    std::unique_ptr<OkPresser> fPresser;
    std::unique_ptr<deliverytest::PeerProcess> fPeer;
    bool fListening = false;
};

// Made and taken down by main while Qt and the foundation are still there: at the program's exit the
// plug-in's windows would be destroyed after Qt's own statics.
std::unique_ptr<Workspace> sWorkspace;

Workspace& TheWorkspace()
{
    return *sWorkspace;
}

void BM_RoadMenuToJobTaken(benchmark::State& state)
{
    Workspace& space = TheWorkspace();
    for (auto _ : state)
    {
        state.PauseTiming();
        space.ClearOutput();
        std::size_t const pdfs = space.fHost->GetTranscript().Find("file", "pdf").size();
        std::size_t const jobs = space.OwnJobs();
        state.ResumeTiming();
        bool const chosen = space.fHost->ChooseMenuItem(cFileMenu, cItemName);
        bool const taken = chosen && space.AwaitOwnJobs(jobs + 1);
        state.PauseTiming();
        std::string problem;
        if (!chosen)
            problem = "the menu item was not there";
        else if (space.fPresser->fOthers != 0)
            problem = "the road showed a box: " + space.fPresser->fLastError;
        else if (space.fHost->GetTranscript().Find("file", "pdf").size() != pdfs + 1 ||
                 space.LastPdfPages() != cPages)
            problem = "the road did not write a PDF of " + std::to_string(cPages) + " pages";
        else if (!taken)
            problem = "the peer took no job of the road";
        if (!problem.empty())
        {
            state.SkipWithError(problem.c_str());
            break;
        }
        state.ResumeTiming();
    }
    space.ClearOutput();
}

void BM_HostPDFWriting(benchmark::State& state)
{
    Workspace& space = TheWorkspace();
    fs::path const pdf = space.Root() / "temp" / "out" / "Brochure.pdf";
    for (auto _ : state)
    {
        state.PauseTiming();
        space.ClearOutput();
        state.ResumeTiming();
        if (!pluginbench::ExportWithPDFCommand(space.fDocument, space.fJobOptions, pdf, "Brochure.indd") ||
            space.LastPdfPages() != cPages)
        {
            state.SkipWithError("the PDF export failed");
            break;
        }
    }
    space.ClearOutput();
}

void BM_PeerTakesAJob(benchmark::State& state)
{
    Workspace& space = TheWorkspace();
    GString logon;
    PSystem::GetLogonName(logon);
    GPPJobInfo const job(logon, testsupport::PathOf(space.Root() / "Brochure.pdf"), GString("Proof"),
                         GString("10987"), 1, GString());
    for (auto _ : state)
    {
        state.PauseTiming();
        std::size_t const jobs = space.OwnJobs();
        state.ResumeTiming();
        if (!GPPJobNotifier(job).TrySendNotification() || !space.AwaitOwnJobs(jobs + 1))
        {
            state.SkipWithError("the peer took no job");
            break;
        }
    }
}

// Turns alternate, so that no side gets a warmer cache.
BENCHMARK(BM_HostPDFWriting)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_PeerTakesAJob)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_RoadMenuToJobTaken)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
} // namespace

int main(int argc, char** argv)
{
    // As the host program does without a display.
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    sWorkspace = std::make_unique<Workspace>();
    std::string const problem = sWorkspace->SetUpProblem();
    if (!problem.empty())
    {
        std::fprintf(stderr, "PluginRoadBench: %s\n", problem.c_str());
        sWorkspace.reset();
        return 1;
    }
    bench::Times const times = bench::RunAll(argc, argv);
    sWorkspace.reset();
    auto const road = times.find("BM_RoadMenuToJobTaken/iterations:20/real_time");
    auto const pdf = times.find("BM_HostPDFWriting/iterations:20/real_time");
    auto const peer = times.find("BM_PeerTakesAJob/iterations:20/real_time");
    if (road == times.end() || pdf == times.end() || peer == times.end() || road->second <= 0)
        return 1;
    double const own = road->second - pdf->second - peer->second;
    char text[64];
    std::snprintf(text, sizeof text, "%.1f ms of %.1f ms", own, road->second);
    bench::PrintFigure("Export road, 20 pages, menu choice to job taken, the plug-in's own time",
                       "less the host's PDF writing and the peer's polling", text, "for the record");
    bench::PrintFigure("Export road, 20 pages, the plug-in's share", "of the whole road",
                       bench::FormatRatio(own / road->second), "goal <= 0.25");
    return 0;
}
