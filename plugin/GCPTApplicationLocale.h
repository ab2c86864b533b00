// GCPTApplicationLocale: the plug-in's language: its string files read for the user's language,
// that language made the string pool's, and the plug-in's Qt translations installed.
#pragma once

#include <memory>

class QTranslator;

class GCPTApplicationLocale
{
public:
    GCPTApplicationLocale();
    // Takes the translations away again.
    ~GCPTApplicationLocale();
    GCPTApplicationLocale(GCPTApplicationLocale const&) = delete;
    GCPTApplicationLocale& operator=(GCPTApplicationLocale const&) = delete;

    // Whether a translation file was found and installed.
    bool HasTranslations() const;

private:
    std::unique_ptr<QTranslator> fTranslator;
};
