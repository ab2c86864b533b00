// The reader of a list of dictionaries, the preference text: a begin phrase, then blocks that each
// are a quoted name followed by the dictionary's own text form, then an end phrase. What was read
// before a fault stays; IsComplete tells whether anything was left unread.
#pragma once

#include "GBin2TextStream.h"
#include "GBuffer.h"
#include "GDict.h"
#include "GFileInStream.h"
#include "GFileSystem.h"
#include "GMemoryInStream.h"
#include "GPathName.h"
#include "GString.h"

class GEncoding;
class GInStream;

template<class K, class IK, class V>
class GDictListReader
{
public:
    using Inner = GDict<IK, V>;
    using Target = GDict<K, Inner>;

    GDictListReader(Target& target, GString const& beginPhrase, GString const& endPhrase)
        : fTarget(target), fBeginPhrase(beginPhrase), fEndPhrase(endPhrase), fComplete(false)
    {
    }
    virtual ~GDictListReader() = default;
    GDictListReader(GDictListReader const&) = delete;
    GDictListReader& operator=(GDictListReader const&) = delete;

    // A missing file clears the target and is read completely (true). A file that cannot be opened
    // or read throws, leaving what was read so far.
    bool ReadDict(GPathName const& path, GEncoding* encoding);
    // Reads from the stream's position. A null encoding is taken from a byte-order mark.
    bool ReadDict(GInStream& in, GEncoding* encoding);
    // Reads the bytes, which stay the caller's.
    bool ReadDict(GBuffer const& bytes, GEncoding* encoding);

    // False unless the text is the begin phrase and blocks up to the end phrase or the end of the
    // data; a broken block stops the reading with true and drops that block. In either case the
    // blocks read before the fault stay.
    bool Read(GBin2TextStream& in);

    // Whether the last read took in every block of its text: no broken block, no stray text, no
    // missing begin phrase in text that has any.
    bool IsComplete() const { return fComplete; }

protected:
    // The key of a block's name.
    virtual K TransformKey(GString const& name) const = 0;
    virtual bool ValidBeginPhrase(GString const& token) const { return token == fBeginPhrase; }
    virtual bool ValidEndPhrase(GString const& token) const { return token == fEndPhrase; }

private:
    Target& fTarget;
    GString fBeginPhrase;
    GString fEndPhrase;
    bool fComplete;
};

template<class K, class IK, class V>
bool GDictListReader<K, IK, V>::ReadDict(GPathName const& path, GEncoding* encoding)
{
    fTarget.RemoveAll();
    fComplete = false;
    if (!GFileSystem::TryFileExists(path))
    {
        fComplete = true;
        return true;
    }
    GBuffer bytes;
    {
        // The whole file at once: one read instead of one per block of the text reader.
        GFileInStream file(path);
        long long const length = file.GetLength();
        int const wanted = length > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(length);
        if (wanted > 0 && file.Read(bytes, wanted) > 0)
        {
            GBuffer chunk;
            while (bytes.GetLength() < wanted && file.Read(chunk, wanted - bytes.GetLength()) > 0)
                bytes += chunk;
        }
    }
    return ReadDict(bytes, encoding);
}

template<class K, class IK, class V>
bool GDictListReader<K, IK, V>::ReadDict(GInStream& in, GEncoding* encoding)
{
    GBuffer bytes;
    GBuffer chunk;
    while (in.Read(chunk, 1 << 16) > 0)
        bytes += chunk;
    return ReadDict(bytes, encoding);
}

template<class K, class IK, class V>
bool GDictListReader<K, IK, V>::ReadDict(GBuffer const& bytes, GEncoding* encoding)
{
    GMemoryInStream source(bytes);
    GBin2TextStream reader(source, encoding);
    return Read(reader);
}

template<class K, class IK, class V>
bool GDictListReader<K, IK, V>::Read(GBin2TextStream& in)
{
    fTarget.RemoveAll();
    fComplete = false;
    GString token;
    if (!in.ReadString(token))
    {
        // Nothing but white space: nothing is lost by reading it as empty.
        fComplete = true;
        return false;
    }
    if (!ValidBeginPhrase(token))
        return false;
    GString const quote("\"");
    GString next;
    GString name;
    for (;;)
    {
        in.SkipWhitespace(true);
        if (in.Read(1, next) < 0)
        {
            // The end phrase may be missing after the last block: every block was read.
            fComplete = true;
            return true;
        }
        in.Unread(in.GetUnitWidth());
        if (next != quote)
        {
            if (!in.ReadString(token) || !ValidEndPhrase(token))
                return false;
            fComplete = true;
            return true;
        }
        // An unterminated name runs to the end of the data.
        if (!in.ReadQuotedString(name))
            return true;
        K const key = TransformKey(name);
        // A name that stands twice keeps only its last block.
        fTarget.Put(key, Inner());
        if (!fTarget.Find(key)->ReadFrom(in))
        {
            fTarget.Remove(key);
            return true;
        }
    }
}
