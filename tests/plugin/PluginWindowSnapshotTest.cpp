// Pictures of the plug-in's windows, one PNG per window beside the toolkit's in the build folder's
// "qtui-snapshots", for a person to look at after a run on a real display (scripts/qtui-snapshots
// runs them under Xvfb): the export dialog closed, with its options open and without Sendrixors, the
// settings panel, the licence dialog and the plug-in's message boxes. Each picture must show the
// window's content, not an empty area.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "CopyrightDialog.h"
#include "GCPTFeatureConfiguration.h"
#include "GCPTPluginPrefTool.h"
#include "GCPTSaveAsAction.h"
#include "GCPTSaveAsTool.h"
#include "GCSPUSaveAsSealmarkPDFDialog.h"
#include "GCUSPDFSettingsAdjWdt.h"
#include "GGPCPluginCSSettings.h"
#include "GQUICollapsibleFrame.h"
#include "GQUIExpandCollapseButton.h"
#include "GUnitSupport.h"
#include "GUserMessage.h"
#include "PluginUIFixture.h"
#include "SendrixorFixture.h"

namespace
{
// An export action that is never asked to export here.
class IdleAction : public GCPTSaveAsAction
{
public:
    bool SaveAsPDF(GCPTSaveAsProperties const&, GPathName const&) override { return false; }
    bool CreatePackage(GPathName const&) override { return false; }
};

class PluginWindowSnapshotTest : public plugintest::SendrixorFixture
{
protected:
    void SetUp() override
    {
        SendrixorFixture::SetUp();
        fUI = std::make_unique<plugintest::PluginUIScope>(fTemp / "ui");
        QDir().mkpath(SENDRIX_SNAPSHOT_FOLDER);
        // The document dialog's switches, lengths in millimetres.
        for (int feature = GCPTFeatureConfiguration::SlugArea; feature <= GCPTFeatureConfiguration::FilePackage;
             ++feature)
            fSwitches.SetFeatureAvailable(feature, true);
        GUnitSupport::SetDefaultUnitCode(GUnitSupport::cMillimeters);
    }
    void TearDown() override
    {
        fUI.reset();
        SendrixorFixture::TearDown();
    }

    std::unique_ptr<GCSPUSaveAsSealmarkPDFDialog> OpenDialog()
    {
        return std::make_unique<GCSPUSaveAsSealmarkPDFDialog>(GString("Export to Sendrixor"), fTool);
    }

    // Shows the window, saves its picture and checks that it holds more than one colour.
    static void Snapshot(QWidget& window, char const* name)
    {
        window.show();
        QApplication::processEvents();
        Save(window.grab().toImage(), name);
    }
    static void Save(QImage const& picture, char const* name)
    {
        QString const file = QStringLiteral(SENDRIX_SNAPSHOT_FOLDER "/") + name + ".png";
        EXPECT_TRUE(picture.save(file)) << file.toStdString();
        std::set<QRgb> colours;
        for (int y = 0; y < picture.height(); y += 2)
            for (int x = 0; x < picture.width(); x += 2)
                colours.insert(picture.pixel(x, y));
        EXPECT_GT(colours.size(), 3u) << name << " looks empty";
    }

    std::unique_ptr<plugintest::PluginUIScope> fUI;
    IdleAction fAction;
    GCPTFeatureConfiguration fSwitches;
    GCPTSaveAsTool fTool{fAction, &fSwitches};
};

std::vector<std::pair<std::string, std::string>> const cProofSettings{
    {"UserSettings", "true"},     {"IncludeFilePackage", "true"}, {"BleedChoice", "BleedValueSet"},
    {"BleedTopValue", "8.503937"}, {"PrinterMarks", "true"},       {"Trim", "true"},
    {"Bleed", "true"},            {"MarkOffset", "5.669291"}};
} // namespace

TEST_F(PluginWindowSnapshotTest, ExportDialogClosedAndWithItsOptionsOpen)
{
    AddSendrixor("Proof A", StandardEntries(cProofSettings), true, "Proof A - Coated FOGRA39");
    AddSendrixor("Web", StandardEntries(), true, "Smallest File Size");
    GCPTPluginPrefTool::SetLastUsedPDFSetting(GString("Proof A"));
    std::unique_ptr<GCSPUSaveAsSealmarkPDFDialog> const dialog = OpenDialog();
    Snapshot(*dialog, "plugin-export-dialog");
    dialog->findChild<GQUICollapsibleFrame*>()->Button()->click();
    Snapshot(*dialog, "plugin-export-dialog-options");
}

TEST_F(PluginWindowSnapshotTest, ExportDialogWithoutSendrixors)
{
    std::unique_ptr<GCSPUSaveAsSealmarkPDFDialog> const dialog = OpenDialog();
    Snapshot(*dialog, "plugin-export-dialog-empty");
}

TEST_F(PluginWindowSnapshotTest, SettingsPanel)
{
    GPrefMemoryModule store;
    for (auto const& setting : cProofSettings)
        store.Set(GGPCPluginCSSettings::cPluginSettingsGroup, GBuffer(setting.first.c_str()),
                  GString(setting.second.c_str()));
    QWidget window;
    auto* const layout = new QVBoxLayout(&window);
    auto* const panel = new GCUSPDFSettingsAdjWdt(nullptr);
    layout->addWidget(panel);
    window.show();
    panel->LoadSettings(GGPCPluginCSSettings(store));
    Snapshot(window, "plugin-settings-panel");
}

TEST_F(PluginWindowSnapshotTest, LicenseDialog)
{
    testsupport::WriteFile(fUI->Contents() / "Resources" / "Licenses" / "TextInSoftware.txt",
                           "This product includes software developed by the Qt Company.\n\n"
                           "Copyright (C) The Qt Company Ltd. Permission is granted to use, copy and\n"
                           "distribute this software under the terms of the GNU Lesser General Public\n"
                           "License version 3 <https://www.gnu.org/licenses/lgpl-3.0.html>.\n"
                           "-----------------------------------------------------------------\n"
                           "This product includes zlib, (C) 1995-2022 Jean-loup Gailly and Mark Adler.\n\n"
                           "For more legal notices see the file NOTICE.\n"
                           "minizip: (C) 1998-2010 Gilles Vollant\n"
                           "Boost: Boost Software License 1.0\n\n");
    CopyrightDialog dialog(nullptr);
    Snapshot(dialog, "plugin-license-dialog");
    std::filesystem::remove(fUI->Contents() / "Resources" / "Licenses" / "TextInSoftware.txt");
    CopyrightDialog unreadable(nullptr);
    Snapshot(unreadable, "plugin-license-dialog-unreadable");
}

TEST_F(PluginWindowSnapshotTest, MessageBoxes)
{
    char const* name = nullptr;
    fUI->Answerer().Watch(
        [&name](QMessageBox& box)
        {
            QApplication::processEvents();
            Save(box.grab().toImage(), name);
        });
    GUserMessage* const boxes = GUserMessage::GetInstance();
    name = "plugin-message-error";
    boxes->ShowErrorMessage(GString("Export to Sendrixor error"),
                            GString("Unable to automatically launch Sendrixor. Launch the Sendrixor manually and "
                                    "try again."));
    name = "plugin-message-missing-pdf-settings";
    boxes->ShowErrorMessage(GString("Export as Sealmark PDF Error"),
                            GString("PDF settings are missing for Proof C, Web. Launch the Sendrixor manually and "
                                    "try again."));
    name = "plugin-message-info";
    boxes->ShowInfoMessage(GString("Export to Sendrixor"), GString("The PDF was handed to the Sendrixor."));
    name = "plugin-message-warning";
    boxes->ShowWarningMessage(GString("Export to Sendrixor"),
                              GString("The document has unsaved changes. Save it and go on?"));
    EXPECT_EQ(fUI->Answerer().Shown().size(), 4u);
}
