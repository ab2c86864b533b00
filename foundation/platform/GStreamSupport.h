// Whole-stream operations on input streams (measuring, slurping, copying, comparing) and the
// sniffers that tell from its first bytes what a stream holds.
#pragma once

#include "GTypeEnums.h"

class GBuffer;
class GInStream;
class GOutStream;
class GString;

class GStreamSupport
{
public:
    GStreamSupport() = delete;

    // The unit in which streams are measured, read and copied.
    static constexpr int cChunkSize = 102400;
    // The sniffers look at no more than this many bytes from the start (and, for an EPS file with a
    // binary header, as many from the start of its PostScript section).
    static constexpr int cHeadSize = 4096;

    // The number of bytes from where the stream stands to its end, found by skipping; the stream is
    // left reset.
    static long long GetStreamLength(GInStream& stream);
    // Appends the whole stream to out (not emptied first) and returns how many bytes came; the
    // stream is reset before and after.
    static int GetContent(GInStream& stream, GBuffer& out);
    // Copies from where the input stands to its end; the sum of what the writes returned. Neither
    // stream is reset.
    static long long CopyStream(GInStream& in, GOutStream& out);
    // Reads both from where they stand, chunk by chunk: equal when they end together with equal
    // chunks.
    static bool StreamsAreEqual(GInStream& a, GInStream& b);

    // The kind of the whole stream, whatever position it stands at, which it keeps. A stream that
    // cannot be cloned is not looked at and counts as unknown.
    static GTypeEnums::Types GetStreamType(GInStream& stream);
    // Whether the stream holds the kind; false for cUnknown, cEmpty, values outside the kinds and
    // streams that cannot be cloned.
    static bool StreamIsOfType(GInStream& stream, GTypeEnums::Types kind);
    // The English (or localised) name of the kind; the text of id 7100 for values outside the kinds.
    static GString StreamTypeToGString(GTypeEnums::Types kind);
};
