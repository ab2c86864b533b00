// The text form of the string dictionaries, written through the text writer and read through the
// text reader.
#include "GDictTextForm.h"

#include <utility>

#include "GASCIIEncoding.h"
#include "GBin2TextStream.h"
#include "GBuffer.h"
#include "GDict.h"
#include "GDictUtil.h"
#include "GMemoryInStream.h"
#include "GString.h"
#include "GStringSupport.h"
#include "GText2BinStream.h"
#include "GUnicodeEncoding.h"

namespace
{
char const* const cBeginDict = "#BEGINDICT";
char const* const cEndDict = "#ENDDICT";

// The key as text. A GBuffer key's bytes (and their terminator, which GetPtr guarantees) are
// borrowed into text, which is kept from pair to pair, so that writing a pair copies its key only
// into the output.
GString const& KeyText(GBuffer const& key, GString& text)
{
    GBuffer view;
    view.SetFromStatic(reinterpret_cast<char const*>(key.GetPtr()), key.GetLength(), key.GetLength() + 2);
    text.Set(view, GASCIIEncoding::GetInstance(), true);
    return text;
}
GString const& KeyText(GString const& key, GString&)
{
    return key;
}

// The key read as text, made into the dictionary's key; the text itself may be taken over.
GBuffer TakeKey(GString& text, GBuffer const*)
{
    return text.GetBuffer(GASCIIEncoding::GetInstance());
}
GString TakeKey(GString& text, GString const*)
{
    return std::move(text);
}

template<class K>
void Write(GDict<K, GString> const& dict, GText2BinStream& out)
{
    GEncoding const* encoding = out.GetEncoding();
    GString const eol = GDictUtil::GetEOLString();
    // The pieces between the texts, in the writer's encoding once for all pairs. The texts are
    // quoted by the writer, which escapes them as the reader of its encoding unescapes them.
    GBuffer const between = GString(" ").GetBuffer(encoding);
    GBuffer const close = eol.GetBuffer(encoding);
    out.Write(GString(cBeginDict) + eol);
    GString keyText;
    typename GDict<K, GString>::ConstEnumerator e(dict);
    while (e.Next())
    {
        out.WriteQuotedString(KeyText(e.GetKey(), keyText));
        out.Write(between);
        out.WriteQuotedString(e.GetValue());
        out.Write(close);
    }
    out.Write(GString(cEndDict) + eol);
}

// Whether the token is a "#" keyword: the block's own end, or the end of an enclosing block that
// was reached because this one lacks its own.
bool IsKeyword(GString const& token)
{
    return token.FindFirst(static_cast<unsigned short>('#'), 0) == 0;
}

template<class K>
bool Read(GDict<K, GString>& dict, GBin2TextStream& in)
{
    dict.RemoveAll();
    GString token;
    in.ReadString(token);
    if (token != GString(cBeginDict))
        return false;
    in.SkipWhitespace(true);
    GString key;
    GString value;
    GString rest;
    for (;;)
    {
        in.SkipWhitespace(false);
        if (!in.ReadQuotedString(key))
            break;
        in.SkipWhitespace(false);
        if (!in.ReadQuotedString(value))
            return false;
        in.ReadLine(rest);
        dict.Put(TakeKey(key, static_cast<K const*>(nullptr)), std::move(value));
    }
    in.ReadString(token);
    if (!IsKeyword(token))
        return false;
    in.ReadLine(rest);
    return true;
}
} // namespace

void GDictTextForm::WriteTo(GDict<GBuffer, GString> const& dict, GText2BinStream& out)
{
    Write(dict, out);
}

void GDictTextForm::WriteTo(GDict<GString, GString> const& dict, GText2BinStream& out)
{
    Write(dict, out);
}

bool GDictTextForm::ReadFrom(GDict<GBuffer, GString>& dict, GBin2TextStream& in)
{
    return Read(dict, in);
}

bool GDictTextForm::ReadFrom(GDict<GString, GString>& dict, GBin2TextStream& in)
{
    return Read(dict, in);
}

void GDictTextForm::ToString(GDict<GBuffer, GString> const& dict, GString& out)
{
    GString const eol = GDictUtil::GetEOLString();
    GString const blank(" ");
    GString text(cBeginDict);
    text += eol;
    GDict<GBuffer, GString>::ConstEnumerator e(dict);
    while (e.Next())
    {
        GString key;
        KeyText(e.GetKey(), key);
        GString value = e.GetValue();
        GStringSupport::QuoteString(key);
        GStringSupport::QuoteString(value);
        text += key;
        text += blank;
        text += value;
        text += eol;
    }
    text += GString(cEndDict);
    text += eol;
    out = std::move(text);
}

bool GDictTextForm::FromString(GDict<GBuffer, GString>& dict, GString const& text)
{
    GUnicodeEncoding* unicode = GUnicodeEncoding::GetInstance();
    GBuffer bytes = text.GetBuffer(unicode);
    GMemoryInStream source(bytes);
    GBin2TextStream reader(source, unicode);
    return ReadFrom(dict, reader);
}
