// Scrambles bytes on their way to another output stream, to keep small secrets such as passwords
// out of plain sight. An obfuscation, not encryption: GDecryptInStream undoes it.
#pragma once

#include "GOutStream.h"

class GEncryptOutStream : public GOutStream
{
public:
    // The same two values for every stream, run and user, chosen once: scrambled texts stored in
    // preference files and built into the program read back only with exactly these.
    static constexpr unsigned char cScrambleMask = 0x9E;
    static constexpr unsigned char cScrambleAddend = 0x4B;

    // Each byte on its own, whatever its position: equal bytes scramble alike.
    static unsigned char ScrambleByte(unsigned char plain)
    {
        return static_cast<unsigned char>((plain ^ cScrambleMask) + cScrambleAddend);
    }
    static unsigned char UnscrambleByte(unsigned char scrambled)
    {
        return static_cast<unsigned char>(static_cast<unsigned char>(scrambled - cScrambleAddend) ^
                                          cScrambleMask);
    }

    // Borrows inner, which must outlive this stream.
    explicit GEncryptOutStream(GOutStream& inner);
    // Owns inner (made with new) and deletes it with this stream.
    explicit GEncryptOutStream(GOutStream* inner);
    GEncryptOutStream(GEncryptOutStream const&) = delete;
    GEncryptOutStream& operator=(GEncryptOutStream const&) = delete;
    ~GEncryptOutStream() override;

    // Writes a scrambled copy (the caller's bytes stay as they are); returns what the inner
    // stream's Write returns. Skip, Reset and Flush keep their defaults and do not reach the inner
    // stream.
    int Write(GBuffer const& bytes) override;

private:
    GOutStream* fInner;
    bool fOwnsInner;
};
