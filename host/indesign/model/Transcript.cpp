// The host's transcript, in memory and, when asked, in a file of JSON lines.
#include "Transcript.h"

#include <QJsonDocument>

namespace indesignhost
{
Transcript::~Transcript()
{
    if (fFile)
        std::fclose(fFile);
}

bool Transcript::WriteTo(std::string const& path)
{
    std::FILE* const file = std::fopen(path.c_str(), "w");
    if (!file)
        return false;
    if (fFile)
        std::fclose(fFile);
    fFile = file;
    for (QJsonObject const& line : fLines)
        std::fprintf(fFile, "%s\n", LineText(line).c_str());
    std::fflush(fFile);
    return true;
}

void Transcript::Record(std::string const& kind, std::string const& what, QJsonObject const& fields)
{
    QJsonObject line = fields;
    line.insert("seq", static_cast<qint64>(fLines.size() + 1));
    line.insert("kind", QString::fromStdString(kind));
    line.insert("what", QString::fromStdString(what));
    fLines.push_back(line);
    if (fFile)
    {
        // Flushed at once: a plug-in that brings the process down must not take the lines before
        // it along.
        std::fprintf(fFile, "%s\n", LineText(line).c_str());
        std::fflush(fFile);
    }
    if (fListener)
        fListener(line);
}

std::vector<QJsonObject> Transcript::Find(std::string const& kind, std::string const& what) const
{
    std::vector<QJsonObject> found;
    QString const wantedKind = QString::fromStdString(kind);
    QString const wantedWhat = QString::fromStdString(what);
    for (QJsonObject const& line : fLines)
        if (line.value("kind").toString() == wantedKind &&
            (what.empty() || line.value("what").toString() == wantedWhat))
            found.push_back(line);
    return found;
}

std::string Transcript::LineText(QJsonObject const& line)
{
    QJsonObject rest = line;
    std::string text = "{\"seq\":" + std::to_string(line.value("seq").toVariant().toLongLong());
    for (char const* key : {"kind", "what"})
    {
        QJsonObject one;
        one.insert(key, line.value(key));
        std::string const member = QJsonDocument(one).toJson(QJsonDocument::Compact).toStdString();
        text += "," + member.substr(1, member.size() - 2);
    }
    for (char const* key : {"seq", "kind", "what"})
        rest.remove(key);
    if (!rest.isEmpty())
    {
        std::string const members = QJsonDocument(rest).toJson(QJsonDocument::Compact).toStdString();
        text += "," + members.substr(1, members.size() - 2);
    }
    return text + "}";
}
} // namespace indesignhost
