// What an open document and an open book share: the file's bytes as they were read, written back by
// a save (the host changes nothing in them), the modified flag, and how their calls are recorded.
#pragma once

#include <QJsonValue>

#include <string>
#include <vector>

#include "HostObject.h"
#include "IDFile.h"
#include "RewriteFile.h"

namespace indesignhost
{
// The file's bytes; throws HostFileError when it cannot be read.
std::string ReadOpenedFileBytes(std::string const& path);

// Records a call on the object with its answer, and the index asked for where there is one.
void RecordAnswer(HostObject const& object, char const* call, QJsonValue const& answer);
void RecordAnswer(HostObject const& object, char const* call, int32 index, QJsonValue const& answer);

// The number at the index; kInvalidUID outside the list.
UID NthUID(std::vector<UID> const& uids, int32 index);

template<class Contents>
class FileObject : public HostObject
{
public:
    Contents const& Content() const { return fContent; }
    std::string FileName() const { return IDFile::FromPOSIXPath(fContent.path).GetFileName(); }

    bool Modified() const { return fModified; }
    void SetModified(bool modified) { fModified = modified; }

    // Writes the file anew (a temporary file renamed over it) and clears the modified flag; false
    // with the reason when it cannot.
    bool Save(std::string& error)
    {
        if (!RewriteFile(fContent.path, fBytes, error))
            return false;
        fModified = false;
        return true;
    }

protected:
    // The bytes are read before the contents, so that a FIFO or a folder is refused before any
    // reader opens it.
    FileObject(Host& host, ClassID objectClass, std::string const& path, Contents (*read)(std::string const&))
        : HostObject(host, objectClass, false), fBytes(ReadOpenedFileBytes(path)), fContent(read(path))
    {
    }

private:
    std::string fBytes;
    Contents fContent;
    bool fModified = false;
};

// The object's file name for the transcript; null for no object.
template<class Contents>
QJsonValue FileNameField(FileObject<Contents> const* object)
{
    return object ? QJsonValue(QString::fromStdString(object->FileName())) : QJsonValue();
}
} // namespace indesignhost
