// The host's utilities object: the front document, saving, opening and closing documents, reading
// shortcut texts, the book panel, and the modal-dialog state, each an interface of the one object.
#pragma once

#include "HostObject.h"
#include "IBookUtils.h"
#include "IDialogUtils.h"
#include "IDocumentOpenUtils.h"
#include "IDocumentSaveUtils.h"
#include "IFrontDocumentUtils.h"
#include "IShortcutUtils.h"

namespace indesignhost
{
class UtilsObject : public HostObject
{
public:
    explicit UtilsObject(Host& host);

private:
    class FrontDocument : public Facet<IFrontDocumentUtils>
    {
    public:
        explicit FrontDocument(UtilsObject& object) : Facet<IFrontDocumentUtils>(object) {}
        IDocument* GetFrontDocument() const override;
    };

    class Save : public Facet<IDocumentSaveUtils>
    {
    public:
        explicit Save(UtilsObject& object) : Facet<IDocumentSaveUtils>(object) {}
        ErrorCode SaveDocument(IDocument* document) override;
    };

    class Open : public Facet<IDocumentOpenUtils>
    {
    public:
        explicit Open(UtilsObject& object) : Facet<IDocumentOpenUtils>(object) {}
        ErrorCode OpenDocument(IDFile const& file, IDocument*& document) override;
        ErrorCode CloseDocument(IDocument* document) override;
    };

    class Shortcut : public Facet<IShortcutUtils>
    {
    public:
        explicit Shortcut(UtilsObject& object) : Facet<IShortcutUtils>(object) {}
        bool16 ParseShortcutString(PMString const& text, int32& key, int32& modifiers) const override;
    };

    class Books : public Facet<IBookUtils>
    {
    public:
        explicit Books(UtilsObject& object) : Facet<IBookUtils>(object) {}
        IBook* GetPanelBook(IPMUnknown const* object) const override;
        void GetSelectedDocuments(IBook const* book, UIDList& documents) const override;
        ErrorCode SaveBook(IBook* book) override;
    };

    class Dialogs : public Facet<IDialogUtils>
    {
    public:
        explicit Dialogs(UtilsObject& object) : Facet<IDialogUtils>(object) {}
        ModalDialogState* AcquireModalDialogState() override;
        void ReleaseModalDialogState(ModalDialogState* state) override;
    };

    FrontDocument fFrontDocument{*this};
    Save fSave{*this};
    Open fOpen{*this};
    Shortcut fShortcut{*this};
    Books fBooks{*this};
    Dialogs fDialogs{*this};
};
} // namespace indesignhost
