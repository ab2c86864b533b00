// The example's fixture tool: makes a Sendrixor as the plug-in finds it, under the home folder the
// process is given (HOME), and tells whether a "RozorazIzivozada" process listens for jobs.
//
//     sendrixor-fixture sendrixor <name> <job options file> [--build <number>] [--setting <key>=<text>]...
//     sendrixor-fixture listening
//     sendrixor-fixture wait-listening <process id> <seconds>
//
// "sendrixor" replaces any record of that name, so that a folder set up again holds one. "listening"
// prints the ids of the listening processes, one a line, and exits 1 when there is none;
// "wait-listening" exits 0 once that process listens, 1 when the time is up or it ended.
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <signal.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "GBasicFrameworkCoreLayer.h"
#include "GException.h"
#include "GPPActorRegistry.h"
#include "GPPIPCManager.h"
#include "GPPJobNotifier.h"
#include "GPPRozorazIzivozadaLayer.h"
#include "GProcessInfo.h"
#include "GTable.h"
#include "SendrixorMaker.h"

namespace
{
using sendrixormaker::TextOf;
using sendrixormaker::Utf8Of;

constexpr int cExitUsage = 2;

int Usage(std::string const& problem)
{
    std::cerr << "sendrixor-fixture: " << problem << "\n"
              << "usage: sendrixor-fixture sendrixor <name> <job options file> [--build <number>] "
                 "[--setting <key>=<text>]...\n"
              << "       sendrixor-fixture listening\n"
              << "       sendrixor-fixture wait-listening <process id> <seconds>\n";
    return cExitUsage;
}

// The whole number the text is, or false.
bool WholeNumber(std::string const& text, long& number)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    number = std::strtol(text.c_str(), &end, 10);
    return *end == '\0';
}

int MakeSendrixor(std::vector<std::string> const& arguments)
{
    if (arguments.size() < 2)
        return Usage("sendrixor needs a name and a job options file");
    std::string const& name = arguments[0];
    std::ifstream jobOptionsFile(arguments[1], std::ios::binary);
    if (name.empty())
        return Usage("the Sendrixor's name is empty");
    if (!jobOptionsFile)
        return Usage("cannot read the job options file " + arguments[1]);
    std::string const jobOptions((std::istreambuf_iterator<char>(jobOptionsFile)),
                                 std::istreambuf_iterator<char>());
    long build = 4711;
    sendrixormaker::Settings settings;
    for (std::size_t i = 2; i < arguments.size(); i += 2)
    {
        if (i + 1 >= arguments.size())
            return Usage(arguments[i] + " needs a value");
        std::string const& value = arguments[i + 1];
        if (arguments[i] == "--build")
        {
            if (!WholeNumber(value, build) || build < 0 || build > 999999999)
                return Usage("--build: " + value + " is no build number");
        }
        else if (arguments[i] == "--setting")
        {
            std::size_t const equals = value.find('=');
            if (equals == std::string::npos || equals == 0)
                return Usage("--setting: " + value + " is no <key>=<text>");
            settings.emplace_back(value.substr(0, equals), value.substr(equals + 1));
        }
        else
            return Usage("unknown option " + arguments[i]);
    }

    // The GUID is the settings folder's name: one per name, so that a Sendrixor made again replaces
    // its archive.
    std::string guid = "Example-";
    for (char const c : name)
        guid += std::isalnum(static_cast<unsigned char>(c)) ? c : '-';
    std::filesystem::path const archive = sendrixormaker::SettingsFolder(guid) / "project.szip";
    std::error_code ignored;
    std::filesystem::remove(archive, ignored);
    sendrixormaker::MakeArchive(archive,
                                {{"Project/Project.prefs", sendrixormaker::ProjectPrefs(settings, name)},
                                 {"PrinterFiles/" + name + ".joboptions", jobOptions}},
                                sendrixormaker::ArchivePassword(), SENDRIX_ZIP_PATH);
    GPPActorRegistry registry;
    while (registry.UnRegister(TextOf(name)))
    {
    }
    sendrixormaker::RegisterSendrixor(name, archive, true, "", static_cast<int>(build));
    std::cout << archive.string() << "\n";
    return 0;
}

// The processes of the receiving name that listen for jobs now.
std::vector<int> ListeningPeers()
{
    std::vector<int> listening;
    GPPIPCManager* const manager = GPPIPCManager::GetInstance();
    GProcessInfo* const processes = GProcessInfo::GetInstance();
    if (!manager || !processes)
        return listening;
    GTable<int> ids;
    processes->GetProcessID(GPPJobNotifier::GetProcessName(), ids, false);
    for (int i = 0; i < ids.GetCount(); ++i)
        if (ids[i] != processes->GetCurrentProcessID() &&
            manager->GetListeningState(ids[i]) == GPPIPCManager::cListening)
            listening.push_back(ids[i]);
    return listening;
}

int Listening()
{
    std::vector<int> const peers = ListeningPeers();
    for (int const peer : peers)
        std::cout << peer << "\n";
    return peers.empty() ? 1 : 0;
}

int WaitListening(std::vector<std::string> const& arguments)
{
    long processID = 0;
    long seconds = 0;
    if (arguments.size() != 2 || !WholeNumber(arguments[0], processID) || processID <= 0 ||
        !WholeNumber(arguments[1], seconds) || seconds <= 0)
        return Usage("wait-listening needs a process id and a number of seconds");
    auto const until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < until)
    {
        for (int const peer : ListeningPeers())
            if (peer == processID)
                return 0;
        if (kill(static_cast<pid_t>(processID), 0) != 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 1;
}

int Run(std::string const& command, std::vector<std::string> const& arguments)
{
    if (command == "sendrixor")
        return MakeSendrixor(arguments);
    if (command == "listening" && arguments.empty())
        return Listening();
    if (command == "wait-listening")
        return WaitListening(arguments);
    return Usage("unknown command " + command);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage("no command");
    std::string const command = argv[1];
    std::vector<std::string> const arguments(argv + 2, argv + argc);
    int result = 1;
    try
    {
        GPPRozorazIzivozadaLayer::Initialize();
    }
    catch (GException const& exception)
    {
        std::cerr << "sendrixor-fixture: the delivery link did not start: "
                  << Utf8Of(exception.GetFullDescription()) << "\n";
        return 1;
    }
    try
    {
        result = Run(command, arguments);
    }
    catch (sendrixormaker::MakerError const& error)
    {
        std::cerr << "sendrixor-fixture: " << error.what() << "\n";
    }
    catch (GException const& exception)
    {
        std::cerr << "sendrixor-fixture: " << Utf8Of(exception.GetFullDescription()) << "\n";
    }
    catch (std::exception const& error)
    {
        std::cerr << "sendrixor-fixture: " << error.what() << "\n";
    }
    GPPRozorazIzivozadaLayer::Finalize();
    return result;
}
