// Conversions between Qt's text and the foundation's strings, buffers, names and paths.
#include "GQStringSupport.h"

#include <cstring>

#include "GBQCStringSupport.h"
#include "GStringPool.h"
#include "GUnicodeEncoding.h"

namespace
{
constexpr unsigned short cCR = '\r';
constexpr unsigned short cLF = '\n';

// The number of units before the first zero unit, and whether a CR lies among them. Blocks of units
// are tested without a branch per unit, so plain text is scanned at the speed of a copy.
int CountUnits(unsigned char const* bytes, int count, bool& hasCR)
{
    constexpr int cBlock = 16;
    hasCR = false;
    int i = 0;
    for (; i + cBlock <= count; i += cBlock)
    {
        bool zero = false;
        bool cr = false;
        for (int k = 0; k < cBlock; ++k)
        {
            unsigned short const unit = GBuffer::ReadUnit(bytes, i + k);
            zero |= unit == 0;
            cr |= unit == cCR;
        }
        if (zero)
            break;
        hasCR |= cr;
    }
    for (; i < count; ++i)
    {
        unsigned short const unit = GBuffer::ReadUnit(bytes, i);
        if (unit == 0)
            return i;
        hasCR |= unit == cCR;
    }
    return count;
}

// UTF-16 units into a Qt string, CR LF and then a lone CR made LF.
QString UnitsToQString(unsigned char const* bytes, int count)
{
    bool hasCR = false;
    count = CountUnits(bytes, count, hasCR);
    QString out(count, Qt::Uninitialized);
    ushort* target = reinterpret_cast<ushort*>(out.data());
    if (!hasCR)
    {
        std::memcpy(target, bytes, std::size_t(count) * 2);
        return out;
    }
    int written = 0;
    for (int i = 0; i < count; ++i)
    {
        unsigned short const unit = GBuffer::ReadUnit(bytes, i);
        if (unit == cCR)
        {
            if (i + 1 < count && GBuffer::ReadUnit(bytes, i + 1) == cLF)
                ++i;
            target[written++] = cLF;
        }
        else
            target[written++] = unit;
    }
    out.truncate(written);
    return out;
}

bool HasStorage(GBuffer const& buffer)
{
    return buffer.IsOwned() || buffer.GetAllocatedLength() > 0;
}
} // namespace

GString GQStringSupport::ToGString(QString const& text, bool keepEncoding)
{
    return GString(reinterpret_cast<unsigned char const*>(text.utf16()), text.size() * 2,
                   GUnicodeEncoding::GetInstance(), keepEncoding);
}

GPathName GQStringSupport::ToGPathName(QString const& text, bool keepEncoding)
{
    return GPathName(ToGString(text, keepEncoding));
}

GTable<GString> GQStringSupport::ToGStringTable(QStringList const& list)
{
    GTable<GString> out;
    out.ExpandTo(list.size());
    for (QString const& text : list)
        out.AddItem(ToGString(text, true));
    return out;
}

GTable<GPathName> GQStringSupport::ToGPathNameTable(QStringList const& list)
{
    GTable<GPathName> out;
    out.ExpandTo(list.size());
    for (QString const& text : list)
        out.AddItem(ToGPathName(text, true));
    return out;
}

GBuffer GQStringSupport::ToGBuffer(QString const& text)
{
    QByteArray const utf8 = text.toUtf8();
    std::size_t const length = ::strnlen(utf8.constData(), std::size_t(utf8.size()));
    return GBuffer(reinterpret_cast<unsigned char const*>(utf8.constData()), static_cast<int>(length));
}

GBuffer GQStringSupport::ToGBuffer(QByteArray const& bytes)
{
    return GBuffer(reinterpret_cast<unsigned char const*>(bytes.constData()), bytes.size());
}

GName GQStringSupport::ToGName(QString const& text)
{
    if (text.isNull())
        return GName();
    if (text.isEmpty())
        return GName("");
    return GName(ToGBuffer(text));
}

QString GQStringSupport::ToQString(GString const& text)
{
    GUnicodeEncoding* const unicode = GUnicodeEncoding::GetInstance();
    GBuffer units;
    text.GetBuffer(units, unicode);
    return UnitsToQString(units.GetPtr(), units.GetLength() / 2);
}

QString GQStringSupport::ToQString(GBuffer const& utf8)
{
    if (!HasStorage(utf8))
        return QString();
    char const* const bytes = reinterpret_cast<char const*>(utf8.GetPtr());
    int const length = static_cast<int>(::strnlen(bytes, std::size_t(utf8.GetLength())));
    if (!std::memchr(bytes, cCR, std::size_t(length)))
        return QString::fromUtf8(bytes, length);
    QByteArray converted(length, Qt::Uninitialized);
    char* target = converted.data();
    int written = 0;
    for (int i = 0; i < length; ++i)
    {
        if (bytes[i] == cCR)
        {
            if (i + 1 < length && bytes[i + 1] == cLF)
                ++i;
            target[written++] = cLF;
        }
        else
            target[written++] = bytes[i];
    }
    return QString::fromUtf8(target, written);
}

QString GQStringSupport::ToQString(GName const& name)
{
    GBuffer const* const bytes = name.GetBuffer();
    return bytes ? ToQString(*bytes) : QString();
}

QString GQStringSupport::ToQString(GPathName const& path)
{
    return ToQString(path.GetCrossPlatformString());
}

QByteArray GQStringSupport::ToQByteArray(GBuffer const& bytes)
{
    return QByteArray(reinterpret_cast<char const*>(bytes.GetPtr()), bytes.GetLength());
}

QStringList GQStringSupport::ToQStringList(GTable<GString> const& texts)
{
    QStringList out;
    out.reserve(texts.GetCount());
    for (int i = 0; i < texts.GetCount(); ++i)
        out.append(ToQString(texts[i]));
    return out;
}

QStringList GQStringSupport::ToQStringList(GTable<GPathName> const& paths)
{
    QStringList out;
    out.reserve(paths.GetCount());
    for (int i = 0; i < paths.GetCount(); ++i)
        out.append(ToQString(paths[i].GetCrossPlatformString()));
    return out;
}

QString GQStringSupport::StringIDToQString(int id)
{
    return ToQString(GStringPool::GetString(id));
}

QStringList GQStringSupport::StringIDToQStringList(int id)
{
    return ToQStringList(GStringPool::GetStringList(id));
}

QString GQStringSupport::StringIDToToolTipQString(int id)
{
    return GBQCStringSupport::FormatToolTip(StringIDToQString(id));
}
