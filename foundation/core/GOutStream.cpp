// The defaults of every byte sink: nothing to skip, reset or flush.
#include "GOutStream.h"

GOutStream::~GOutStream() = default;

long long GOutStream::Skip(long long)
{
    return 0;
}

void GOutStream::Reset() {}

void GOutStream::Flush() {}
