// IBookExportData: what the book export command exports: which documents of which book, into which
// file, in which format.
#pragma once

#include "IDFile.h"
#include "IPMUnknown.h"
#include "UIDList.h"

class IBookExportData : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = 65554
    };
    enum : ClassID
    {
        kPDFExportFormat = 9640
    };
    // Every part of the documents goes out.
    static constexpr uint32 kExportEverything = 255;

    virtual void SetBookFile(IDFile const& book) = 0;
    // With allDocuments the list is not read.
    virtual void SetDocuments(UIDList const& documents, bool16 allDocuments) = 0;
    // hasOutputFile false leaves the host to ask for a file.
    virtual void SetOutputFile(IDFile const& output, bool16 hasOutputFile) = 0;
    virtual void SetExportFormat(ClassID format, uint32 parts) = 0;
};
