// GPPJobInfo: one job announced to the "RozorazIzivozada" process (a PDF or a package for a
// Sendrixor), and its text form: a string dictionary of six keys, sent UTF-8 encoded as message 145.
#pragma once

#include <cstdint>

#include "GPPIPCManager.h"
#include "GPathName.h"
#include "GString.h"

class GPPJobInfo
{
public:
    // The message ids of the job channel.
    static constexpr int cJobMessage = 145;
    static constexpr int cTerminateMessage = 146;

    GPPJobInfo(GString const& userName, GPathName const& jobPath, GString const& printerName,
               GString const& portName, std::int32_t copyCount, GString const& printerID);
    // Reads the text form: a missing key leaves its field empty (the copy count 0); text that is no
    // dictionary gives an empty job.
    explicit GPPJobInfo(GString const& text);

    // All fields but the printer id set, and at least one copy.
    bool IsValid() const;
    // The dictionary's text, its entries in the dictionary's own order.
    void ToGString(GString& out) const;
    // The bytes of message 145: the text form in UTF-8, without a terminating zero.
    GBuffer ToMessageData() const;

    GString const& GetUserName() const { return fUserName; }
    GPathName const& GetJobPath() const { return fJobPath; }
    GString const& GetPrinterName() const { return fPrinterName; }
    GString const& GetPortName() const { return fPortName; }
    std::int32_t GetCopyCount() const { return fCopyCount; }
    GString const& GetPrinterID() const { return fPrinterID; }

private:
    GString fUserName;
    GPathName fJobPath;
    GString fPrinterName;
    GString fPortName;
    std::int32_t fCopyCount;
    GString fPrinterID;
};

template<>
bool GPPIPCManager::SendOnce<GPPJobInfo>(int processID, int messageID, GPPJobInfo const& job);
