// The process-wide diagnostic log: code marks trace points with a category, its source location
// and a message; a settings file in the debug folder decides per category whether the line is
// written to the log file beside it. Without a settings file nothing is written.
#pragma once

#include <atomic>
#include <cstdint>

#include "GAutoPtr.h"
#include "GBuffer.h"
#include "GDict.h"
#include "GOutStream.h"
#include "GPathName.h"
#include "GString.h"

class GInStream;

// Where a trace point stands; the names may be null.
struct GCodeLocation
{
    char const* fFile;
    char const* fFunction;
    int fLine;
};

class GTrace
{
public:
    enum CategoryType
    {
        cLogCategory = 0,
        cAssertCategory = 1,
        cDetailCategory = 2
    };

    // Reads the settings file when it exists. Errors opening or reading it are thrown.
    GTrace();
    // The stream becomes the log (owned when the pointer owned it); no log file is ever made.
    explicit GTrace(GAutoPtr<GOutStream, GDeletePtr> const& stream);
    ~GTrace();
    GTrace(GTrace const&) = delete;
    GTrace& operator=(GTrace const&) = delete;

    static GTrace* GetInstance() { return sInstance; }
    // Deletes the instance before, then installs the new one (or none).
    static void SetInstance(GTrace* trace);

    // One line of the category when its settings ask for it; dropped while another trace call is
    // under way (on any thread).
    template<class Data>
    void Trace(GBuffer const& category, GCodeLocation const& location, Data const& data)
    {
        Busy busy(*this);
        if (!busy.fOutermost)
            return;
        bool const wanted = GetNeedsLogging(category);
        fLastDecision.store(wanted);
        if (wanted)
            TraceSelf(category, location, GetBufferFromData(data));
    }
    static void TraceAssert(char const* text, GCodeLocation const& location);
    static void ShowAssert(char const*, GCodeLocation const&) {}
    // Up to count bytes of the stream, from its position, appended as they are after a written
    // line; the stream's own position does not move.
    void TraceStreamData(GInStream* stream, int count);

    bool GetNeedsLogging(GBuffer const& category) const;
    bool GetAlertOnLog(GBuffer const& category) const;
    static int GetCatType(GBuffer const& category);
    // The log, its file opened on first use.
    GOutStream* GetStream();
    // Appends the file name (without what precedes its last path separator), ":", the line and,
    // with a function name, "@" and the function.
    static void ComposeLocation(GCodeLocation const& location, GBuffer& out);

    // Raise the busy counter and tell whether it was 0 / lower it.
    bool Enter() { return fBusy.fetch_add(1) == 0; }
    void Leave() { fBusy.fetch_sub(1); }
    void IncreaseDepth() { fDepth.fetch_add(1); }
    void DecreaseDepth() { fDepth.fetch_sub(1); }

    // Where the settings are read from: the debug folder, the leaf of the program's own code file,
    // extension "tpr".
    static GPathName GetSettingsPath();

private:
    struct Busy
    {
        explicit Busy(GTrace& trace) : fTrace(trace), fOutermost(trace.Enter()) {}
        ~Busy() { fTrace.Leave(); }
        GTrace& fTrace;
        bool fOutermost;
    };

    static GBuffer GetBufferFromData(GBuffer const& data) { return data; }
    static GBuffer GetBufferFromData(char const* data) { return GBuffer(data ? data : ""); }

    void ReadSettings();
    void TraceSelf(GBuffer const& category, GCodeLocation const& location, GBuffer const& message);
    // Opens the log file: the plain name, else the first numbered one not in use; twelve attempts.
    void OpenLogFile();

    GAutoPtr<GOutStream, GDeletePtr> fStream;
    GDict<GBuffer, std::int32_t> fCategories;
    GString fTrueWords[2];
    GString fFalseWords[2];
    bool fLog = false;
    bool fLogAssert = false;
    bool fLogDetail = false;
    bool fAssertOnLog = false;
    bool fAssertOnAssert = false;
    bool fAssertOnDetail = false;
    bool fAlwaysUseNewFile = false;
    GBuffer fIndent;
    GBuffer fPrefix;
    bool fLogLocation = true;
    bool fLogTime = true;
    // Shared by all threads: a call on one thread while another is inside one is dropped.
    std::atomic<int> fDepth{0};
    std::atomic<int> fBusy{0};
    std::atomic<bool> fLastDecision{false};

    static GTrace* sInstance;
};
