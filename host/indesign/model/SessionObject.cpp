// The session and its book manager.
#include "SessionObject.h"

#include "BookObject.h"
#include "Host.h"
#include "HostClasses.h"
#include "IActiveContext.h"
#include "IApplication.h"

namespace indesignhost
{
SessionObject::SessionObject(Host& host) : HostObject(host, kSessionBoss, false)
{
    AddInterface(ISession::kDefaultIID, &fSession);
    AddInterface(IBookManager::kDefaultIID, &fBookManager);
}

IApplication* SessionObject::Session::QueryApplication() const
{
    Host& host = Object().GetHost();
    bool const failed = host.Faults().Fires("session.app").has_value();
    QJsonObject fields;
    fields.insert("answer", !failed);
    host.Record("call", "ISession::QueryApplication", fields);
    if (failed)
        return nullptr;
    host.Application().AddRef();
    return static_cast<IApplication*>(host.Application().Interface(IApplication::kDefaultIID));
}

IActiveContext* SessionObject::Session::GetActiveContext() const
{
    Host& host = Object().GetHost();
    host.Record("call", "ISession::GetActiveContext");
    return static_cast<IActiveContext*>(host.ActiveContext().Interface(IActiveContext::kDefaultIID));
}

int32 SessionObject::BookManager::GetBookCount() const
{
    Host& host = Object().GetHost();
    int32 const count = static_cast<int32>(host.Books().size());
    QJsonObject fields;
    fields.insert("answer", count);
    host.Record("call", "IBookManager::GetBookCount", fields);
    return count;
}

IBook* SessionObject::BookManager::GetNthBook(int32 index) const
{
    Host& host = Object().GetHost();
    std::vector<BookObject*> const books = host.Books();
    BookObject* const book = index >= 0 && static_cast<std::size_t>(index) < books.size()
                                 ? books[static_cast<std::size_t>(index)]
                                 : nullptr;
    QJsonObject fields;
    fields.insert("index", index);
    fields.insert("answer", FileNameField(book));
    host.Record("call", "IBookManager::GetNthBook", fields);
    return book ? book->GetBook() : nullptr;
}

IBook* SessionObject::BookManager::GetCurrentBook() const
{
    Host& host = Object().GetHost();
    BookObject* const book =
        host.Faults().Fires("bookManager.currentBook").has_value() ? nullptr : host.CurrentBookObject();
    QJsonObject fields;
    fields.insert("answer", FileNameField(book));
    host.Record("call", "IBookManager::GetCurrentBook", fields);
    return book ? book->GetBook() : nullptr;
}

void SessionObject::BookManager::SetCurrentBook(IBook* book)
{
    Host& host = Object().GetHost();
    BookObject* const found = host.FindBook(book);
    QJsonObject fields;
    fields.insert("book", FileNameField(found));
    if (book && !found)
    {
        fields.insert("refused", "no book of this host");
        host.Record("call", "IBookManager::SetCurrentBook", fields);
        return;
    }
    host.Record("call", "IBookManager::SetCurrentBook", fields);
    host.SetCurrentBookObject(found);
}

IBook* SessionObject::BookManager::FindBook(IDFile const& file) const
{
    Host& host = Object().GetHost();
    BookObject* found = nullptr;
    for (BookObject* book : host.Books())
        if (book->Content().path == file.GetPOSIXPath())
            found = book;
    QJsonObject fields;
    fields.insert("file", QString::fromStdString(file.GetPOSIXPath()));
    fields.insert("answer", FileNameField(found));
    host.Record("call", "IBookManager::FindBook", fields);
    return found ? found->GetBook() : nullptr;
}
} // namespace indesignhost
