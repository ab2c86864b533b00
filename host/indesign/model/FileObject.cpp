// Open documents' and books' files and their calls in the transcript.
#include "FileObject.h"

#include <QJsonObject>

#include "FileBytes.h"
#include "Host.h"
#include "HostFileError.h"

namespace indesignhost
{
std::string ReadOpenedFileBytes(std::string const& path)
{
    std::string bytes;
    std::string reason;
    if (!TryReadFileBytes(path, bytes, reason))
        throw HostFileError(path, reason);
    return bytes;
}

void RecordAnswer(HostObject const& object, char const* call, QJsonValue const& answer)
{
    QJsonObject fields;
    fields.insert("uid", static_cast<qint64>(object.GetUID()));
    fields.insert("answer", answer);
    object.GetHost().Record("call", call, fields);
}

void RecordAnswer(HostObject const& object, char const* call, int32 index, QJsonValue const& answer)
{
    QJsonObject fields;
    fields.insert("uid", static_cast<qint64>(object.GetUID()));
    fields.insert("index", index);
    fields.insert("answer", answer);
    object.GetHost().Record("call", call, fields);
}

UID NthUID(std::vector<UID> const& uids, int32 index)
{
    return index >= 0 && static_cast<std::size_t>(index) < uids.size() ? uids[static_cast<std::size_t>(index)]
                                                                       : kInvalidUID;
}
} // namespace indesignhost
