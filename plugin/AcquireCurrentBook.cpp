// The book panel's book made current for one scope.
#include "AcquireCurrentBook.h"

#include "IBook.h"
#include "IBookContent.h"
#include "IBookManager.h"
#include "IBookUtils.h"
#include "ISession.h"
#include "InterfacePtr.h"
#include "UtilsBoss.h"

AcquireCurrentBook::AcquireCurrentBook(IPMUnknown const* object)
    : fSelected(new UIDList), fSelectedCount(0), fDocumentCount(0), fBook(nullptr), fPrevious(nullptr),
      fManager(nullptr)
{
    InterfacePtr<IBookUtils> const utils(UtilsBoss::QueryUtils<IBookUtils>());
    IBook* const panelBook = utils ? utils->GetPanelBook(object) : nullptr;
    ISession* const session = GetExecutionContextSession();
    InterfacePtr<IBookManager> manager(session);
    if (!panelBook || !manager)
        return;
    IBook* const book = manager->FindBook(panelBook->GetBookFileSpec());
    if (!book)
        return;
    // The manager is held until the previous book is current again.
    fManager = manager.forget();
    fPrevious = fManager->GetCurrentBook();
    fManager->SetCurrentBook(book);
    fBook = book;
    fSelected->SetOwner(book);
    utils->GetSelectedDocuments(book, *fSelected);
    fSelectedCount = fSelected->Length();
    InterfacePtr<IBookContent> const content(book);
    fDocumentCount = content ? content->GetContentCount() : 0;
}

AcquireCurrentBook::~AcquireCurrentBook()
{
    if (!fManager)
        return;
    fManager->SetCurrentBook(fPrevious);
    fManager->Release();
}
