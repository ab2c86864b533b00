// The InDesign host behind the SDK: its session and application, the action, menu and shortcut
// managers, the utilities, documents and books opened from their files, the commands that export
// PDFs, the packagers, the modal-dialog state, alerts, the plug-ins' objects and the memory they
// take. A Host installs itself as the SDK's host for its lifetime, so a plug-in's calls reach it
// in-process (tests) as in the host program. Every call is written to its transcript; faults from
// its fault table make its boundaries fail; its quit checks tell what the plug-in left behind.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ActionTable.h"
#include "ExportSettings.h"
#include "FaultTable.h"
#include "FontFolders.h"
#include "HostServices.h"
#include "IUnitPrefs.h"
#include "PlugIn.h"
#include "Transcript.h"

class IBook;
class IDocument;
class IPackager;
struct ModalDialogState;

namespace indesignhost
{
class BookObject;
class DocumentObject;
class HostObject;
class HostObserver;
class PackagerObject;
class PlugInBoss;

struct HostOptions
{
    // The folders fonts are found in, scanned at once and again at every font-usage refresh.
    std::vector<std::string> fontFolders;
    // The application's measurement unit (a unit class of IUnitPrefs).
    ClassID unit = IUnitPrefs::kPointsBoss;
    // Where the transcript goes as it is recorded; empty for memory only.
    std::string transcriptPath;
};

// A menu item as the user sees it once the menu is up to date.
struct MenuItemState
{
    ActionID action = 0;
    std::string name;
    bool enabled = false;
    PMReal position = 0;
};

class Host : public HostServices
{
public:
    // Installs the host; throws std::runtime_error when another host is installed or the
    // transcript file cannot be made.
    explicit Host(HostOptions options = HostOptions());
    // Uninstalls it. Plug-in objects still alive are destroyed first (StopPlugIns).
    ~Host() override;
    Host(Host const&) = delete;
    Host& operator=(Host const&) = delete;

    // ---- What the user does

    // Opens the document file and makes it the front document; throws HostFileError when the file
    // cannot be read as a document. The document is held by the host until it goes.
    IDocument* OpenDocument(std::string const& path);
    // Null: no document in front.
    void SetFrontDocument(IDocument* document);
    IDocument* FrontDocument() const;
    void SetDocumentModified(IDocument* document, bool modified);
    // The document's own unit; 0 gives it the application's.
    void SetDocumentUnit(IDocument* document, ClassID unit);
    void SetApplicationUnit(ClassID unit);
    // The open documents, front or not, in the order they were opened (chapters a plug-in opened
    // included).
    std::vector<IDocument*> Documents() const;

    // Opens the book file and makes it the current book and the book panel's book; throws
    // HostFileError when it cannot be read as a book (its chapters are not read).
    IBook* OpenBook(std::string const& path);
    void SetCurrentBook(IBook* book);
    IBook* CurrentBook() const;
    // The book the book panel shows; null for none.
    void SetPanelBook(IBook* book);
    // Selects the chapters of those file names in the book's panel, in book order; throws
    // std::invalid_argument naming a name that is no chapter of the book.
    void SetPanelSelection(IBook* book, std::vector<std::string> const& chapterFileNames);
    void SetBookModified(IBook* book, bool modified);
    // A chapter's number in the book (what IBookContent and the panel's selection give).
    UID ChapterUID(IBook* book, int index) const;

    // The answers the next alerts get, in order; an alert with none queued gets its default button.
    void QueueAlertAnswer(int16 button);

    FontFolders& Fonts() { return fFonts; }
    FaultTable& Faults() { return fFaults; }
    Transcript& GetTranscript() { return fTranscript; }
    // The PDF export settings the set-PDF-export-preferences command last stored.
    ExportSettings const& SessionPdfSettings() const { return fSessionPdfSettings; }

    // ---- Plug-ins

    // Reads the plug-in's id, implementation records, bosses and menu declarations, and adds the
    // declared menu items. The plug-in object must outlive the host.
    void AddPlugIn(PlugIn& plugIn);
    // Creates each start-up service the first time and calls its Startup.
    void StartServices();
    // Shutdown of each service, then the action components and the services destroyed.
    void StopPlugIns();

    // Asks each action component with an item in the menu for the items' states and names (the
    // component made on first need), and answers the items.
    std::vector<MenuItemState> UpdateMenu(std::string const& menuPath);
    // Updates the menu, then hands the enabled item of that name to its component; false (recorded)
    // when the menu has no such item or it is disabled.
    bool ChooseMenuItem(std::string const& menuPath, std::string const& itemName);
    // Updates the state of the shortcut's action, then hands it to its component when enabled;
    // false (recorded) when the text is no shortcut, no action has it, or it is disabled.
    bool PressShortcut(std::string const& text);
    // Updates the menu and records its items in the transcript.
    std::vector<MenuItemState> RecordMenuState(std::string const& menuPath);

    // Not owned; null for none.
    void SetObserver(HostObserver* observer) { fObserver = observer; }
    HostObserver* Observer() const { return fObserver; }

    // ---- Quit

    // What is wrong at quit: modal state still held, references or objects the plug-in kept,
    // memory it did not give back (freed when the host goes), faults that never fired, and the
    // invariant breaks recorded while it ran. Recorded in the transcript.
    std::vector<std::string> QuitChecks();
    // Invariant breaks recorded so far.
    std::vector<std::string> const& Problems() const { return fProblems; }
    // An exception left a call into a plug-in.
    bool PlugInFailed() const { return fPlugInFailed; }
    int ModalDepth() const { return fModalDepth; }
    std::size_t OutstandingAllocations() const { return fAllocations.size(); }

    // ---- HostServices: the SDK's free functions

    ISession* GetSession() override;
    IPMUnknown* QueryUtils(PMIID interfaceID) override;
    IPMUnknown* QueryPreferences(PMIID interfaceID, IActiveContext* context) override;
    ICommand* CreateCommand(ClassID commandClass) override;
    ErrorCode ProcessCommand(ICommand* command) override;
    IPMUnknown* CreateObject(ClassID objectClass, PMIID interfaceID) override;
    int16 ModalAlert(PMString const& text, PMString const& button1, PMString const& button2,
                     PMString const& button3, int16 defaultButton, int16 cancelButton) override;
    void* Allocate(std::size_t size) override;
    void Free(void* memory) override;

    // ---- For the host's own objects

    UID NewUID() { return ++fLastUID; }
    void Record(std::string const& kind, std::string const& what, QJsonObject const& fields = QJsonObject());
    // Records an invariant break, reported again at quit.
    void Break(std::string const& problem);
    // Destroys a transient object whose last reference went.
    void Discard(HostObject* object);
    // Takes a new object the plug-in holds the first reference of.
    template<class T>
    T* Adopt(std::unique_ptr<T> object)
    {
        T* const raw = object.get();
        fTransients.emplace(raw, std::move(object));
        return raw;
    }
    DocumentObject* FindDocument(IDocument const* document) const;
    BookObject* FindBook(IBook const* book) const;
    PackagerObject* FindPackager(IPackager const* packager) const;
    std::vector<BookObject*> Books() const;
    BookObject* CurrentBookObject() const { return fCurrentBook; }
    void SetCurrentBookObject(BookObject* book) { fCurrentBook = book; }
    BookObject* PanelBookObject() const { return fPanelBook; }
    DocumentObject* FrontDocumentObject() const { return fFront; }
    ClassID ApplicationUnit() const { return fUnit; }
    HostObject& Application() const { return *fApplication; }
    HostObject& ActionManager() const { return *fActionManager; }
    HostObject& ActiveContext() const { return *fContext; }
    ActionTable& Actions() { return fActions; }
    // The document a page belongs to and its index there, found by the page's number alone.
    bool FindPage(UID page, DocumentObject*& document, int& index) const;
    // Opens a document for a plug-in (a book's chapter), held until CloseOpenedDocument. A file
    // open already gives that document, counted once more.
    DocumentObject* OpenDocumentObject(std::string const& path);
    // Counts one open of the plug-in's off; the document closes when none is left and the user
    // does not have it open. False (and, for a document of the user's, a problem) when the plug-in
    // has no open of it left.
    bool CloseOpenedDocument(DocumentObject* document);
    ModalDialogState* AcquireModalState();
    void ReleaseModalState(ModalDialogState* state);
    void StoreSessionPdfSettings(ExportSettings const& settings) { fSessionPdfSettings = settings; }

    // Runs a call into a plug-in with the observer told around it; an exception it lets out is
    // caught here and answered as its text, and recorded. Such an exception is the plug-in's failure
    // (PlugInFailed), except out of a creation, which the host sees as a failed creation.
    std::optional<std::string> CallPlugIn(std::string const& what, std::function<void()> const& call,
                                          bool creation = false);

private:
    struct LoadedPlugIn
    {
        PlugIn* plugIn = nullptr;
        PluginID id = 0;
        std::string name;
        std::map<ImplementationID, ImplementationRecord const*> records;
        std::vector<BossDeclaration> bosses;
    };

    // The plug-in boss of the class with all its implementations, made on first need; null when
    // no plug-in declares it or its making failed.
    PlugInBoss* EnsureBoss(ClassID bossClass);
    // The action component of the implementation, made with its boss on first need.
    PlugInBoss* EnsureComponent(ImplementationID owner);
    void UpdateActions(std::vector<ActionID> const& actions);
    void DoAction(ActionID action);
    void DestroyBoss(ClassID bossClass);

    HostOptions fOptions;
    Transcript fTranscript;
    FaultTable fFaults;
    FontFolders fFonts;
    HostObserver* fObserver = nullptr;
    UID fLastUID = 0;
    ClassID fUnit;

    std::unique_ptr<HostObject> fSession;
    std::unique_ptr<HostObject> fApplication;
    std::unique_ptr<HostObject> fActionManager;
    std::unique_ptr<HostObject> fUtils;
    std::unique_ptr<HostObject> fContext;
    ActionTable fActions;

    std::vector<std::unique_ptr<DocumentObject>> fDocuments;
    DocumentObject* fFront = nullptr;
    std::vector<std::unique_ptr<BookObject>> fBooks;
    BookObject* fCurrentBook = nullptr;
    BookObject* fPanelBook = nullptr;
    ExportSettings fSessionPdfSettings;
    std::map<HostObject*, std::unique_ptr<HostObject>> fTransients;
    // Objects the host is done with that the plug-in still holds: kept until the host goes.
    std::vector<std::unique_ptr<HostObject>> fKept;

    std::vector<LoadedPlugIn> fPlugIns;
    std::map<ClassID, std::unique_ptr<PlugInBoss>> fBosses;
    std::set<ClassID> fFailedBosses;
    // Start-up service bosses in the order they were made.
    std::vector<ClassID> fServices;
    bool fServicesMade = false;

    std::deque<int16> fAlertAnswers;
    std::map<void*, std::size_t> fAllocations;
    std::vector<std::unique_ptr<ModalDialogState>> fModalStates;
    int fModalDepth = 0;
    std::vector<std::string> fProblems;
    bool fPlugInFailed = false;
};
} // namespace indesignhost
