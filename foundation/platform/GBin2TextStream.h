// The text reader: turns a buffered byte stream into tokens, lines and quoted strings of one encoding,
// settled from a byte-order mark or given by the caller. Every text format of the framework is parsed
// with it; it reads back what GText2BinStream writes.
#pragma once

#include <cstdint>

#include "GBuffer.h"
#include "GBufferedInStream.h"
#include "GLeadByteSet.h"

class GEncoding;
class GString;

class GBin2TextStream : public GInStream
{
public:
    // The most the reader pushes back at once (a whole chunk of 256 UTF-16 units): the source must
    // be able to step back this far, as a memory stream or a decorator with blocks of at least this
    // size can.
    static constexpr int cMaxUnread = 512;

    // Both settle the encoding at once from the source's current position; a null encoding asks for
    // detection from a byte-order mark. This one borrows the source, which must outlive the reader.
    GBin2TextStream(GBufferedInStream& source, GEncoding* encoding);
    // Owns the source (made with new, not null) and deletes it with the reader.
    GBin2TextStream(GBufferedInStream* source, GEncoding* encoding);
    GBin2TextStream(GBin2TextStream const&) = delete;
    GBin2TextStream& operator=(GBin2TextStream const&) = delete;
    ~GBin2TextStream() override;

    // A reader cannot be cloned: null.
    GInStream* CreateClone() const override;
    // Raw bytes from the source, undecoded.
    int Read(GBuffer& out, int count) override;
    // Does nothing.
    void Reset() override;
    // These three forward to the source.
    virtual int Unread(int count);
    virtual void SetRollBackPoint();
    virtual int RollBack();

    // A different encoding is settled again from the current position (a byte-order mark there is
    // consumed); the current one changes nothing.
    void SetEncoding(GEncoding* encoding);
    GEncoding* GetEncoding() const { return fEncoding; }
    // 1 or 2 bytes per code unit.
    int GetUnitWidth() const { return fUnitWidth; }
    // 16-bit units arrive in the byte order opposite to the machine's.
    bool IsSwappingBytes() const { return fSwapBytes; }

    // Each returns the number of units skipped. Spaces and tabs, with lineEnds also CR and LF.
    int SkipWhitespace(bool lineEnds);
    // Any characters of the set: UTF-16 in 16-bit mode, otherwise the stream's encoding.
    int SkipChars(GString const& set);
    // The unit-level forms: 16-bit units (swapped as the stream swaps) and single bytes.
    int SkipWords(unsigned short const* set, int count);
    int SkipBytes(unsigned char const* set, int count);

    // count units as a string of the stream's encoding; the number of units read, or -1 at the end
    // of the data (out then stays as it was).
    int Read(int count, GString& out);

    // The reading operations below are false only at the end of the data (ReadQuotedString also
    // when no quote stands at the current position); strings come in the stream's encoding.
    // A token: skips white space and line ends, then reads up to the next of them.
    bool ReadString(GString& out);
    // Up to the first unit that is any of the terminators, which stays unread. Text that the
    // encoding rejects reads as an empty string.
    bool ReadTillTerminator(GBuffer const& terminators, GString& out);
    bool ReadTillTerminator(GString const& terminators, GString& out);
    // One line; LF, CR and CR LF each end one, and the line end is consumed.
    bool ReadLine(GString& out);
    // A double-quoted string with backslash escapes; it may span lines. An unterminated one gives
    // what was collected, and false. In an 8-bit encoding with characters of two bytes (Shift-JIS,
    // the Chinese code page) quotes, escapes and terminators are looked for among whole
    // characters, so a second byte that equals one of them is text.
    bool ReadQuotedString(GString& out);

private:
    // The encoding, unit width and byte order, then the encoded sets.
    void Settle(GEncoding* encoding);
    void BuildSets();
    // s encoded into the stream's encoding; for an encoding that cannot take it, its ASCII
    // characters as units.
    GBuffer EncodeASCII(char const* s) const;

    // Reads up to byteCount bytes and points fChunk at them: in place where the source lends them,
    // otherwise in the scratch buffer. Wide: whole 16-bit units only (an odd last byte of the data
    // is dropped), brought to the machine's order. Returns the bytes kept.
    // inPlace false always copies, so that a decorator delivers the full count across its blocks.
    int ReadChunk(int byteCount, bool wide, bool inPlace = true);
    // Steps the source back over units of the given width read by the last ReadChunk.
    void PushBack(int units, int width);
    unsigned UnitAt(unsigned char const* p, int index) const;
    void AppendUnit(GBuffer& text, unsigned unit) const;
    // What a backslash followed by unit stands for, appended to the quoted text.
    void AppendEscaped(unsigned unit);
    // Whether the unit starts a character of two bytes in the stream's 8-bit encoding.
    bool IsLeadUnit(unsigned unit) const
    {
        return unit < 256 && fLeadBytes.Contains(static_cast<unsigned char>(unit));
    }
    // The common part of ReadTillTerminator and ReadLine; the latter also consumes a line end.
    bool ReadTill(GBuffer const& terminators, GString& out, bool consumeLineEnd);
    // The bytes as the string's text (copied), or an empty text when the encoding rejects them.
    void SetText(unsigned char const* bytes, int length, GString& out);
    // Whether each byte decodes in a bytewise encoding; a byte not met before is converted once.
    bool AreDecodable(unsigned char const* bytes, int length);
    // Bytes or 16-bit units, by the width of Unit.
    template<class Unit>
    int SkipUnits(Unit const* set, int count);

    GBuffer fWhitespace;
    GBuffer fBlanks;
    GBuffer fLineEnds;
    // The units that interrupt a run of quoted text, in the unit width: the quote, the backslash,
    // and in an encoding with characters of two bytes every byte that starts one.
    GBuffer fQuoteStops;
    GBuffer fQuote;
    GBuffer fCR;
    GBuffer fLF;
    GBuffer fScratch;
    GBuffer fQuotedText;
    // SetText's check: the bytes (a copy, so that they end in zeros) and their conversion, kept
    // from text to text.
    GBuffer fCheckedBytes;
    GBuffer fCheckedText;
    // Empty unless the encoding has characters of two bytes.
    GLeadByteSet fLeadBytes;
    GBufferedInStream* fSource;
    bool fOwnsSource;
    GEncoding* fEncoding;
    bool fSwapBytes;
    bool f16Bit;
    std::int32_t fUnitWidth;
    // 1 when the last chunk read ended in half a unit that was dropped.
    std::int32_t fDroppedByte;
    // The bytes of the last chunk read, valid until the next call on the source.
    unsigned char const* fChunk;
    // In an encoding that decodes each byte on its own (ASCII and the table encodings), text is
    // valid when each of its bytes is: the bytes met so far, and which of them decode.
    bool fBytewise;
    std::uint64_t fKnownBytes[4];
    std::uint64_t fDecodableBytes[4];
};
