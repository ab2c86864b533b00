// The plug-in's language.
#include "GCPTApplicationLocale.h"

#include <QCoreApplication>
#include <QTranslator>

#include "GCVLocale.h"
#include "GFileSystem.h"
#include "GQStringSupport.h"
#include "GStringPool.h"
#include "GStringPoolSupport.h"

namespace
{
// Special folder of the plug-in's string files and translations: its bundle's "Resources/Strings".
constexpr int cStringsFolder = 22;
} // namespace

GCPTApplicationLocale::GCPTApplicationLocale()
{
    GString const language = GCVLocale::GetCurrentLanguage();
    GPathName const strings = GFileSystem::GetSpecialPath(cStringsFolder);
    // The pool reads the language's "CSP" files when the language becomes current.
    GStringPoolSupport::ReadStringFiles(strings, GString("CSP"), 0, 0, 0);
    GStringPool::SetLanguage(language);

    GPathName translation = strings;
    translation.Append(GString("Plugin_") + language + GString(".qm"));
    if (!GFileSystem::TryFileExists(translation))
        return;
    fTranslator.reset(new QTranslator);
    if (!fTranslator->load(GQStringSupport::ToQString(translation.GetMachOPathString())))
    {
        fTranslator.reset();
        return;
    }
    if (QCoreApplication::instance())
        QCoreApplication::installTranslator(fTranslator.get());
}

GCPTApplicationLocale::~GCPTApplicationLocale() = default;

bool GCPTApplicationLocale::HasTranslations() const
{
    return fTranslator != nullptr;
}
