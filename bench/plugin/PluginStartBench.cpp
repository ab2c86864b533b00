// The plug-in's start, from the host taking its plug-in object to the first menu state: the start-up
// service registering the actions, then the action component made on first need (every layer of the
// system brought up, the Qt application among them) and asked for the File menu's states. Beside it,
// in the same program, its standard peer: a Qt application made, asked to process its events, and
// gone, which is the largest part of the start that is not the plug-in's own.
#include "BenchRatio.h"

#include <QApplication>

#include <filesystem>
#include <memory>
#include <string>

#include "GBasicFrameworkCoreLayer.h"
#include "Host.h"
#include "PlugIn.h"
#include "PluginBenchSetUp.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

namespace
{
// The plug-in's folders and its bundle, set up once.
struct Workspace
{
    Workspace()
    {
        // The foundation stays up between the runs: its platform start-up names the program's bundle,
        // which the plug-in's bundle below then replaces. It comes first, as it makes the encodings
        // that every path below is made in.
        GBasicFrameworkCoreLayer::Initialize();
        pluginbench::AddPluginFolders(Root(), Root());
        pluginbench::RegisterPluginBundle(Root(), "com.example.sendrix.start-bench");
    }

    fs::path Root() const { return fRoot.Path(); }

    testsupport::TempFolder fRoot{"sendrix-start-bench"};
};

Workspace& TheWorkspace()
{
    static Workspace workspace;
    return workspace;
}

void BM_PlugInStartToFirstMenuState(benchmark::State& state)
{
    TheWorkspace();
    for (auto _ : state)
    {
        state.PauseTiming();
        auto host = std::make_unique<indesignhost::Host>();
        state.ResumeTiming();
        host->AddPlugIn(*GetPlugIn());
        host->StartServices();
        std::vector<indesignhost::MenuItemState> const items = host->UpdateMenu("Main:&File");
        state.PauseTiming();
        bool const up = !items.empty() && QCoreApplication::instance();
        std::string const problems =
            host->Problems().empty() ? std::string("the plug-in did not come up") : host->Problems().front();
        host->StopPlugIns();
        host.reset();
        if (!up)
        {
            state.SkipWithError(problems.c_str());
            break;
        }
        state.ResumeTiming();
    }
}

void BM_QtApplicationAlone(benchmark::State& state)
{
    static int argc = 1;
    static char name[] = "InDesign";
    static char* argv[] = {name, nullptr};
    for (auto _ : state)
    {
        auto application = std::make_unique<QApplication>(argc, argv);
        QCoreApplication::processEvents();
        state.PauseTiming();
        application.reset();
        state.ResumeTiming();
    }
}

BENCHMARK(BM_QtApplicationAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_PlugInStartToFirstMenuState)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
} // namespace

int main(int argc, char** argv)
{
    // As the host program does without a display.
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    bench::Times const times = bench::RunAll(argc, argv);
    auto const start = times.find("BM_PlugInStartToFirstMenuState/iterations:20/real_time");
    if (start == times.end())
        return 1;
    char text[64];
    std::snprintf(text, sizeof text, "%.1f ms", start->second);
    bench::PrintFigure("Plug-in start, load to the first menu state, time", "none", text, "goal < 200 ms");
    bench::PrintTimeRatio(times, "Plug-in start to the first menu state / a Qt application made alone",
                          "BM_PlugInStartToFirstMenuState/iterations:20/real_time",
                          "BM_QtApplicationAlone/iterations:20/real_time", "for the record");
    return 0;
}
