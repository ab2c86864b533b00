// The text form of a table of strings, written through the text writer and read through the text
// reader.
#include "GTableTextForm.h"

#include "GBin2TextStream.h"
#include "GMemoryInStream.h"
#include "GMemoryOutStream.h"
#include "GString.h"
#include "GTable.h"
#include "GText2BinStream.h"
#include "GUnicodeEncoding.h"

namespace
{
char const* const cBeginTable = "#BEGINTABLE";
char const* const cEndTable = "#ENDTABLE";
} // namespace

void GTableTextForm::WriteTo(GTable<GString> const& table, GText2BinStream& out)
{
    out.Write(cBeginTable);
    out.WriteEOL();
    for (int i = 0; i < table.GetCount(); ++i)
    {
        out.WriteQuotedString(table[i]);
        out.WriteEOL();
    }
    out.Write(cEndTable);
    out.WriteEOL();
}

void GTableTextForm::ReadFrom(GTable<GString>& table, GBin2TextStream& in)
{
    table.Resize(0);
    GString token;
    in.ReadString(token);
    if (token != GString(cBeginTable))
        return;
    in.SkipWhitespace(true);
    GString item;
    GString rest;
    for (;;)
    {
        in.SkipWhitespace(false);
        if (!in.ReadQuotedString(item))
            break;
        in.ReadLine(rest);
        table.AddItem(item);
    }
    in.ReadString(token);
    if (token == GString(cEndTable))
        in.ReadLine(rest);
}

void GTableTextForm::ToString(GTable<GString> const& table, GString& out)
{
    GUnicodeEncoding* unicode = GUnicodeEncoding::GetInstance();
    GBuffer bytes;
    {
        GMemoryOutStream sink(bytes);
        GText2BinStream writer(sink, unicode);
        WriteTo(table, writer);
    }
    // Kept as written: composing the escaped text would merge an escape's letter with a combining
    // mark that follows it.
    out.Set(bytes, unicode, false);
}

void GTableTextForm::FromString(GTable<GString>& table, GString const& text)
{
    // Taken before the table is emptied: text may be one of its items.
    GUnicodeEncoding* unicode = GUnicodeEncoding::GetInstance();
    GBuffer bytes = text.GetBuffer(unicode);
    GMemoryInStream source(bytes);
    GBin2TextStream reader(source, unicode);
    ReadFrom(table, reader);
}
