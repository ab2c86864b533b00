// The open and save panels on Qt's own file dialogs: what each hands back as foundation paths for a
// choice and for a cancel, the folder each starts in, the filters made from file types, the name a
// save proposes, and the host's modal state around each.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QSet>
#include <QStringList>

#include <fstream>
#include <functional>
#include <string>

#include "GFileType.h"
#include "GQStringSupport.h"
#include "GQUILayer.h"
#include "GQUIOpenSavePanel.h"
#include "GQUIPathNameSupport.h"
#include "GQUIUserMessage.h"
#include "QtuiTestSupport.h"
#include "StringText.h"
#include "TempFolder.h"

using qtuitest::HookLog;
using qtuitest::WhenModalIs;

namespace
{
class GQUIOpenSavePanelTest : public qtuitest::LayerTest
{
protected:
    void SetUp() override
    {
        LayerTest::SetUp();
        GQUILayer::Initialize();
        HookLog::Install();
        for (char const* name : {"a.pdf", "b.PDF", "notes.txt"})
            std::ofstream((fFolder / name).string()) << "x";
        QDir().mkpath(Native("sub"));
    }

    QString Native(std::string const& relative = std::string()) const
    {
        return QString::fromStdString((relative.empty() ? fFolder.Path() : fFolder / relative).string());
    }
    GPathName Path(std::string const& relative = std::string()) const
    {
        GPathName path;
        path.SetNativePathString(GString(Native(relative).toUtf8().constData()));
        return path;
    }
    // The dialog's folder and filters seen, then the file chosen in it (cancelled when empty).
    void Answer(QString const& choice)
    {
        WhenModalIs<QFileDialog>(
            [this, choice](QFileDialog* dialog)
            {
                fStartFolder = dialog->directory().absolutePath();
                fFilters = dialog->nameFilters();
                fProposed = dialog->selectedFiles().value(0);
                if (choice.isEmpty())
                    dialog->reject();
                else
                {
                    dialog->selectFile(choice);
                    QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
                }
            });
    }
    void ExpectBalancedHooks()
    {
        EXPECT_EQ("start modal, stop modal", HookLog::Calls("st"));
        for (void* handle : HookLog::Handles())
            EXPECT_EQ(nullptr, handle);
        HookLog::Clear();
    }

    testsupport::TempFolder fFolder;
    QString fStartFolder;
    QStringList fFilters;
    QString fProposed;
    GFileType const fPDF{GString("PDF Document"), GString("pdf"), GBuffer("CARO"), GBuffer("PDF "), 0};
    GFileType const fPDFUpper{GString("PDF Document"), GString("PDF"), GBuffer("CARO"), GBuffer("PDF "), 0};
    GFileType const fText{GString("Text"), GString("txt"), GBuffer("ttxt"), GBuffer("TEXT"), 0};
};

TEST_F(GQUIOpenSavePanelTest, FiltersGroupTheTypesByDescriptor)
{
    GTable<GFileType const*> types;
    QString filters = "stale";
    GQUIOpenSavePanel::CreateFileFilters(types, filters);
    EXPECT_EQ("", filters);

    types.AddItem(&fPDF);
    types.AddItem(&fText);
    types.AddItem(&fPDFUpper);
    GQUIOpenSavePanel::CreateFileFilters(types, filters);
    QStringList const entries = filters.split(";;");
    EXPECT_EQ((QSet<QString>{"PDF Document (*.pdf *.PDF)", "Text (*.txt)"}),
              QSet<QString>(entries.begin(), entries.end()));
    EXPECT_FALSE(filters.endsWith(";;"));
}

TEST_F(GQUIOpenSavePanelTest, AFolderChosenOrNot)
{
    GPathName folder = Path("earlier");
    Answer(Native("sub"));
    EXPECT_TRUE(GQUIOpenSavePanel::ChooseOpenFolder(folder, GString("Folder"), QFileDialog::Options(), Path()));
    EXPECT_EQ(Native("sub"), GQUIPathNameSupport::ConvertToUIQString(folder));
    EXPECT_EQ(Native(), fStartFolder);
    ExpectBalancedHooks();

    Answer(QString());
    EXPECT_FALSE(GQUIOpenSavePanel::ChooseOpenFolder(folder, GString("Folder"), QFileDialog::Options(), GPathName()));
    EXPECT_EQ(Native("sub"), GQUIPathNameSupport::ConvertToUIQString(folder));
    EXPECT_EQ(QDir::homePath(), fStartFolder);
    ExpectBalancedHooks();

    Answer(QString());
    EXPECT_FALSE(GQUIOpenSavePanel::ChooseCreateFolder(folder, GString("New Folder"), Path()));
    EXPECT_TRUE(folder.IsEmpty());
    EXPECT_EQ("", GQUIPathNameSupport::ConvertToUIQString(folder));
    ExpectBalancedHooks();
}

TEST_F(GQUIOpenSavePanelTest, AFileToOpen)
{
    GTable<GFileType const*> types;
    types.AddItem(&fPDF);
    types.AddItem(&fPDFUpper);
    GPathName file;
    Answer(Native("a.pdf"));
    EXPECT_TRUE(GQUIOpenSavePanel::ChooseOpen(file, GString("Open"), types, Path()));
    EXPECT_EQ(Native("a.pdf"), GQUIPathNameSupport::ConvertToUIQString(file));
    EXPECT_EQ(QStringList{"PDF Document (*.pdf *.PDF)"}, fFilters);
    ExpectBalancedHooks();

    // The service's chooser answers true when nothing was chosen, and starts at home.
    Answer(QString());
    EXPECT_TRUE(GQUIUserMessage().ShowFileChooserDialog(GString("Open"), &fText, file));
    EXPECT_EQ(Native("a.pdf"), GQUIPathNameSupport::ConvertToUIQString(file));
    EXPECT_EQ(QDir::homePath(), fStartFolder);
    ExpectBalancedHooks();
}

TEST_F(GQUIOpenSavePanelTest, SeveralFilesAreAppendedAndTheChooserStartsInTheGivenFolder)
{
    GTable<GPathName> files;
    files.AddItem(Path("b.PDF"));
    Answer(Native("notes.txt"));
    EXPECT_TRUE(GQUIOpenSavePanel::ChooseOpen(files, GString("Add"), static_cast<GFileType const*>(nullptr), Path()));
    ASSERT_EQ(2, files.GetCount());
    EXPECT_EQ(Native("b.PDF"), GQUIPathNameSupport::ConvertToUIQString(files[0]));
    EXPECT_EQ(Native("notes.txt"), GQUIPathNameSupport::ConvertToUIQString(files[1]));
    EXPECT_EQ(Native(), fStartFolder);
    ExpectBalancedHooks();

    Answer(QString());
    EXPECT_FALSE(GQUIOpenSavePanel::ChooseOpen(files, GString("Add"), &fText, Path("sub")));
    EXPECT_EQ(2, files.GetCount());
    EXPECT_EQ(Native("sub"), fStartFolder);
    ExpectBalancedHooks();
}

TEST_F(GQUIOpenSavePanelTest, ASaveProposesTheTypesExtension)
{
    struct Row
    {
        char const* fDefaultName;
        char const* fProposed;
    };
    for (Row const& row : {Row{"report", "report.pdf"}, Row{"report.txt", "report.txt"}})
    {
        SCOPED_TRACE(row.fDefaultName);
        GPathName file = Path("earlier");
        Answer(QString());
        EXPECT_FALSE(GQUIOpenSavePanel::ChooseSave(file, GString("Save"), GString(row.fDefaultName), Path(), &fPDF));
        EXPECT_TRUE(file.IsEmpty());
        EXPECT_EQ(Native(row.fProposed), fProposed);
        EXPECT_EQ(QStringList{"PDF Document (*.pdf)"}, fFilters);
        ExpectBalancedHooks();
    }

    GPathName file;
    Answer(Native("sub/out.pdf"));
    EXPECT_TRUE(GQUIUserMessage().ChooseSave(GString("Save"), GString("out"), &fPDF, file));
    EXPECT_EQ(Native("sub/out.pdf"), GQUIPathNameSupport::ConvertToUIQString(file));
    EXPECT_EQ(QDir::homePath() + "/out.pdf", fProposed);
    ExpectBalancedHooks();
}
} // namespace
