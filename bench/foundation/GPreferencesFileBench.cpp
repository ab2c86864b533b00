// A preference file of 1,000 groups of 20 keys: built through the module and written to disk, and
// read back, against QSettings in INI format doing the same with the same content. Each write
// replaces a file that is not there yet, so that neither side reads before it writes.
#include "BenchRatio.h"

#include <QSettings>
#include <QString>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "GBasicFrameworkCoreLayer.h"
#include "GBuffer.h"
#include "GPathName.h"
#include "GPrefFileModule.h"
#include "GString.h"
#include "GUnicodeEncoding.h"

namespace
{
constexpr int cGroups = 1000;
constexpr int cKeys = 20;

struct Entry
{
    std::string fGroup, fKey, fValue;
};

// Preference-like values of 5 to 60 characters, a few with a blank.
std::vector<Entry> const& Entries()
{
    static std::vector<Entry> const entries = []
    {
        std::mt19937 random(7);
        std::vector<Entry> result;
        for (int g = 0; g < cGroups; ++g)
            for (int k = 0; k < cKeys; ++k)
            {
                std::string value;
                std::size_t length = 5 + random() % 56;
                for (std::size_t j = 0; j < length; ++j)
                    value += j % 9 == 8 ? ' ' : static_cast<char>('a' + random() % 26);
                result.push_back({"Group" + std::to_string(g), "Key" + std::to_string(k), value});
            }
        return result;
    }();
    return entries;
}

std::filesystem::path const& Folder()
{
    static std::filesystem::path const folder = []
    {
        std::filesystem::path path = std::filesystem::temp_directory_path() / "sendrix-prefs-bench";
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

std::string const& PrefsPath()
{
    static std::string const path = (Folder() / "Bench.pref").string();
    return path;
}

std::string const& IniPath()
{
    static std::string const path = (Folder() / "Bench.ini").string();
    return path;
}

GPathName PrefsPathName()
{
    return GPathName(GString(PrefsPath().c_str()));
}

// The texts the module is given, made once: the benchmark measures the module, not the conversions
// of the caller's std::string.
struct ModuleTexts
{
    std::vector<GBuffer> fGroups, fKeys;
    std::vector<GString> fValues;
};

ModuleTexts const& Texts()
{
    static ModuleTexts const texts = []
    {
        ModuleTexts result;
        for (Entry const& entry : Entries())
        {
            result.fGroups.emplace_back(entry.fGroup.c_str());
            result.fKeys.emplace_back(entry.fKey.c_str());
            result.fValues.emplace_back(entry.fValue.c_str());
        }
        return result;
    }();
    return texts;
}

struct QtTexts
{
    std::vector<QString> fKeys, fValues;
};

QtTexts const& QTexts()
{
    static QtTexts const texts = []
    {
        QtTexts result;
        for (Entry const& entry : Entries())
        {
            result.fKeys.push_back(QString::fromStdString(entry.fGroup + "/" + entry.fKey));
            result.fValues.push_back(QString::fromStdString(entry.fValue));
        }
        return result;
    }();
    return texts;
}

void WritePrefs()
{
    ModuleTexts const& texts = Texts();
    GPrefFileModule module(PrefsPathName(), GUnicodeEncoding::GetInstance());
    for (std::size_t i = 0; i < texts.fValues.size(); ++i)
        module.Set(texts.fGroups[i], texts.fKeys[i], texts.fValues[i]);
    module.FlushPrefs();
}

void WriteIni()
{
    QtTexts const& texts = QTexts();
    QSettings settings(QString::fromStdString(IniPath()), QSettings::IniFormat);
    for (std::size_t i = 0; i < texts.fKeys.size(); ++i)
        settings.setValue(texts.fKeys[i], texts.fValues[i]);
    settings.sync();
}

void BM_PreferenceFileWrite(benchmark::State& state)
{
    for (auto _ : state)
    {
        state.PauseTiming();
        std::filesystem::remove(PrefsPath());
        state.ResumeTiming();
        WritePrefs();
    }
    state.SetItemsProcessed(state.iterations() * cGroups * cKeys);
}

void BM_QSettingsIniWrite(benchmark::State& state)
{
    for (auto _ : state)
    {
        state.PauseTiming();
        std::filesystem::remove(IniPath());
        state.ResumeTiming();
        WriteIni();
    }
    state.SetItemsProcessed(state.iterations() * cGroups * cKeys);
}

void BM_PreferenceFileRead(benchmark::State& state)
{
    WritePrefs();
    GBuffer const group("Group999");
    GBuffer const key("Key19");
    for (auto _ : state)
    {
        GPrefFileModule module(PrefsPathName(), GUnicodeEncoding::GetInstance());
        if (module.Get(group, key).IsEmpty() || module.WasReadIncomplete())
            state.SkipWithError("the file did not read back");
        benchmark::DoNotOptimize(module);
    }
    state.SetItemsProcessed(state.iterations() * cGroups * cKeys);
}

void BM_QSettingsIniRead(benchmark::State& state)
{
    WriteIni();
    QString const key("Group999/Key19");
    auto stamp = std::filesystem::last_write_time(IniPath());
    for (auto _ : state)
    {
        // QSettings keeps files it has read and reads one again only when its size or time has
        // changed: each round gives the file a new time.
        state.PauseTiming();
        stamp += std::chrono::seconds(1);
        std::filesystem::last_write_time(IniPath(), stamp);
        state.ResumeTiming();
        // QSettings parses a section when a key of it is first asked for; the list of all keys
        // parses every one, as the module's read does.
        QSettings settings(QString::fromStdString(IniPath()), QSettings::IniFormat);
        if (settings.allKeys().size() != cGroups * cKeys || settings.value(key).toString().isEmpty())
            state.SkipWithError("the file did not read back");
        benchmark::DoNotOptimize(settings);
    }
    state.SetItemsProcessed(state.iterations() * cGroups * cKeys);
}

BENCHMARK(BM_QSettingsIniWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreferenceFileWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QSettingsIniRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreferenceFileRead)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    GBasicFrameworkCoreLayer::Initialize();
    bench::Times const times = bench::RunAll(argc, argv);
    bench::PrintTimeRatio(times, "Preference file write time / QSettings INI write time",
                          "BM_PreferenceFileWrite", "BM_QSettingsIniWrite", "goal <= 1");
    bench::PrintTimeRatio(times, "Preference file read time / QSettings INI read time",
                          "BM_PreferenceFileRead", "BM_QSettingsIniRead", "goal <= 1");
    auto const find = [&times](char const* name)
    {
        auto const at = times.find(name);
        return at == times.end() ? 0.0 : at->second;
    };
    double const ours = find("BM_PreferenceFileWrite") + find("BM_PreferenceFileRead");
    double const theirs = find("BM_QSettingsIniWrite") + find("BM_QSettingsIniRead");
    if (ours > 0 && theirs > 0)
        std::printf(
            "Preference file write and read time / QSettings INI write and read time: %.2f (goal <= 1)\n",
            ours / theirs);
    std::error_code error;
    std::filesystem::remove_all(Folder(), error);
    GBasicFrameworkCoreLayer::Finalize();
    return 0;
}
