// IPackager: the packaging of a document or a book: every file it needs gathered into one folder.
// Made with CreateObject; the document's packager and the book's are different objects.
#pragma once

#include "IDFile.h"
#include "IPMUnknown.h"

class IBook;
class IDocument;

class IPackager : public IPMUnknown
{
public:
    enum : PMIID
    {
        kDefaultIID = kStandInIDBase + 11,
        kBookPackagerIID = 80401
    };
    enum : ClassID
    {
        kDocumentPackageBoss = 80393,
        kBookPackageBoss = 80400
    };

    // The document packager packages a document, the book packager a book.
    virtual void SetDocument(IDocument* document) = 0;
    virtual void SetBook(IBook* book) = 0;
    // The folder to make; it must not exist yet.
    virtual void SetTargetFolder(IDFile const& folder) = 0;
    // Copy fonts, copy links, update links, the hyphenation exceptions (null: none), include hidden
    // layers, include the report's instructions, copy the document's own file, and open the folder
    // when done; 1 is yes, 0 no.
    virtual void SetOptions(int32 copyFonts, int32 copyLinks, int32 updateLinks, IPMUnknown* hyphenation,
                            int32 hiddenLayers, int32 instructions, int32 copyDocument, int32 openFolder) = 0;
    virtual ErrorCode Run() = 0;
    // The folder the last run made.
    virtual IDFile GetTargetFolder() const = 0;
};

// A new host object of the class with its interface of that id (with a reference); null when the
// host has no such object or interface.
IPMUnknown* CreateObject(ClassID objectClass, PMIID interfaceID);
