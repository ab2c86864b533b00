// The one crossing between Qt's text and the foundation's: strings, byte buffers, names and paths,
// and string-pool texts as Qt strings. Text going into Qt has its line ends made LF; text coming
// back from Qt is copied as it stands.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "GBuffer.h"
#include "GName.h"
#include "GPathName.h"
#include "GString.h"
#include "GTable.h"

class GQStringSupport
{
public:
    GQStringSupport() = delete;

    // The UTF-16 units as a UTF-16 GString; keepEncoding is the GString constructor's flag (true
    // composes the text, false keeps it as it is).
    static GString ToGString(QString const& text, bool keepEncoding);
    // ToGString taken as a portable "/"-separated path.
    static GPathName ToGPathName(QString const& text, bool keepEncoding);
    static GTable<GString> ToGStringTable(QStringList const& list);
    static GTable<GPathName> ToGPathNameTable(QStringList const& list);
    // UTF-8, up to the first zero byte (a U+0000 in the text ends it).
    static GBuffer ToGBuffer(QString const& text);
    // Every byte, zero bytes included.
    static GBuffer ToGBuffer(QByteArray const& bytes);
    // A null string gives the nil name, an empty one the name of "".
    static GName ToGName(QString const& text);

    // Up to the first zero unit, CR LF and then a lone CR made LF.
    static QString ToQString(GString const& text);
    // UTF-8 up to the first zero byte, line ends as above; a buffer without storage gives a null
    // string.
    static QString ToQString(GBuffer const& utf8);
    // The nil name gives a null string.
    static QString ToQString(GName const& name);
    // The portable "/"-separated text, not the native one.
    static QString ToQString(GPathName const& path);
    // Every byte.
    static QByteArray ToQByteArray(GBuffer const& bytes);
    static QStringList ToQStringList(GTable<GString> const& texts);
    static QStringList ToQStringList(GTable<GPathName> const& paths);

    // The string pool's text of id in the current language.
    static QString StringIDToQString(int id);
    // The texts of id, id + 1, ... up to the first id the pool does not hold.
    static QStringList StringIDToQStringList(int id);
    // The text of id shaped as a tool tip: trimmed and wrapped after 80 characters.
    static QString StringIDToToolTipQString(int id);
};
