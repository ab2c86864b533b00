// The open and save panels on Qt's static file dialogs.
#include "GQUIOpenSavePanel.h"

#include <QDir>
#include <QStringList>

#include "GDict.h"
#include "GFileType.h"
#include "GQStringSupport.h"
#include "GQUILayer.h"

namespace
{
// The host is in its modal state while the dialog runs, also when the dialog ends by an exception.
template<class Run>
auto RunInHost(Run run) -> decltype(run())
{
    GQUILayer::HandleStartModalLoop(nullptr);
    try
    {
        auto answer = run();
        GQUILayer::HandleStopModalLoop(nullptr);
        return answer;
    }
    catch (...)
    {
        GQUILayer::HandleStopModalLoop(nullptr);
        throw;
    }
}

QString StartFolder(GPathName const& start)
{
    return start.IsEmpty() ? QDir::homePath() : GQStringSupport::ToQString(start.GetPortablePath());
}

GTable<GFileType const*> TypesOf(GFileType const* type)
{
    GTable<GFileType const*> types;
    if (type)
        types.AddItem(type);
    return types;
}

GPathName PathOf(QString const& chosen)
{
    GPathName path;
    GQUIOpenSavePanel::ConvertToGPathName(GQStringSupport::ToGString(chosen, true), path);
    return path;
}
} // namespace

bool GQUIOpenSavePanel::ChooseOpenFolder(GPathName& folder, GString const& title, QFileDialog::Options options,
                                         GPathName const& start)
{
    QString const chosen = RunInHost(
        [&]
        {
            return QFileDialog::getExistingDirectory(GQUILayer::GetWidgetWrapper(), GQStringSupport::ToQString(title),
                                                     StartFolder(start), options);
        });
    if (chosen.isEmpty())
        return false;
    folder = PathOf(chosen);
    return true;
}

bool GQUIOpenSavePanel::ChooseCreateFolder(GPathName& folder, GString const& title, GPathName const& start)
{
    folder.Clear();
    return ChooseOpenFolder(folder, title, QFileDialog::ShowDirsOnly, start);
}

bool GQUIOpenSavePanel::ChooseOpen(GPathName& file, GString const& title, GFileType const* type,
                                   GPathName const& start)
{
    return ChooseOpen(file, title, TypesOf(type), start);
}

bool GQUIOpenSavePanel::ChooseOpen(GPathName& file, GString const& title, GTable<GFileType const*> const& types,
                                   GPathName const& start)
{
    QString filters;
    CreateFileFilters(types, filters);
    QString const chosen = RunInHost(
        [&]
        {
            return QFileDialog::getOpenFileName(GQUILayer::GetWidgetWrapper(), GQStringSupport::ToQString(title),
                                                StartFolder(start), filters);
        });
    if (chosen.isEmpty())
        return false;
    file = PathOf(chosen);
    return true;
}

bool GQUIOpenSavePanel::ChooseOpen(GTable<GPathName>& files, GString const& title, GFileType const* type,
                                   GPathName const& start)
{
    return ChooseOpen(files, title, TypesOf(type), start);
}

bool GQUIOpenSavePanel::ChooseOpen(GTable<GPathName>& files, GString const& title,
                                   GTable<GFileType const*> const& types, GPathName const& start)
{
    QString filters;
    CreateFileFilters(types, filters);
    // The native form: Qt cannot open a folder given in the colon form.
    QString const folder = start.IsEmpty() ? QDir::homePath() : GQStringSupport::ToQString(start.GetNativePathString());
    QStringList const chosen = RunInHost(
        [&]
        {
            return QFileDialog::getOpenFileNames(GQUILayer::GetWidgetWrapper(), GQStringSupport::ToQString(title),
                                                 folder, filters);
        });
    for (QString const& path : chosen)
        files.AddItem(PathOf(path));
    return !chosen.isEmpty();
}

bool GQUIOpenSavePanel::ChooseSave(GPathName& file, GString const& title, GString const& defaultName,
                                   GFileType const* type)
{
    return ChooseSave(file, title, defaultName, GPathName(), type);
}

bool GQUIOpenSavePanel::ChooseSave(GPathName& file, GString const& title, GString const& defaultName,
                                   GPathName const& start, GFileType const* type)
{
    file.Clear();
    GString name = defaultName;
    if (type && !GPathName(defaultName).HasExtension() && !type->GetExtension().IsEmpty())
        name = GQStringSupport::ToGString(GQStringSupport::ToQString(defaultName) + QLatin1Char('.') +
                                              GQStringSupport::ToQString(type->GetExtension()),
                                          true);
    QString filters;
    CreateFileFilters(TypesOf(type), filters);
    QString const initial = start.IsEmpty()
                                ? QDir::homePath() + QLatin1Char('/') + GQStringSupport::ToQString(name)
                                : GQStringSupport::ToQString((start / GPathName(name)).GetPortablePath());
    QString const chosen = RunInHost(
        [&]
        {
            return QFileDialog::getSaveFileName(GQUILayer::GetWidgetWrapper(), GQStringSupport::ToQString(title),
                                                initial, filters);
        });
    if (chosen.isEmpty())
        return false;
    file = PathOf(chosen);
    return true;
}

void GQUIOpenSavePanel::CreateFileFilters(GTable<GFileType const*> const& types, QString& filters)
{
    filters.clear();
    GDict<GString, GString> groups;
    for (int index = 0; index < types.GetCount(); ++index)
    {
        GFileType const* const type = types[index];
        if (!type)
            continue;
        QString const pattern = QStringLiteral("*.") + GQStringSupport::ToQString(type->GetExtension());
        if (GString* const group = groups.Find(type->GetDescriptor()))
            *group = GQStringSupport::ToGString(GQStringSupport::ToQString(*group) + QLatin1Char(' ') + pattern, true);
        else
            groups.Put(type->GetDescriptor(), GQStringSupport::ToGString(pattern, true));
    }
    groups.ForEach(
        [&filters](GString const& descriptor, GString const& patterns)
        {
            if (!filters.isEmpty())
                filters += QStringLiteral(";;");
            filters += GQStringSupport::ToQString(descriptor) + QStringLiteral(" (") +
                       GQStringSupport::ToQString(patterns) + QLatin1Char(')');
        });
}

void GQUIOpenSavePanel::ConvertToGPathName(GString const& text, GPathName& path)
{
    path.SetNativePathString(text);
}
