// The host's session: its application, the active context, and the book manager (the open books
// and the current one) as a further interface.
#pragma once

#include "HostObject.h"
#include "IBookManager.h"
#include "ISession.h"

namespace indesignhost
{
class SessionObject : public HostObject
{
public:
    explicit SessionObject(Host& host);

    ISession* GetSession() { return &fSession; }

private:
    class Session : public Facet<ISession>
    {
    public:
        explicit Session(SessionObject& object) : Facet<ISession>(object) {}
        IApplication* QueryApplication() const override;
        IActiveContext* GetActiveContext() const override;
    };

    class BookManager : public Facet<IBookManager>
    {
    public:
        explicit BookManager(SessionObject& object) : Facet<IBookManager>(object) {}
        int32 GetBookCount() const override;
        IBook* GetNthBook(int32 index) const override;
        IBook* GetCurrentBook() const override;
        void SetCurrentBook(IBook* book) override;
        IBook* FindBook(IDFile const& file) const override;
    };

    Session fSession{*this};
    BookManager fBookManager{*this};
};
} // namespace indesignhost
