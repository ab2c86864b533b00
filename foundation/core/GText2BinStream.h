// The text writer: strings become bytes of one chosen encoding, with the platform's line end, the
// UTF-16 byte-order mark when asked, and quoted strings that the text reader reads back.
#pragma once

#include "GBuffer.h"
#include "GLeadByteSet.h"
#include "GOutStream.h"

class GEncoding;
class GString;

class GText2BinStream : public GOutStream
{
public:
    // Both constructors take the platform's line end and set the encoding, writing the byte-order
    // mark when the encoding is UTF-16. This one writes to a target that it does not own.
    GText2BinStream(GOutStream& target, GEncoding* encoding);
    // Owns the target (made with new) and deletes it with the writer.
    GText2BinStream(GOutStream* target, GEncoding* encoding);
    GText2BinStream(GText2BinStream const&) = delete;
    GText2BinStream& operator=(GText2BinStream const&) = delete;
    ~GText2BinStream() override;

    // Text written from now on is in this encoding. With writeMark, UTF-16 text is preceded at
    // once by its byte-order mark (FF FE on a little-endian machine); other encodings get none.
    void SetEncoding(GEncoding* encoding, bool writeMark);
    GEncoding* GetEncoding() const { return fEncoding; }

    // The bytes go to the target unchanged; the result is the target's.
    int Write(GBuffer const& bytes) override;
    // The text converted into the writer's encoding.
    int Write(GString const& text);
    // ASCII text; null writes nothing.
    int Write(char const* text);
    // The platform's line end in the writer's encoding: a carriage return alone here.
    int WriteEOL();
    // The text between double quotes, its tabs, line breaks, quotes and backslashes escaped (an
    // odd last byte of UTF-16 text, half a unit, is left out). The quotes are there even when the
    // encoding cannot hold all of the text. In an 8-bit encoding with characters of two bytes the
    // escaping is done on the encoded characters, as the text reader undoes it: a second byte that
    // equals a backslash stays as it is, and a character written as the backslash's byte (the yen
    // sign in Shift-JIS) is escaped like it.
    int WriteQuotedString(GString const& text);
    void Flush() override;

private:
    // How the writer's encoding writes plain ASCII text: not at all alike, byte for byte (ASCII,
    // UTF-8), or one UTF-16 unit per byte.
    enum PlainForm
    {
        cNoPlainForm,
        cPlainBytes,
        cPlainUnits
    };

    // The text in the writer's encoding with its special characters escaped, appended to out.
    void AppendEscaped(GString const& text, GBuffer& out) const;
    // The same, at once, for text that needs no escape and no composition; false (out unchanged)
    // for other text.
    bool AppendPlain(GString const& text, GBuffer& out) const;

    GEncoding* fEncoding;
    GOutStream* fTarget;
    bool fOwnsTarget;
    bool fNeedsCR;
    bool fNeedsLF;
    GBuffer fCR;
    GBuffer fLF;
    GBuffer fQuote;
    // Empty unless the encoding has characters of two bytes.
    GLeadByteSet fLeadBytes;
    PlainForm fPlainForm;
    // A quoted string is put together here and goes to the target in one piece; kept to reuse its
    // storage.
    GBuffer fQuoted;
};
