// Qt's file dialogs for choosing a folder, files to open or a name to save under, run inside the
// host's modal state; the answers come back as foundation paths, and the file-name filters are made
// from the foundation's file types.
#pragma once

#include <QFileDialog>
#include <QString>

#include "GPathName.h"
#include "GString.h"
#include "GTable.h"

class GFileType;

class GQUIOpenSavePanel
{
public:
    GQUIOpenSavePanel() = delete;

    // An empty start folder starts in the home folder. Each answers true when something was
    // chosen; a cancelled chooser leaves the path as it was unless it says it clears it.
    static bool ChooseOpenFolder(GPathName& folder, GString const& title, QFileDialog::Options options,
                                 GPathName const& start);
    // The folder is cleared first.
    static bool ChooseCreateFolder(GPathName& folder, GString const& title, GPathName const& start);
    // A null type means every file.
    static bool ChooseOpen(GPathName& file, GString const& title, GFileType const* type, GPathName const& start);
    static bool ChooseOpen(GPathName& file, GString const& title, GTable<GFileType const*> const& types,
                           GPathName const& start);
    // The chosen files are appended; true when at least one was chosen.
    static bool ChooseOpen(GTable<GPathName>& files, GString const& title, GFileType const* type,
                           GPathName const& start);
    static bool ChooseOpen(GTable<GPathName>& files, GString const& title, GTable<GFileType const*> const& types,
                           GPathName const& start);
    // The file is cleared first. A default name without extension gets the type's.
    static bool ChooseSave(GPathName& file, GString const& title, GString const& defaultName, GFileType const* type);
    static bool ChooseSave(GPathName& file, GString const& title, GString const& defaultName, GPathName const& start,
                           GFileType const* type);

    // One entry per descriptor, "Descriptor (*.ext1 *.ext2)", entries joined by ";;"; empty for no
    // types.
    static void CreateFileFilters(GTable<GFileType const*> const& types, QString& filters);
    static void ConvertToGPathName(GString const& text, GPathName& path);
};
