// The lines of the stand-in host program's transcript, as a test reads them back from its file: one
// JSON object a line, each with its kind and what.
#pragma once

#include <QJsonObject>
#include <QLatin1String>

#include <vector>

namespace testsupport
{
// The lines of that kind and, when given, that what, in order.
inline std::vector<QJsonObject> FindLines(std::vector<QJsonObject> const& lines, char const* kind,
                                          char const* what = nullptr)
{
    std::vector<QJsonObject> found;
    for (QJsonObject const& line : lines)
    {
        if (line.value("kind").toString() == QLatin1String(kind) &&
            (!what || line.value("what").toString() == QLatin1String(what)))
            found.push_back(line);
    }
    return found;
}
} // namespace testsupport
