// The UI robot: it answers the plug-in's Qt windows as a user would, from the scenario's "ui"
// entries. It watches every top-level window the plug-in shows, writes down what the window shows
// and, from inside the window's own event loop, chooses, clicks, types, ticks, expands, sets and
// presses as the window's entry says. A window no entry expects, a control an entry names that is
// not there, and a window left unanswered past the time-out are problems of the run (exit 3): the
// window is cancelled so that the plug-in goes on. The robot sits on the host's observer seam and
// on Qt's application start-up, so that it is watching before the plug-in's first window shows.
#pragma once

#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QPointer>

#include <list>
#include <string>
#include <vector>

#include "HostObserver.h"
#include "Scenario.h"

class QApplication;
class QWidget;

namespace indesignhost
{
class Host;

class UiRobot : public QObject, public HostObserver
{
    Q_OBJECT

public:
    static constexpr int cDefaultTimeoutSeconds = 15;

    // One robot at a time; the entries in the order their windows are expected.
    UiRobot(Host& host, std::vector<ScenarioUiEntry> entries, int timeoutMilliseconds);
    ~UiRobot() override;
    UiRobot(UiRobot const&) = delete;
    UiRobot& operator=(UiRobot const&) = delete;

    void BeforePlugInCall(std::string const& what) override;
    void AfterPlugInCall(std::string const& what) override;
    void HostCalled(QJsonObject const& line) override;
    // Lets the plug-in's posted events run, and answers what shows meanwhile.
    void BetweenSteps() override;

    // At quit: every entry that no window used is a problem.
    void Finish();
    // The entries used so far.
    std::size_t EntriesUsed() const { return fNext; }

    bool eventFilter(QObject* watched, QEvent* event) override;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    enum class Turn
    {
        // Shown; its answer is on its way.
        Pending,
        // The robot is answering it (its answer may open further windows).
        Acting,
        // Answered, yet left open by its entry.
        Waiting,
        // Cancelled by the robot; it must close.
        Cancelled
    };

    struct Watched
    {
        QPointer<QWidget> window;
        Turn turn = Turn::Pending;
        QElapsedTimer since;
        bool scheduled = false;
    };

    static void OnApplicationMade();
    // Watches the application once there is one (again after it was made anew).
    void Watch();
    void ApplicationGone();
    static bool IsAnswerable(QWidget const& widget);
    Watched* Find(QWidget const* window);
    // A window shown: its answer comes from inside its own loop.
    void Notice(QWidget& window);
    void Schedule(Watched& watched);
    void Answer(QPointer<QWidget> const& window);
    bool Matches(ScenarioUiEntry const& entry, QWidget const& window) const;
    // Takes the entry's actions in their order; false when one failed (the window is cancelled).
    bool Act(ScenarioUiEntry const& entry, QPointer<QWidget> const& window);
    bool Choose(ScenarioUiEntry const& entry, QWidget& window, std::string const& label, std::string const& item);
    bool Click(ScenarioUiEntry const& entry, QWidget& window, std::string const& text);
    bool Type(ScenarioUiEntry const& entry, QWidget& window, std::string const& label, std::string const& text);
    bool Tick(ScenarioUiEntry const& entry, QWidget& window, std::string const& text, bool checked);
    bool Expand(ScenarioUiEntry const& entry, QWidget& window, std::string const& header);
    bool Set(ScenarioUiEntry const& entry, QWidget& window, std::string const& label, std::string const& text);
    bool Press(ScenarioUiEntry const& entry, QPointer<QWidget> const& window);
    // Records the failure as a problem of the run and cancels the window; answers false.
    bool Fail(QWidget& window, std::string const& field, char const* what, std::string const& detail);
    void Unexpected(QWidget& window, std::string const& reason);
    void Cancel(QWidget& window);
    void Poll();
    void TimeOut(QWidget& window);
    [[noreturn]] void EndRun(QWidget& window);
    void RecordWindow(QWidget& window, std::string const& field);
    void Record(std::string const& what, QJsonObject const& fields);

    Host& fHost;
    std::vector<ScenarioUiEntry> fEntries;
    std::size_t fNext = 0;
    int fTimeoutMilliseconds;
    QPointer<QApplication> fApplication;
    int fTimer = 0;
    // Stable addresses: answers nest (a window's answer can show the next window).
    std::list<Watched> fWatched;

    static UiRobot* sRobot;
};
} // namespace indesignhost
