// The line-oriented text form of a table of strings: "#BEGINTABLE", one quoted string per line,
// "#ENDTABLE". GTable<GString>'s WriteTo, ReadFrom, ToString and FromString are made of these.
#pragma once

class GBin2TextStream;
class GString;
class GText2BinStream;
template<class T>
class GTable;

class GTableTextForm
{
public:
    GTableTextForm() = delete;

    // Each item as a quoted string with its special characters escaped, one per line.
    static void WriteTo(GTable<GString> const& table, GText2BinStream& out);
    // Empties the table, then reads the block. A text that does not begin with "#BEGINTABLE" leaves
    // the table empty; a line that holds neither a quoted string nor "#ENDTABLE", or the end of the
    // data, ends the reading with the items read so far.
    static void ReadFrom(GTable<GString>& table, GBin2TextStream& in);
    // The text form as UTF-16 text, beginning with the byte-order mark that the UTF-16 writer puts
    // first (FromString expects it and also reads a text without it).
    static void ToString(GTable<GString> const& table, GString& out);
    static void FromString(GTable<GString>& table, GString const& text);
};
