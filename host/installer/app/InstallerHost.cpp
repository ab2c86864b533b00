// installer-host: loads an Installer pane bundle, shows its pane in a window as the macOS Installer
// does and, when the user continues past it, prints the section's shared dictionary. With a scenario
// file the window is answered step by step instead of by the user (for tests on Qt's offscreen
// platform); alerts are then printed rather than shown.
//
//   installer-host [--volume <folder>] [--search-folder <folder>]... [--search-nothing]
//                  [--scenario <file>] <pane bundle>
//
// Exit status: 0 when the user continued past the pane, 1 when the window was closed, 2 for wrong
// arguments, a pane that does not load or a scenario that does not read, 3 when the scenario ended on
// the pane, 4 when a search did not finish within a minute.
#include "AppKitStandIn.h"
#include "InstallerPane.h"
#include "InstallerScenario.h"
#include "InstallerWindow.h"
#include "MetadataQueryStandIn.h"
#include "macos/CFBundleStandIn.h"
#include "macos/CFRunLoopStandIn.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <deque>
#include <dlfcn.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

// Qt's offscreen platform does not delete the screen and the cursor it makes with the application.
// Full stacks are needed to tell those blocks from the host's own.
extern "C" char const* __lsan_default_suppressions()
{
    return "leak:QGuiApplicationPrivate::createPlatformIntegration\n";
}

extern "C" char const* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

namespace
{
// The platform's notices of what it cannot do offscreen say nothing about the installer.
void FilterPlatformNotices(QtMsgType, QMessageLogContext const&, QString const& message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")) ||
        message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

void Print(std::string const& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

int Usage(std::string const& why)
{
    std::fprintf(
        stderr,
        "installer-host: %s\nusage: installer-host [--volume <folder>] [--search-folder <folder>]... "
        "[--search-nothing] [--scenario <file>] <pane bundle>\n",
        why.c_str());
    return 2;
}

std::string UTF8Of(CFStringRef text)
{
    return AppKitStandInQString(text).toStdString();
}

// The bundle's principal class made into a pane, its module kept loaded.
struct LoadedPane
{
    void* fModule = nullptr;
    std::unique_ptr<InstallerPane> fPane;

    ~LoadedPane()
    {
        fPane.reset();
        // The module stays loaded: Qt may still hold what it made (its widgets' styles, its slots).
    }
};

bool LoadPane(std::string const& bundlePath, InstallerSection* section, LoadedPane& loaded, std::string& why)
{
    CFURLRef const url = CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(bundlePath.data()),
        static_cast<CFIndex>(bundlePath.size()), true);
    CFBundleRef const bundle = url ? CFBundleCreate(kCFAllocatorDefault, url) : nullptr;
    if (url)
        CFRelease(url);
    if (!bundle)
    {
        why = "no bundle at " + bundlePath;
        return false;
    }
    CFURLRef const executable = CFBundleCopyExecutableURL(bundle);
    CFTypeRef const principal = CFBundleGetValueForInfoDictionaryKey(bundle, CFSTR("NSPrincipalClass"));
    std::string const className =
        principal ? CFStringStandInGetUTF8(static_cast<CFStringRef>(principal)) : "";
    CFRelease(bundle);
    UInt8 path[4096];
    bool const located = executable && CFURLGetFileSystemRepresentation(executable, true, path, sizeof path);
    if (executable)
        CFRelease(executable);
    if (!located || className.empty())
    {
        why = "the bundle names no executable or no principal class";
        return false;
    }
    loaded.fModule = dlopen(reinterpret_cast<char const*>(path), RTLD_NOW | RTLD_LOCAL);
    if (!loaded.fModule)
    {
        why = dlerror();
        return false;
    }
    loaded.fPane.reset(InstallerPaneStandInMakePane(className.c_str(), section));
    if (!loaded.fPane || !loaded.fPane->contentView())
    {
        why = "the bundle has no pane class " + className;
        return false;
    }
    return true;
}

// Answers the window step by step; alerts are printed and open panels answered from the steps.
class ScenarioRunner : public AppKitStandInRobot
{
public:
    ScenarioRunner(std::vector<InstallerScenarioStep> steps, InstallerWindow& window, InstallerPane& pane)
        : fSteps(std::move(steps)), fWindow(window), fPane(pane)
    {
    }

    NSInteger AnswerAlert(std::string const& title, std::string const& text) override
    {
        Print("alert: " + title + ": " + text);
        return NSAlertDefaultReturn;
    }

    bool AnswerOpenPanel(std::string& path) override
    {
        if (fPanelAnswers.empty())
            return false;
        path = fPanelAnswers.front();
        fPanelAnswers.pop_front();
        return !path.empty();
    }

    // The status to end with, or -1 to go on with the next step later.
    int RunNext()
    {
        if (fNext >= fSteps.size())
        {
            Print("scenario ended on the pane");
            return 3;
        }
        InstallerScenarioStep const& step = fSteps[fNext];
        if (step.fKind == InstallerScenarioStep::cWaitSearch)
        {
            // Entering again with the same volume keeps the list and starts no search: there is
            // nothing to wait for then.
            if (NSMetadataQueryStandInFinishedGatherings() > fWindow.GatheringsAtEntry() ||
                NSMetadataQueryStandInRunningGatherings() == 0)
            {
                ++fNext;
                fWaitStarted = false;
                return -1;
            }
            if (!fWaitStarted)
            {
                fWait = QDeadlineTimer(60000);
                fWaitStarted = true;
            }
            if (fWait.hasExpired())
            {
                Print("the search did not finish");
                return 4;
            }
            return -1;
        }
        ++fNext;
        QComboBox* const comboBox = fPane.contentView()->findChild<QComboBox*>();
        QLineEdit* const field = fPane.contentView()->findChild<QLineEdit*>();
        QPushButton* const button = fPane.contentView()->findChild<QPushButton*>();
        switch (step.fKind)
        {
        case InstallerScenarioStep::cChoose:
            if (comboBox && step.fIndex < comboBox->count())
            {
                comboBox->setCurrentIndex(step.fIndex);
                Q_EMIT comboBox->activated(step.fIndex);
            }
            else
                Print("no item " + std::to_string(step.fIndex) + " to choose");
            break;
        case InstallerScenarioStep::cBrowse:
        case InstallerScenarioStep::cBrowseCancel:
            fPanelAnswers.push_back(step.fArgument);
            if (button)
                button->click();
            break;
        case InstallerScenarioStep::cContinue:
            fWindow.Continue();
            break;
        case InstallerScenarioStep::cBack:
            fWindow.Back();
            break;
        case InstallerScenarioStep::cVolume:
            if (!fWindow.ChooseVolume(QString::fromStdString(step.fArgument)))
                Print("the volume is chosen on the page before the pane");
            break;
        case InstallerScenarioStep::cShow:
        {
            QStringList items;
            for (int i = 0; comboBox && i < comboBox->count(); ++i)
                items << comboBox->itemText(i);
            Print("items: " + items.join(QStringLiteral(" | ")).toStdString());
            Print("selected: " + std::to_string(comboBox ? comboBox->currentIndex() : -1));
            Print("path: " + (field ? field->text().toStdString() : std::string()));
            Print("tooltip: " + (comboBox ? comboBox->toolTip().toStdString() : std::string()));
            break;
        }
        case InstallerScenarioStep::cSnapshot:
            if (!fWindow.grab().save(QString::fromStdString(step.fArgument), "PNG"))
                Print("no snapshot written to " + step.fArgument);
            break;
        case InstallerScenarioStep::cWaitSearch:
            break;
        }
        return -1;
    }

private:
    std::vector<InstallerScenarioStep> fSteps;
    std::size_t fNext = 0;
    InstallerWindow& fWindow;
    InstallerPane& fPane;
    std::deque<std::string> fPanelAnswers;
    QDeadlineTimer fWait;
    bool fWaitStarted = false;
};
} // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(FilterPlatformNotices);
    QApplication application(argc, argv);
    // Closing the window ends the installation without continuing.
    application.setQuitOnLastWindowClosed(false);
    QObject::connect(&application, &QGuiApplication::lastWindowClosed,
                     [&application] { application.exit(1); });
    std::string volume = "/";
    std::string scenarioPath;
    std::string bundlePath;
    std::vector<std::string> searchFolders;
    bool searchNothing = false;
    QStringList const arguments = application.arguments();
    for (int i = 1; i < arguments.size(); ++i)
    {
        std::string const argument = arguments[i].toStdString();
        bool const hasValue = i + 1 < arguments.size();
        if (argument == "--volume" && hasValue)
            volume = arguments[++i].toStdString();
        else if (argument == "--scenario" && hasValue)
            scenarioPath = arguments[++i].toStdString();
        else if (argument == "--search-folder" && hasValue)
            searchFolders.push_back(arguments[++i].toStdString());
        else if (argument == "--search-nothing")
            searchNothing = true;
        else if (bundlePath.empty() && !argument.empty() && argument[0] != '-')
            bundlePath = argument;
        else
            return Usage("unexpected argument " + argument);
    }
    if (bundlePath.empty())
        return Usage("no pane bundle");

    std::vector<InstallerScenarioStep> steps;
    if (!scenarioPath.empty())
    {
        std::ifstream file(scenarioPath, std::ios::binary);
        std::string const text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::string why;
        if (!file.is_open() || !InstallerScenarioRead(text, steps, &why))
            return Usage("the scenario " + scenarioPath +
                         " does not read: " + (why.empty() ? "no file" : why));
    }
    if (searchNothing || !searchFolders.empty())
        NSMetadataQueryStandInSetSearchFolders(&searchFolders);

    NSAutoreleasePool* const pool = new NSAutoreleasePool;
    int status = 1;
    {
        InstallerSection section;
        section.installerState()->StandInSetTargetVolumePath(
            AppKitStandInMakeString(QString::fromStdString(volume)));
        LoadedPane loaded;
        std::string why;
        if (!LoadPane(bundlePath, &section, loaded, why))
        {
            pool->drain();
            return Usage("the pane does not load: " + why);
        }
        InstallerWindow window(
            loaded.fPane.get(),
            [&](int result)
            {
                NSAutoreleasePool* const inner = new NSAutoreleasePool;
                NSMutableDictionary* const shared = section.sharedDictionary();
                Print("shared dictionary:");
                CFArrayRef const keys = shared->allKeys();
                for (CFIndex i = 0; i < CFArrayGetCount(keys); ++i)
                {
                    CFStringRef const key = static_cast<CFStringRef>(CFArrayGetValueAtIndex(keys, i));
                    CFTypeRef const value = shared->objectForKey(key);
                    Print("  " + UTF8Of(key) + " = " + UTF8Of(static_cast<CFStringRef>(value)));
                }
                inner->drain();
                application.exit(result);
            });

        // The pane's search finishes through the main thread's run loop, served between Qt's events.
        QTimer runLoop;
        QObject::connect(&runLoop, &QTimer::timeout,
                         []
                         {
                             NSAutoreleasePool* const inner = new NSAutoreleasePool;
                             CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false);
                             inner->drain();
                         });
        runLoop.start(10);

        std::unique_ptr<ScenarioRunner> runner;
        QTimer stepTimer;
        if (!scenarioPath.empty())
        {
            runner = std::make_unique<ScenarioRunner>(steps, window, *loaded.fPane);
            AppKitStandInSetRobot(runner.get());
            QObject::connect(&stepTimer, &QTimer::timeout,
                             [&]
                             {
                                 int const result = runner->RunNext();
                                 if (result >= 0)
                                 {
                                     stepTimer.stop();
                                     application.exit(result);
                                 }
                             });
            stepTimer.start(15);
        }
        window.show();
        window.EnterPane();
        Print("pane: " + window.Heading().toStdString());
        status = application.exec();
        stepTimer.stop();
        runLoop.stop();
        AppKitStandInSetRobot(nullptr);
    }
    pool->drain();
    return status;
}
