// The pane's test environment and fixture.
#include "PaneFixture.h"

#include <QApplication>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>

// Qt's offscreen platform does not delete the screen and the cursor it makes with the application.
extern "C" char const* __lsan_default_suppressions()
{
    return "leak:QGuiApplicationPrivate::createPlatformIntegration\n";
}

extern "C" char const* __asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

namespace panetest
{
namespace
{
void* sModule = nullptr;

void FilterPlatformNotices(QtMsgType, QMessageLogContext const&, QString const& message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")) ||
        message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

// Qt on the offscreen platform (unless the caller chose another) and the pane module, loaded as the
// installer loads it, for the whole test program.
class PaneEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        qInstallMessageHandler(FilterPlatformNotices);
        static int argc = 1;
        static char name[] = "installer_tests";
        static char* argv[] = {name, nullptr};
        fApplication = new QApplication(argc, argv);
        sModule = dlopen(SENDRIX_PANE_BUNDLE "/Contents/MacOS/HostPickerPane", RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(sModule, nullptr) << dlerror();
    }

    void TearDown() override
    {
        delete fApplication;
        fApplication = nullptr;
    }

private:
    QApplication* fApplication = nullptr;
};

::testing::Environment* const sEnvironment = ::testing::AddGlobalTestEnvironment(new PaneEnvironment);
} // namespace

void* Symbol(char const* name)
{
    void* const symbol = sModule ? dlsym(sModule, name) : nullptr;
    EXPECT_NE(symbol, nullptr) << "the pane module does not export " << name;
    return symbol;
}

std::string UTF8Of(CFStringRef text)
{
    return CFStringStandInGetUTF8(text);
}

CFStringRef MakeString(std::string const& text)
{
    CFStringRef const string =
        CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(text.data()),
                                static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8, false);
    return static_cast<CFStringRef>(CFAutorelease(string));
}

PaneFixture::PaneFixture()
{
    std::filesystem::create_directories(Applications());
    SetTargetVolume(Volume().string());
    SearchIn({Applications().string()});
    fPane = InstallerPaneStandInMakePane("InDesignDA2025", &fSection);
    if (!fPane)
        ADD_FAILURE() << "the module has no pane class InDesignDA2025";
    else
        fPane->title();
}

PaneFixture::~PaneFixture()
{
    delete fPane;
    NSMetadataQueryStandInSetSearchFolders(nullptr);
    fPool->drain();
}

void PaneFixture::SetTargetVolume(std::string const& path)
{
    fSection.installerState()->StandInSetTargetVolumePath(MakeString(path));
}

void PaneFixture::SearchIn(std::vector<std::string> const& folders)
{
    NSMetadataQueryStandInSetSearchFolders(&folders);
}

void PaneFixture::EnterAndWait()
{
    unsigned long const before = NSMetadataQueryStandInFinishedGatherings();
    fPane->didEnterPane(InstallerDirectionForward);
    ASSERT_TRUE(WaitForSearch(before));
}

bool PaneFixture::WaitForSearch(unsigned long finishedBefore)
{
    auto const deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (NSMetadataQueryStandInFinishedGatherings() == finishedBefore)
    {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.05, true);
    }
    return true;
}

void PaneFixture::Choose(int index)
{
    ComboBox()->setCurrentIndex(index);
    Q_EMIT ComboBox()->activated(index);
}

void PaneFixture::Browse(std::string const& path)
{
    fRobot.fAnswers.push_back(path);
    Button()->click();
}

std::vector<std::string> PaneFixture::Items() const
{
    std::vector<std::string> items;
    for (int i = 0; i < ComboBox()->count(); ++i)
        items.push_back(ComboBox()->itemText(i).toStdString());
    return items;
}

std::string PaneFixture::SharedPath() const
{
    CFTypeRef const value = fSection.sharedDictionary()->objectForKey(CFSTR("PPATH"));
    return value ? UTF8Of(static_cast<CFStringRef>(value)) : std::string();
}

QComboBox* PaneFixture::ComboBox() const
{
    return fPane->contentView()->findChild<QComboBox*>(QStringLiteral("uiCSInstallations"));
}

QLineEdit* PaneFixture::Field() const
{
    return fPane->contentView()->findChild<QLineEdit*>(QStringLiteral("mPathOfSelectedApp"));
}

QPushButton* PaneFixture::Button() const
{
    return fPane->contentView()->findChild<QPushButton*>(QStringLiteral("uiBrowseBtn"));
}
} // namespace panetest
