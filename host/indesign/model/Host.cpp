// The host: its objects, the plug-ins' objects, the SDK's free functions, and the checks at quit.
#include "Host.h"

#include <QJsonArray>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "ActionManagerObject.h"
#include "ActionStateListObject.h"
#include "ActiveContextObject.h"
#include "ApplicationObject.h"
#include "BookObject.h"
#include "CommandObject.h"
#include "DocumentObject.h"
#include "HostClasses.h"
#include "HostObserver.h"
#include "IActionComponent.h"
#include "IStartupShutdownService.h"
#include "PackageReportObject.h"
#include "PackagerObject.h"
#include "PlugInBoss.h"
#include "SessionObject.h"
#include "ShortcutText.h"
#include "UnitPrefsObject.h"
#include "Units.h"
#include "UtilsObject.h"

// What the host hands out as the modal-dialog state: kept until the host goes, so that a state
// released twice is still known as released.
struct ModalDialogState
{
    int number = 0;
    bool released = false;
};

namespace indesignhost
{
namespace
{
QString Q(std::string const& text)
{
    return QString::fromStdString(text);
}

std::string ObjectText(HostObject const& object)
{
    std::string text = ClassName(object.GetClass()) + " " + std::to_string(object.GetUID());
    if (auto const* document = dynamic_cast<DocumentObject const*>(&object))
        text += " (" + document->Name() + ")";
    if (auto const* book = dynamic_cast<BookObject const*>(&object))
        text += " (" + book->FileName() + ")";
    return text;
}

// Implementation records are a list the plug-in links; a list that runs in a circle or without end
// is cut here.
constexpr int cMaxRecords = 10000;
} // namespace

Host::Host(HostOptions options)
    : fOptions(std::move(options)), fFaults(fTranscript), fFonts(fOptions.fontFolders), fUnit(fOptions.unit)
{
    if (HostServices::GetInstalled())
        throw std::runtime_error("another host is installed");
    if (!fOptions.transcriptPath.empty() && !fTranscript.WriteTo(fOptions.transcriptPath))
        throw std::runtime_error(fOptions.transcriptPath + ": the transcript cannot be written");
    fTranscript.SetListener(
        [this](QJsonObject const& line)
        {
            if (fObserver)
                fObserver->HostCalled(line);
        });
    fSession = std::make_unique<SessionObject>(*this);
    fApplication = std::make_unique<ApplicationObject>(*this);
    fActionManager = std::make_unique<ActionManagerObject>(*this);
    fUtils = std::make_unique<UtilsObject>(*this);
    fContext = std::make_unique<ActiveContextObject>(*this);
    QJsonArray folders;
    for (std::string const& folder : fOptions.fontFolders)
        folders.append(Q(folder));
    QJsonObject fields;
    fields.insert("fontFolders", folders);
    fields.insert("unit", Q(UnitName(fUnit)));
    Record("host", "start", fields);
    HostServices::Install(this);
}

Host::~Host()
{
    if (!fBosses.empty())
        StopPlugIns();
    fTransients.clear();
    fDocuments.clear();
    fBooks.clear();
    for (auto const& allocation : fAllocations)
        std::free(allocation.first);
    if (HostServices::GetInstalled() == this)
        HostServices::Install(nullptr);
}

void Host::Record(std::string const& kind, std::string const& what, QJsonObject const& fields)
{
    fTranscript.Record(kind, what, fields);
}

void Host::Break(std::string const& problem)
{
    fProblems.push_back(problem);
    QJsonObject fields;
    fields.insert("problem", Q(problem));
    Record("problem", "invariant", fields);
}

// ---- Documents and books

IDocument* Host::OpenDocument(std::string const& path)
{
    auto document = std::make_unique<DocumentObject>(*this, path);
    document->SetOpenedByUser(true);
    fFront = document.get();
    fDocuments.push_back(std::move(document));
    QJsonObject fields;
    fields.insert("path", Q(path));
    fields.insert("uid", static_cast<qint64>(fFront->GetUID()));
    fields.insert("pages", static_cast<int>(fFront->Content().pages.size()));
    Record("user", "OpenDocument", fields);
    return fFront->GetDocument();
}

void Host::SetFrontDocument(IDocument* document)
{
    DocumentObject* const found = FindDocument(document);
    if (document && !found)
        throw std::invalid_argument("no document of this host");
    fFront = found;
    QJsonObject fields;
    fields.insert("document", found ? QJsonValue(Q(found->Name())) : QJsonValue());
    Record("user", "SetFrontDocument", fields);
}

IDocument* Host::FrontDocument() const
{
    return fFront ? fFront->GetDocument() : nullptr;
}

void Host::SetDocumentModified(IDocument* document, bool modified)
{
    DocumentObject* const found = FindDocument(document);
    if (!found)
        throw std::invalid_argument("no document of this host");
    found->SetModified(modified);
    QJsonObject fields;
    fields.insert("document", Q(found->Name()));
    fields.insert("modified", modified);
    Record("user", "SetDocumentModified", fields);
}

void Host::SetDocumentUnit(IDocument* document, ClassID unit)
{
    DocumentObject* const found = FindDocument(document);
    if (!found)
        throw std::invalid_argument("no document of this host");
    found->SetUnit(unit);
    QJsonObject fields;
    fields.insert("document", Q(found->Name()));
    fields.insert("unit", unit ? QJsonValue(Q(UnitName(unit))) : QJsonValue());
    Record("user", "SetDocumentUnit", fields);
}

void Host::SetApplicationUnit(ClassID unit)
{
    fUnit = unit;
    QJsonObject fields;
    fields.insert("unit", Q(UnitName(unit)));
    Record("user", "SetApplicationUnit", fields);
}

std::vector<IDocument*> Host::Documents() const
{
    std::vector<IDocument*> documents;
    for (auto const& document : fDocuments)
        documents.push_back(document->GetDocument());
    return documents;
}

IBook* Host::OpenBook(std::string const& path)
{
    auto book = std::make_unique<BookObject>(*this, path);
    fCurrentBook = book.get();
    fPanelBook = book.get();
    fBooks.push_back(std::move(book));
    QJsonObject fields;
    fields.insert("path", Q(path));
    fields.insert("uid", static_cast<qint64>(fCurrentBook->GetUID()));
    fields.insert("chapters", static_cast<int>(fCurrentBook->Content().chapters.size()));
    Record("user", "OpenBook", fields);
    return fCurrentBook->GetBook();
}

void Host::SetCurrentBook(IBook* book)
{
    BookObject* const found = FindBook(book);
    if (book && !found)
        throw std::invalid_argument("no book of this host");
    fCurrentBook = found;
    QJsonObject fields;
    fields.insert("book", found ? QJsonValue(Q(found->FileName())) : QJsonValue());
    Record("user", "SetCurrentBook", fields);
}

IBook* Host::CurrentBook() const
{
    return fCurrentBook ? fCurrentBook->GetBook() : nullptr;
}

void Host::SetPanelBook(IBook* book)
{
    BookObject* const found = FindBook(book);
    if (book && !found)
        throw std::invalid_argument("no book of this host");
    fPanelBook = found;
    QJsonObject fields;
    fields.insert("book", found ? QJsonValue(Q(found->FileName())) : QJsonValue());
    Record("user", "SetPanelBook", fields);
}

void Host::SetPanelSelection(IBook* book, std::vector<std::string> const& chapterFileNames)
{
    BookObject* const found = FindBook(book);
    if (!found)
        throw std::invalid_argument("no book of this host");
    std::vector<int> chosen;
    QJsonArray names;
    for (std::string const& name : chapterFileNames)
    {
        int index = -1;
        std::vector<std::string> const& chapters = found->Content().chapters;
        for (std::size_t i = 0; i < chapters.size() && index < 0; ++i)
            if (IDFile::FromPOSIXPath(chapters[i]).GetFileName() == name)
                index = static_cast<int>(i);
        if (index < 0)
            throw std::invalid_argument("\"" + name + "\" is no chapter of " + found->FileName());
        chosen.push_back(index);
        names.append(Q(name));
    }
    found->SetSelection(chosen);
    QJsonObject fields;
    fields.insert("book", Q(found->FileName()));
    fields.insert("selection", names);
    Record("user", "SetPanelSelection", fields);
}

void Host::SetBookModified(IBook* book, bool modified)
{
    BookObject* const found = FindBook(book);
    if (!found)
        throw std::invalid_argument("no book of this host");
    found->SetModified(modified);
    QJsonObject fields;
    fields.insert("book", Q(found->FileName()));
    fields.insert("modified", modified);
    Record("user", "SetBookModified", fields);
}

UID Host::ChapterUID(IBook* book, int index) const
{
    BookObject* const found = FindBook(book);
    if (!found || index < 0 || static_cast<std::size_t>(index) >= found->Content().chapters.size())
        return kInvalidUID;
    return found->ChapterUID(index);
}

void Host::QueueAlertAnswer(int16 button)
{
    fAlertAnswers.push_back(button);
}

DocumentObject* Host::FindDocument(IDocument const* document) const
{
    if (!document)
        return nullptr;
    for (auto const& open : fDocuments)
        if (open->GetDocument() == document)
            return open.get();
    return nullptr;
}

BookObject* Host::FindBook(IBook const* book) const
{
    if (!book)
        return nullptr;
    for (auto const& open : fBooks)
        if (open->GetBook() == book)
            return open.get();
    return nullptr;
}

PackagerObject* Host::FindPackager(IPackager const* packager) const
{
    if (!packager)
        return nullptr;
    for (auto const& entry : fTransients)
        if (auto* const found = dynamic_cast<PackagerObject*>(entry.first))
            if (found->GetPackager() == packager)
                return found;
    return nullptr;
}

std::vector<BookObject*> Host::Books() const
{
    std::vector<BookObject*> books;
    for (auto const& book : fBooks)
        books.push_back(book.get());
    return books;
}

bool Host::FindPage(UID page, DocumentObject*& document, int& index) const
{
    for (auto const& open : fDocuments)
    {
        int const found = open->PageIndex(page);
        if (found >= 0)
        {
            document = open.get();
            index = found;
            return true;
        }
    }
    return false;
}

DocumentObject* Host::OpenDocumentObject(std::string const& path)
{
    // As the real host does, an open file is not read again: the plug-in gets the document the
    // user works on, with its changes, and the same one at each open.
    for (auto const& open : fDocuments)
    {
        std::error_code error;
        if (std::filesystem::equivalent(open->Content().path, path, error))
        {
            open->SetPlugInOpens(open->PlugInOpens() + 1);
            return open.get();
        }
    }
    auto document = std::make_unique<DocumentObject>(*this, path);
    document->SetPlugInOpens(1);
    DocumentObject* const opened = document.get();
    fDocuments.push_back(std::move(document));
    return opened;
}

bool Host::CloseOpenedDocument(DocumentObject* document)
{
    if (!document->OpenedByPlugIn())
    {
        if (document->OpenedByUser())
            Break("the plug-in closed document " + document->Name() + ", which the user has open");
        return false;
    }
    document->SetPlugInOpens(document->PlugInOpens() - 1);
    if (document->OpenedByPlugIn() || document->OpenedByUser())
        return true;
    if (document->References() > 0)
        Break("document " + document->Name() + " closed while the plug-in still holds " +
              std::to_string(document->References()) + " reference(s) to it");
    if (fFront == document)
        fFront = nullptr;
    for (auto it = fDocuments.begin(); it != fDocuments.end(); ++it)
        if (it->get() == document)
        {
            // A document still referenced stays alive with the host, so that a late Release finds it.
            if (document->References() > 0)
                fKept.push_back(std::move(*it));
            fDocuments.erase(it);
            break;
        }
    return true;
}

void Host::Discard(HostObject* object)
{
    fTransients.erase(object);
}

// ---- Modal state

ModalDialogState* Host::AcquireModalState()
{
    if (fFaults.Fires("dialog.acquire"))
    {
        QJsonObject fields;
        fields.insert("depth", fModalDepth);
        fields.insert("answer", QJsonValue());
        Record("modal", "acquire", fields);
        return nullptr;
    }
    auto state = std::make_unique<ModalDialogState>();
    state->number = static_cast<int>(fModalStates.size()) + 1;
    ModalDialogState* const handed = state.get();
    fModalStates.push_back(std::move(state));
    ++fModalDepth;
    QJsonObject fields;
    fields.insert("depth", fModalDepth);
    fields.insert("state", handed->number);
    Record("modal", "acquire", fields);
    return handed;
}

void Host::ReleaseModalState(ModalDialogState* state)
{
    ModalDialogState* known = nullptr;
    for (auto const& handed : fModalStates)
        if (handed.get() == state)
            known = handed.get();
    QJsonObject fields;
    if (!known || known->released)
    {
        std::string const reason = !known ? "a state the host never handed out" : "a state released already";
        fields.insert("depth", fModalDepth);
        fields.insert("refused", Q(reason));
        if (known)
            fields.insert("state", known->number);
        Record("modal", "release", fields);
        Break("modal-dialog state release refused: " + reason);
        return;
    }
    known->released = true;
    --fModalDepth;
    fields.insert("depth", fModalDepth);
    fields.insert("state", known->number);
    Record("modal", "release", fields);
}

// ---- Plug-ins

std::optional<std::string> Host::CallPlugIn(std::string const& what, std::function<void()> const& call,
                                            bool creation)
{
    QJsonObject fields;
    Record("plugin", what, fields);
    if (fObserver)
        fObserver->BeforePlugInCall(what);
    std::optional<std::string> failure;
    try
    {
        call();
    }
    catch (std::exception const& exception)
    {
        failure = std::string(exception.what());
    }
    catch (...) // a plug-in may throw anything; the host only needs to know that it did
    {
        failure = std::string("an exception of an unknown type");
    }
    if (fObserver)
        fObserver->AfterPlugInCall(what);
    if (failure)
    {
        fields.insert("call", Q(what));
        fields.insert("error", Q(*failure));
        Record("plugin", "exception", fields);
        if (!creation)
            fPlugInFailed = true;
    }
    return failure;
}

void Host::AddPlugIn(PlugIn& plugIn)
{
    LoadedPlugIn loaded;
    loaded.plugIn = &plugIn;
    ImplementationRecord const* records = nullptr;
    std::vector<MenuDeclaration> menus;
    std::optional<std::string> const failure = CallPlugIn("load",
                                                          [&]
                                                          {
                                                              loaded.id = plugIn.GetPluginID();
                                                              loaded.name = plugIn.GetName();
                                                              records = plugIn.GetImplementationRecords();
                                                              loaded.bosses = plugIn.GetBosses();
                                                              menus = plugIn.GetMenus();
                                                          });
    if (failure)
    {
        return;
    }
    QJsonArray recordIDs;
    int count = 0;
    for (ImplementationRecord const* record = records; record && count < cMaxRecords;
         record = record->fNext, ++count)
    {
        loaded.records.emplace(record->fID, record);
        recordIDs.append(static_cast<qint64>(record->fID));
    }
    QJsonArray bosses;
    for (BossDeclaration const& boss : loaded.bosses)
    {
        QJsonObject declared;
        declared.insert("boss", static_cast<qint64>(boss.fBoss));
        declared.insert("iid", static_cast<qint64>(boss.fInterface));
        declared.insert("implementation", static_cast<qint64>(boss.fImplementation));
        declared.insert("startup", boss.fStartupService != kFalse);
        declared.insert("record", loaded.records.count(boss.fImplementation) > 0);
        bosses.append(declared);
    }
    QJsonObject fields;
    fields.insert("id", static_cast<qint64>(loaded.id));
    fields.insert("name", Q(loaded.name));
    fields.insert("bundle", Q(plugIn.GetBundle()));
    fields.insert("records", recordIDs);
    fields.insert("bosses", bosses);
    fields.insert("menus", static_cast<int>(menus.size()));
    Record("load", "plugIn", fields);
    fPlugIns.push_back(std::move(loaded));

    for (MenuDeclaration const& menu : menus)
    {
        HostAction action;
        action.action = menu.fAction;
        action.owner = menu.fOwner;
        action.name = menu.fName;
        action.area = menu.fArea;
        action.userEditable = true;
        action.enabled = true;
        bool const isNew = fActions.AddAction(action);
        HostMenuItem item;
        item.action = menu.fAction;
        item.menuPath = menu.fMenuPath;
        item.position = menu.fPosition;
        fActions.AddMenuItem(item);
        QJsonObject declared;
        declared.insert("action", static_cast<qint64>(menu.fAction));
        declared.insert("owner", static_cast<qint64>(menu.fOwner));
        declared.insert("name", Q(menu.fName));
        declared.insert("path", Q(menu.fMenuPath));
        declared.insert("pos", menu.fPosition);
        declared.insert("newAction", isNew);
        Record("load", "menu", declared);
    }
}

PlugInBoss* Host::EnsureBoss(ClassID bossClass)
{
    auto const made = fBosses.find(bossClass);
    if (made != fBosses.end())
        return made->second.get();
    if (fFailedBosses.count(bossClass))
        return nullptr;
    auto boss = std::make_unique<PlugInBoss>(*this, bossClass);
    bool declared = false;
    std::optional<std::string> failure;
    for (LoadedPlugIn const& plugIn : fPlugIns)
        for (BossDeclaration const& declaration : plugIn.bosses)
        {
            if (declaration.fBoss != bossClass || failure)
                continue;
            declared = true;
            auto const record = plugIn.records.find(declaration.fImplementation);
            if (record == plugIn.records.end())
                failure = "no implementation record " + std::to_string(declaration.fImplementation);
            else
                failure = boss->AddImplementation(declaration.fInterface, *record->second);
        }
    if (!declared)
        return nullptr;
    QJsonObject fields;
    fields.insert("boss", static_cast<qint64>(bossClass));
    fields.insert("uid", static_cast<qint64>(boss->GetUID()));
    if (failure)
    {
        boss->DestroyImplementations();
        fFailedBosses.insert(bossClass);
        fields.insert("error", Q(*failure));
        Record("create", "boss", fields);
        Break("creation of plug-in object " + std::to_string(bossClass) + " failed: " + *failure);
        return nullptr;
    }
    Record("create", "boss", fields);
    PlugInBoss* const raw = boss.get();
    fBosses.emplace(bossClass, std::move(boss));
    return raw;
}

PlugInBoss* Host::EnsureComponent(ImplementationID owner)
{
    for (LoadedPlugIn const& plugIn : fPlugIns)
        for (BossDeclaration const& declaration : plugIn.bosses)
            if (declaration.fImplementation == owner &&
                declaration.fInterface == IActionComponent::kDefaultIID)
                return EnsureBoss(declaration.fBoss);
    return nullptr;
}

void Host::StartServices()
{
    if (!fServicesMade)
    {
        fServicesMade = true;
        for (LoadedPlugIn const& plugIn : fPlugIns)
            for (BossDeclaration const& declaration : plugIn.bosses)
                if (declaration.fStartupService != kFalse &&
                    declaration.fInterface == IStartupShutdownService::kDefaultIID &&
                    EnsureBoss(declaration.fBoss))
                    fServices.push_back(declaration.fBoss);
    }
    for (ClassID service : fServices)
    {
        auto* const startup = static_cast<IStartupShutdownService*>(
            fBosses.at(service)->Interface(IStartupShutdownService::kDefaultIID));
        if (startup)
            CallPlugIn("Startup", [&] { startup->Startup(); });
    }
}

void Host::DestroyBoss(ClassID bossClass)
{
    auto const found = fBosses.find(bossClass);
    if (found == fBosses.end())
        return;
    PlugInBoss& boss = *found->second;
    boss.DestroyImplementations();
    QJsonObject fields;
    fields.insert("boss", static_cast<qint64>(bossClass));
    fields.insert("references", boss.References());
    Record("destroy", "boss", fields);
    if (boss.References() != 0)
        Break("plug-in object " + std::to_string(bossClass) + " destroyed with " +
              std::to_string(boss.References()) + " reference(s) not given back");
    fBosses.erase(found);
}

void Host::StopPlugIns()
{
    for (ClassID service : fServices)
    {
        auto const found = fBosses.find(service);
        if (found == fBosses.end())
            continue;
        auto* const startup = static_cast<IStartupShutdownService*>(
            found->second->Interface(IStartupShutdownService::kDefaultIID));
        if (startup)
            CallPlugIn("Shutdown", [&] { startup->Shutdown(); });
    }
    std::vector<ClassID> components;
    for (auto const& boss : fBosses)
        if (std::find(fServices.begin(), fServices.end(), boss.first) == fServices.end())
            components.push_back(boss.first);
    for (ClassID component : components)
        DestroyBoss(component);
    for (ClassID service : fServices)
        DestroyBoss(service);
    fServices.clear();
    fServicesMade = false;
}

void Host::UpdateActions(std::vector<ActionID> const& actions)
{
    // Each owner's component is asked once, for its actions in the order given.
    std::vector<ImplementationID> owners;
    for (ActionID action : actions)
        if (HostAction const* known = fActions.Find(action))
            if (std::find(owners.begin(), owners.end(), known->owner) == owners.end())
                owners.push_back(known->owner);
    for (ImplementationID owner : owners)
    {
        std::vector<ActionStateEntry> entries;
        for (ActionID action : actions)
        {
            HostAction const* const known = fActions.Find(action);
            if (known && known->owner == owner &&
                std::none_of(entries.begin(), entries.end(),
                             [&](ActionStateEntry const& e) { return e.action == action; }))
                entries.push_back({action, known->enabled, known->name});
        }
        PlugInBoss* const boss = EnsureComponent(owner);
        auto* const component =
            boss ? static_cast<IActionComponent*>(boss->Interface(IActionComponent::kDefaultIID)) : nullptr;
        if (!component)
        {
            QJsonObject fields;
            fields.insert("owner", static_cast<qint64>(owner));
            Record("menu", "noComponent", fields);
            continue;
        }
        auto list = std::make_unique<ActionStateListObject>(*this, entries);
        IActiveContext* const context =
            static_cast<IActiveContext*>(fContext->Interface(IActiveContext::kDefaultIID));
        CallPlugIn("UpdateActionStates",
                   [&] { component->UpdateActionStates(context, list->GetList(), SysPoint(), nullptr); });
        for (ActionStateEntry const& entry : list->Entries())
            if (HostAction* const known = fActions.Find(entry.action))
            {
                known->enabled = entry.enabled;
                known->name = entry.name;
            }
        if (list->References() != 0)
        {
            Break("the plug-in kept " + std::to_string(list->References()) +
                  " reference(s) to the action state list");
            fKept.push_back(std::move(list));
        }
    }
}

void Host::DoAction(ActionID action)
{
    HostAction const* const known = fActions.Find(action);
    PlugInBoss* const boss = known ? EnsureComponent(known->owner) : nullptr;
    auto* const component =
        boss ? static_cast<IActionComponent*>(boss->Interface(IActionComponent::kDefaultIID)) : nullptr;
    if (!component)
        return;
    IActiveContext* const context =
        static_cast<IActiveContext*>(fContext->Interface(IActiveContext::kDefaultIID));
    CallPlugIn("DoAction " + std::to_string(action),
               [&] { component->DoAction(context, action, SysPoint(), nullptr); });
}

std::vector<MenuItemState> Host::UpdateMenu(std::string const& menuPath)
{
    std::vector<HostMenuItem> const items = fActions.ItemsOf(menuPath);
    std::vector<ActionID> actions;
    for (HostMenuItem const& item : items)
        actions.push_back(item.action);
    UpdateActions(actions);
    std::vector<MenuItemState> states;
    for (HostMenuItem const& item : items)
    {
        HostAction const* const known = fActions.Find(item.action);
        states.push_back(
            {item.action, known ? known->name : std::string(), known && known->enabled, item.position});
    }
    return states;
}

bool Host::ChooseMenuItem(std::string const& menuPath, std::string const& itemName)
{
    std::vector<MenuItemState> const states = UpdateMenu(menuPath);
    MenuItemState const* chosen = nullptr;
    bool disabled = false;
    for (MenuItemState const& state : states)
        if (state.name == itemName)
        {
            if (state.enabled)
            {
                chosen = &state;
                break;
            }
            disabled = true;
        }
    QJsonObject fields;
    fields.insert("path", Q(menuPath));
    fields.insert("item", Q(itemName));
    if (chosen)
        fields.insert("action", static_cast<qint64>(chosen->action));
    else
        fields.insert("refused", disabled ? "the item is disabled" : "the menu has no such item");
    Record("menu", "choose", fields);
    if (!chosen)
        return false;
    DoAction(chosen->action);
    return true;
}

bool Host::PressShortcut(std::string const& text)
{
    int32 key = 0;
    int32 modifiers = 0;
    QJsonObject fields;
    fields.insert("shortcut", Q(text));
    if (!ParseShortcut(text, key, modifiers))
    {
        fields.insert("refused", "no shortcut text");
        Record("shortcut", "press", fields);
        return false;
    }
    ActionID const action = fActions.ActionOfShortcut(key, modifiers);
    if (action == 0)
    {
        fields.insert("refused", "no action has the shortcut");
        Record("shortcut", "press", fields);
        return false;
    }
    UpdateActions({action});
    HostAction const* const known = fActions.Find(action);
    fields.insert("action", static_cast<qint64>(action));
    if (!known || !known->enabled)
    {
        fields.insert("refused", "the action is disabled");
        Record("shortcut", "press", fields);
        return false;
    }
    Record("shortcut", "press", fields);
    DoAction(action);
    return true;
}

std::vector<MenuItemState> Host::RecordMenuState(std::string const& menuPath)
{
    std::vector<MenuItemState> const states = UpdateMenu(menuPath);
    QJsonArray items;
    for (MenuItemState const& state : states)
    {
        QJsonObject item;
        item.insert("action", static_cast<qint64>(state.action));
        item.insert("name", Q(state.name));
        item.insert("enabled", state.enabled);
        item.insert("pos", state.position);
        items.append(item);
    }
    QJsonObject fields;
    fields.insert("path", Q(menuPath));
    fields.insert("items", items);
    Record("menu", "state", fields);
    return states;
}

// ---- Quit

std::vector<std::string> Host::QuitChecks()
{
    std::vector<std::string> problems = fProblems;
    if (fModalDepth != 0)
        problems.push_back("the modal-dialog state is still held at quit (depth " +
                           std::to_string(fModalDepth) + ")");
    std::vector<HostObject const*> held = {fSession.get(), fApplication.get(), fActionManager.get(),
                                           fUtils.get(), fContext.get()};
    for (auto const& document : fDocuments)
        held.push_back(document.get());
    for (auto const& book : fBooks)
        held.push_back(book.get());
    for (HostObject const* object : held)
        if (object->References() != 0)
            problems.push_back("the plug-in holds " + std::to_string(object->References()) +
                               " reference(s) to " + ObjectText(*object) + " at quit");
    for (auto const& document : fDocuments)
        if (document->OpenedByPlugIn())
            problems.push_back("document " + document->Name() + " opened by the plug-in was never closed");
    for (auto const& entry : fTransients)
        problems.push_back(ObjectText(*entry.first) + " made for the plug-in is left at quit with " +
                           std::to_string(entry.first->References()) + " reference(s)");
    for (auto const& boss : fBosses)
        problems.push_back("plug-in object " + std::to_string(boss.first) + " was never destroyed");
    if (!fAllocations.empty())
    {
        std::size_t bytes = 0;
        for (auto const& allocation : fAllocations)
            bytes += allocation.second;
        problems.push_back(std::to_string(fAllocations.size()) + " allocation(s) of " +
                           std::to_string(bytes) + " byte(s) never given back");
    }
    for (std::string const& point : fFaults.NeverFired())
        problems.push_back("the fault at " + point + " never fired");
    if (fPlugInFailed)
        problems.push_back("an exception left a call into a plug-in");
    QJsonArray texts;
    for (std::string const& problem : problems)
        texts.append(Q(problem));
    QJsonObject fields;
    fields.insert("problems", texts);
    Record("quit", "checks", fields);
    return problems;
}

// ---- The SDK's free functions

ISession* Host::GetSession()
{
    bool const failed = fFaults.Fires("session").has_value();
    QJsonObject fields;
    fields.insert("answer", !failed);
    Record("call", "GetExecutionContextSession", fields);
    return failed ? nullptr : static_cast<ISession*>(fSession->Interface(ISession::kDefaultIID));
}

IPMUnknown* Host::QueryUtils(PMIID interfaceID)
{
    IPMUnknown* const found =
        fFaults.Fires("utils." + std::to_string(interfaceID)) ? nullptr : fUtils->Interface(interfaceID);
    QJsonObject fields;
    fields.insert("iid", static_cast<qint64>(interfaceID));
    fields.insert("answer", found != nullptr);
    Record("call", "QueryUtils", fields);
    if (found)
        fUtils->AddRef();
    return found;
}

IPMUnknown* Host::QueryPreferences(PMIID interfaceID, IActiveContext* context)
{
    QJsonObject fields;
    fields.insert("iid", static_cast<qint64>(interfaceID));
    fields.insert("context", context != nullptr);
    if (interfaceID != IUnitPrefs::kDefaultIID)
    {
        fields.insert("answer", QJsonValue());
        Record("call", "QueryPreferences", fields);
        return nullptr;
    }
    // The context's document's own unit, else the application's.
    bool const ours = context && context == fContext->Interface(IActiveContext::kDefaultIID);
    DocumentObject* const document = ours ? fFront : nullptr;
    ClassID const unit = document && document->Unit() ? document->Unit() : fUnit;
    UnitPrefsObject* const prefs = Adopt(std::make_unique<UnitPrefsObject>(*this, unit));
    prefs->AddRef();
    fields.insert("document", document ? QJsonValue(Q(document->Name())) : QJsonValue());
    fields.insert("answer", Q(UnitName(unit)));
    Record("call", "QueryPreferences", fields);
    return prefs->GetPrefs();
}

ICommand* Host::CreateCommand(ClassID commandClass)
{
    QJsonObject fields;
    fields.insert("class", static_cast<qint64>(commandClass));
    std::unique_ptr<CommandObject> made;
    if (!fFaults.Fires("createCommand." + ClassName(commandClass)))
        made = CommandObject::Make(*this, commandClass);
    fields.insert("answer", made ? QJsonValue(static_cast<qint64>(made->GetUID())) : QJsonValue());
    Record("call", "CreateCommand", fields);
    if (!made)
        return nullptr;
    CommandObject* const command = Adopt(std::move(made));
    command->AddRef();
    return command->GetCommand();
}

ErrorCode Host::ProcessCommand(ICommand* command)
{
    CommandObject* found = nullptr;
    for (auto const& entry : fTransients)
        if (auto* const candidate = dynamic_cast<CommandObject*>(entry.first))
            if (candidate->GetCommand() == command)
                found = candidate;
    QJsonObject fields;
    if (!found)
    {
        fields.insert("result", kFailure);
        fields.insert("refused", "no command of this host");
        Record("call", "ProcessCommand", fields);
        return kFailure;
    }
    fields.insert("class", static_cast<qint64>(found->GetClass()));
    fields.insert("uid", static_cast<qint64>(found->GetUID()));
    Record("call", "ProcessCommand", fields);
    if (std::optional<int32> const fault = fFaults.Fires("command.process." + ClassName(found->GetClass())))
        return *fault;
    // The command may be released inside, by nobody but the plug-in; it holds its reference here.
    found->AddRef();
    ErrorCode const result = found->Process();
    found->Release();
    return result;
}

IPMUnknown* Host::CreateObject(ClassID objectClass, PMIID interfaceID)
{
    QJsonObject fields;
    fields.insert("class", static_cast<qint64>(objectClass));
    fields.insert("iid", static_cast<qint64>(interfaceID));
    std::unique_ptr<HostObject> made;
    if (!fFaults.Fires("createObject." + ClassName(objectClass)))
    {
        if (objectClass == IPackager::kDocumentPackageBoss || objectClass == IPackager::kBookPackageBoss)
            made = std::make_unique<PackagerObject>(*this, objectClass);
        else if (objectClass == IPackageReport::kPackageReportBoss)
            made = std::make_unique<PackageReportObject>(*this);
    }
    IPMUnknown* const found = made ? made->Interface(interfaceID) : nullptr;
    fields.insert("answer", found ? QJsonValue(static_cast<qint64>(made->GetUID())) : QJsonValue());
    Record("call", "CreateObject", fields);
    if (!found)
        return nullptr;
    HostObject* const object = Adopt(std::move(made));
    object->AddRef();
    return found;
}

int16 Host::ModalAlert(PMString const& text, PMString const& button1, PMString const& button2,
                       PMString const& button3, int16 defaultButton, int16 cancelButton)
{
    int16 answer = defaultButton;
    bool answered = false;
    if (!fAlertAnswers.empty())
    {
        answer = fAlertAnswers.front();
        fAlertAnswers.pop_front();
        answered = true;
    }
    QJsonObject fields;
    fields.insert("text", Q(text.GetUTF8()));
    fields.insert("buttons", QJsonArray{Q(button1.GetUTF8()), Q(button2.GetUTF8()), Q(button3.GetUTF8())});
    fields.insert("default", defaultButton);
    fields.insert("cancel", cancelButton);
    fields.insert("answer", answer);
    fields.insert("answeredBy", answered ? "scenario" : "default");
    Record("alert", "ModalAlert", fields);
    return answer;
}

void* Host::Allocate(std::size_t size)
{
    void* const memory = std::malloc(size ? size : 1);
    QJsonObject fields;
    fields.insert("size", static_cast<qint64>(size));
    fields.insert("answer", memory != nullptr);
    Record("call", "SDKAllocate", fields);
    if (memory)
        fAllocations.emplace(memory, size);
    return memory;
}

void Host::Free(void* memory)
{
    if (!memory)
        return;
    auto const found = fAllocations.find(memory);
    QJsonObject fields;
    fields.insert("size", found == fAllocations.end() ? QJsonValue()
                                                      : QJsonValue(static_cast<qint64>(found->second)));
    Record("call", "SDKFree", fields);
    if (found == fAllocations.end())
    {
        // Not ours to free: it may be anybody's memory.
        Break("SDKFree of memory the host never handed out");
        return;
    }
    fAllocations.erase(found);
    std::free(memory);
}
} // namespace indesignhost
