// The document export action writing a 200-page document through the host stand-in (the plug-in's
// own work: the job options read again from the Sendrixor's archive, the settings applied, the
// output named, the fonts checked) against the host's PDF export command alone writing the same
// pages with the same job options. The figure is the ratio of their times.
#include "BenchRatio.h"

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "GBasicFrameworkCoreLayer.h"
#include "GCPTSaveAsProperties.h"
#include "GIDCSPSaveAsAction.h"
#include "GSignal.h"
#include "PluginBenchSetUp.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

namespace
{
constexpr int cPages = 200;

// A Sendrixor with its archive, a document of 200 pages and a host with its fonts, set up once.
struct Workspace
{
    Workspace()
    {
        GBasicFrameworkCoreLayer::Initialize();
        pluginbench::AddPluginFolders(Root(), Root() / "temp");
        fJobOptions = Root() / "Proof.joboptions";
        pluginbench::AddProofSendrixor(
            {{"BleedChoice", "BleedValueSet"}, {"BleedTopValue", "8.5"}, {"Trim", "true"}}, fJobOptions);
        fs::path const document = Root() / "Catalogue.indd";
        pluginbench::WriteDocument(document, cPages);
        fHost = pluginbench::MakeHostWithFonts(Root());
        fDocument = fHost->OpenDocument(document.string());
        fRequest = std::make_unique<GCPTSaveAsProperties>(GString("Proof"));
    }

    fs::path Root() const { return fRoot.Path(); }
    // Where the exports go (the temporary folder also holds the request's job options).
    fs::path Output() const { return Root() / "temp" / "out"; }
    // Each export writes anew, as the first export of a document does.
    void ClearOutput() const
    {
        fs::remove_all(Output());
        GString logon;
        PSystem::GetLogonName(logon);
        fs::remove_all(Root() / "temp" / testsupport::Utf8Of(logon));
        fs::create_directories(Output());
    }

    testsupport::TempFolder fRoot{"sendrix-export-bench"};
    fs::path fJobOptions;
    std::unique_ptr<indesignhost::Host> fHost;
    IDocument* fDocument = nullptr;
    std::unique_ptr<GCPTSaveAsProperties> fRequest;
};

Workspace& TheWorkspace()
{
    static Workspace workspace;
    return workspace;
}

void BM_DocumentExportAction(benchmark::State& state)
{
    Workspace& space = TheWorkspace();
    GIDCSPSaveAsAction action;
    action.SetActiveState(true);
    for (auto _ : state)
    {
        state.PauseTiming();
        space.ClearOutput();
        state.ResumeTiming();
        GSignal<GCPTSaveAsProperties>::GetSignal(GCPTSaveAsAction::cExportRequestChannel)
            ->Send(*space.fRequest);
        if (action.GetSaveAsPDF().IsEmpty() || !fs::exists(testsupport::FsPathOf(action.GetSaveAsPDF())))
            state.SkipWithError(testsupport::Utf8Of(action.GetLastError()).c_str());
    }
    space.ClearOutput();
}

void BM_HostPDFCommandAlone(benchmark::State& state)
{
    Workspace& space = TheWorkspace();
    fs::path const pdf = space.Output() / "Catalogue.pdf";
    for (auto _ : state)
    {
        state.PauseTiming();
        space.ClearOutput();
        state.ResumeTiming();
        if (!pluginbench::ExportWithPDFCommand(space.fDocument, space.fJobOptions, pdf, "Catalogue.indd",
                                               8.5))
            state.SkipWithError("the PDF export failed");
    }
    space.ClearOutput();
}

// Turns alternate, so that neither side gets a warmer cache.
BENCHMARK(BM_HostPDFCommandAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(30);
BENCHMARK(BM_DocumentExportAction)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(30);
} // namespace

int main(int argc, char** argv)
{
    TheWorkspace();
    bench::Times const times = bench::RunAll(argc, argv);
    // The request removes its copy of the job options when it goes, which must be before exit: the
    // file system's per-thread state is gone by the time static objects are destroyed.
    TheWorkspace().fRequest.reset();
    bench::PrintTimeRatio(times, "Document export action, 200 pages, time / the host's PDF command alone",
                          "BM_DocumentExportAction/iterations:30/real_time",
                          "BM_HostPDFCommandAlone/iterations:30/real_time", "goal <= 1.15");
    return 0;
}
