// The host's record of what happened, one JSON object a line: every call the plug-in made into the
// host with its arguments, the commands with their merged settings, the files written, alerts,
// modal state, faults and the checks at quit. Kept in memory for tests; with a file, each line is
// written as it comes, so that a crash still leaves what led to it.
#pragma once

#include <QJsonObject>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace indesignhost
{
class Transcript
{
public:
    Transcript() = default;
    ~Transcript();
    Transcript(Transcript const&) = delete;
    Transcript& operator=(Transcript const&) = delete;

    // Writes the lines so far to the file and every later one as it comes; false when the file
    // cannot be made.
    bool WriteTo(std::string const& path);

    // A line {"seq", "kind", "what", fields...}.
    void Record(std::string const& kind, std::string const& what, QJsonObject const& fields = QJsonObject());

    // Each line as recorded, with its seq, kind and what among its fields.
    std::vector<QJsonObject> const& Lines() const { return fLines; }
    // The lines of that kind (and what, unless empty), in order.
    std::vector<QJsonObject> Find(std::string const& kind, std::string const& what = std::string()) const;
    // One line as the file holds it: seq, kind and what first, then the fields.
    static std::string LineText(QJsonObject const& line);

    // The file's descriptor, for a last line written where nothing else may run (a signal
    // handler); -1 without a file.
    int FileDescriptor() const { return fFile ? fileno(fFile) : -1; }

    // Called with every line recorded; the host's observers learn of calls through it.
    void SetListener(std::function<void(QJsonObject const&)> listener) { fListener = std::move(listener); }

private:
    std::vector<QJsonObject> fLines;
    std::FILE* fFile = nullptr;
    std::function<void(QJsonObject const&)> fListener;
};
} // namespace indesignhost
