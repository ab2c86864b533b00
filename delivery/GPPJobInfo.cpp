// Job records and their text form.
#include "GPPJobInfo.h"

#include "GBuffer.h"
#include "GDict.h"
#include "GUTF8Encoding.h"

namespace
{
// The keys of the text form, which the receiving process reads.
char const* const cUserName = "UserName";
char const* const cJobPath = "JobPath";
char const* const cPrinterName = "PrinterName";
char const* const cPortName = "PortName";
char const* const cCopyCount = "CopyCount";
char const* const cPrinterID = "PrinterID";

GString const& ValueOf(GDict<GBuffer, GString> const& dict, char const* key)
{
    GString const* value = dict.Find(GBuffer(key));
    return value ? *value : GString::cEmptyString;
}
} // namespace

GPPJobInfo::GPPJobInfo(GString const& userName, GPathName const& jobPath, GString const& printerName,
                       GString const& portName, std::int32_t copyCount, GString const& printerID)
    : fUserName(userName), fJobPath(jobPath), fPrinterName(printerName), fPortName(portName),
      fCopyCount(copyCount), fPrinterID(printerID)
{
}

GPPJobInfo::GPPJobInfo(GString const& text) : fCopyCount(0)
{
    GDict<GBuffer, GString> dict;
    dict.FromString(text);
    fUserName = ValueOf(dict, cUserName);
    GString const& path = ValueOf(dict, cJobPath);
    if (!path.IsEmpty())
        fJobPath.SetNativePathString(path);
    fPrinterName = ValueOf(dict, cPrinterName);
    fPortName = ValueOf(dict, cPortName);
    fCopyCount = ValueOf(dict, cCopyCount).GetInt32();
    fPrinterID = ValueOf(dict, cPrinterID);
}

bool GPPJobInfo::IsValid() const
{
    return !fUserName.IsEmpty() && !fJobPath.IsEmpty() && !fPrinterName.IsEmpty() && !fPortName.IsEmpty() &&
           fCopyCount > 0;
}

void GPPJobInfo::ToGString(GString& out) const
{
    GDict<GBuffer, GString> dict;
    dict.Put(GBuffer(cUserName), fUserName);
    dict.Put(GBuffer(cJobPath), fJobPath.GetNativePathString());
    dict.Put(GBuffer(cPrinterName), fPrinterName);
    dict.Put(GBuffer(cPortName), fPortName);
    dict.Put(GBuffer(cCopyCount), GString(fCopyCount));
    dict.Put(GBuffer(cPrinterID), fPrinterID);
    dict.ToString(out);
}

GBuffer GPPJobInfo::ToMessageData() const
{
    GString text;
    ToGString(text);
    GBuffer bytes;
    text.GetBuffer(bytes, GUTF8Encoding::GetInstance());
    return bytes;
}

template<>
bool GPPIPCManager::SendOnce<GPPJobInfo>(int processID, int messageID, GPPJobInfo const& job)
{
    GPPJobInfo const copy(job);
    return SendOnceRaw(processID, messageID, copy.ToMessageData());
}
