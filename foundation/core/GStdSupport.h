// Conversions between the framework's buffers and strings and the standard library's narrow and wide
// strings, for code that talks to libraries built on the standard types.
#pragma once

#include <string>

#include "GBuffer.h"
#include "GString.h"

class GEncoding;

class GStdSupport
{
public:
    GStdSupport() = delete;

    // Every byte, zero bytes included. A text longer than a buffer can hold throws GMemoryException.
    static GBuffer ToGBuffer(std::string const& text);
    static std::string ToStdString(GBuffer const& bytes);
    // The bytes up to the first zero byte read as UTF-8, one code point per wide character. A byte
    // order mark is a character like any other. Malformed UTF-8 (a stray or missing continuation
    // byte, a cut sequence, an overlong form, an encoded surrogate, a value above U+10FFFF) throws
    // std::range_error with the text "wstring_convert: from_bytes error", as the standard
    // library's converter does.
    static std::wstring ToStdWString(GBuffer const& utf8);

    // The bytes in the given encoding, which the string keeps (UTF-16 is composed).
    static GString ToGString(std::string const& bytes, GEncoding const* encoding);
    static void ToGString(std::string const& bytes, GEncoding const* encoding, GString& out);
    // The text in the given encoding; characters it cannot hold arrive as the default character.
    static std::string ToStdString(GString const& text, GEncoding const* encoding);
    // The string pool's text of id as UTF-8; empty for an id that no pool holds.
    static std::string StringIDToStdString(int id);
    // Through UTF-8, so a text that UTF-8 cannot carry (a lone surrogate) throws as above, and a
    // zero character ends the text.
    static std::wstring ToStdWString(GString const& text);
};
