// The line-oriented text form of the string dictionaries, of which preference files are made:
// "#BEGINDICT", one line per pair with the key and the value as quoted strings, "#ENDDICT".
// The text-form members of GDict<GBuffer, GString> and GDict<GString, GString> are made of these.
#pragma once

class GBin2TextStream;
class GBuffer;
class GString;
class GText2BinStream;
template<class K, class V>
class GDict;

class GDictTextForm
{
public:
    GDictTextForm() = delete;

    // The pairs in slot order, each line ended by GDictUtil::GetEOLString. A GBuffer key is
    // written as ASCII text.
    static void WriteTo(GDict<GBuffer, GString> const& dict, GText2BinStream& out);
    static void WriteTo(GDict<GString, GString> const& dict, GText2BinStream& out);
    // Empties the dictionary, then reads the block; true when it ends with "#ENDDICT" or another
    // "#" keyword (an enclosing block's end). False for a text that does not begin with
    // "#BEGINDICT", a key without a value, a line that is no pair, or the end of the data before
    // the block's end; the pairs read before the fault stay. A key read again replaces its value.
    static bool ReadFrom(GDict<GBuffer, GString>& dict, GBin2TextStream& in);
    static bool ReadFrom(GDict<GString, GString>& dict, GBin2TextStream& in);
    // The same text built directly as a string (no byte-order mark), and read back from one.
    static void ToString(GDict<GBuffer, GString> const& dict, GString& out);
    static bool FromString(GDict<GBuffer, GString>& dict, GString const& text);
};
