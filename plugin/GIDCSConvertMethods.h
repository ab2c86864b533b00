// GIDCSConvertMethods: text and files between the foundation and the InDesign host.
#pragma once

#include "IDFile.h"

class GPathName;
class GString;
class PMString;

class GIDCSConvertMethods
{
public:
    GIDCSConvertMethods() = delete;

    // The host string's UTF-16 units, as Unicode text.
    static void ConvertToGString(PMString const& text, GString& out);
    // The text's UTF-8 bytes read by the host as UTF-8; the host does not translate it.
    static void ConvertToPMString(GString const& text, PMString& out);
    // The host's file from the path's classic Mac form.
    static IDFile ConvertToIDFile(GPathName const& path);
};
