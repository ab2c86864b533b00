// The file package and its report. Both follow one plan of what goes where, so the report names
// exactly the copies the package holds.
#include "PackageWriter.h"

#include "FontFolders.h"
#include "TextSupport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

namespace indesignhost
{
namespace
{
namespace fs = std::filesystem;

constexpr char cLinksFolder[] = "Links";
constexpr char cFontsFolder[] = "Fonts";

struct PlannedCopy
{
    std::string source;
    // Relative to the package folder; empty when there is nothing to copy.
    std::string copy;
};

struct PlannedFont
{
    std::string name;
    PlannedCopy file;
};

struct PlannedDocument
{
    HostDocument const* document = nullptr;
    PlannedCopy file;
    std::vector<PlannedFont> fonts;
    std::vector<PlannedCopy> links;
};

// Gives each source file one name in a folder of the package: its own name, or with " 2", " 3", ...
// before the extension when another source took that name first.
class FolderNames
{
public:
    explicit FolderNames(std::string folder) : fFolder(std::move(folder)) {}

    // Keeps a name for the package's own use.
    void Reserve(std::string const& name) { fTaken.insert(name); }

    std::string NameFor(std::string const& source)
    {
        auto const known = fBySource.find(source);
        if (known != fBySource.end())
            return known->second;
        fs::path const path(source);
        std::string name = path.filename().string();
        for (int n = 2; fTaken.count(name); ++n)
            name = path.stem().string() + " " + std::to_string(n) + path.extension().string();
        fTaken.insert(name);
        std::string const relative = fFolder.empty() ? name : fFolder + "/" + name;
        fBySource[source] = relative;
        return relative;
    }

private:
    std::string fFolder;
    std::set<std::string> fTaken;
    std::map<std::string, std::string> fBySource;
};

bool IsFile(std::string const& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

struct PackagePlan
{
    PlannedCopy book;
    std::vector<PlannedDocument> documents;
};

PackagePlan Plan(PackageJob const& job)
{
    PackagePlan plan;
    FolderNames top("");
    for (char const* own : {cLinksFolder, cFontsFolder, cPackageReportName})
        top.Reserve(own);
    FolderNames links(cLinksFolder);
    FolderNames fonts(cFontsFolder);
    if (!job.bookPath.empty())
        plan.book = {job.bookPath, top.NameFor(job.bookPath)};
    for (HostDocument const& document : job.documents)
    {
        PlannedDocument planned;
        planned.document = &document;
        planned.file = {document.path, top.NameFor(document.path)};
        for (HostFont const& font : document.fonts)
        {
            FontFace const* const face = job.fonts ? job.fonts->FindFace(font) : nullptr;
            PlannedFont entry{font.name, {}};
            if (face && IsFile(face->file))
                entry.file = {face->file, fonts.NameFor(face->file)};
            planned.fonts.push_back(entry);
        }
        for (std::string const& link : document.LinkedFiles())
            planned.links.push_back({link, IsFile(link) ? links.NameFor(link) : std::string()});
        plan.documents.push_back(planned);
    }
    return plan;
}

// Copies once what several documents share (a link, a font).
bool Copy(PlannedCopy const& copy, fs::path const& target, std::set<std::string>& done, std::string& error)
{
    if (copy.copy.empty() || !done.insert(copy.copy).second)
        return true;
    fs::path const destination = target / copy.copy;
    std::error_code failure;
    if (!fs::copy_file(copy.source, destination, fs::copy_options::none, failure) || failure)
    {
        error = "cannot copy " + copy.source + " to " + destination.string() + ": " + failure.message();
        return false;
    }
    return true;
}

std::string Plural(std::size_t count, char const* one, char const* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}
} // namespace

bool WritePackage(std::string const& target, PackageJob const& job, std::string& error)
{
    error.clear();
    if (job.documents.empty())
    {
        error = "no document to package";
        return false;
    }
    fs::path const folder(target);
    std::error_code failure;
    if (fs::exists(fs::symlink_status(folder, failure)))
    {
        error = "the package folder " + target + " already exists";
        return false;
    }
    if (!fs::create_directory(folder, failure) || failure)
    {
        error = "cannot make the package folder " + target + ": " + failure.message();
        return false;
    }
    for (char const* sub : {cLinksFolder, cFontsFolder})
        if (!fs::create_directory(folder / sub, failure) || failure)
        {
            error = "cannot make " + (folder / sub).string() + ": " + failure.message();
            return false;
        }
    PackagePlan const plan = Plan(job);
    std::set<std::string> done;
    if (!plan.book.source.empty() && !Copy(plan.book, folder, done, error))
        return false;
    for (PlannedDocument const& document : plan.documents)
    {
        if (!Copy(document.file, folder, done, error))
            return false;
        for (PlannedFont const& font : document.fonts)
            if (!Copy(font.file, folder, done, error))
                return false;
        for (PlannedCopy const& link : document.links)
            if (!Copy(link, folder, done, error))
                return false;
    }
    return true;
}

bool WritePackageReport(std::string const& packageFolder, PackageJob const& job, std::string& error)
{
    error.clear();
    fs::path const folder(packageFolder);
    std::error_code failure;
    if (!fs::is_directory(folder, failure))
    {
        error = "the package folder " + packageFolder + " does not exist";
        return false;
    }
    PackagePlan const plan = Plan(job);
    auto const inPackage = [&](PlannedCopy const& copy)
    { return !copy.copy.empty() && IsFile((folder / copy.copy).string()); };

    std::string text = "Package report\n";
    text += "Date: " + DateNow() + "\n";
    text += "Package: " + packageFolder + "\n";
    if (!job.bookPath.empty())
        text += "Book: " + fs::path(job.bookPath).stem().string() + " (" + plan.book.copy + ")\n";
    std::size_t pages = 0;
    std::size_t fontsPresent = 0;
    std::size_t fontsMissing = 0;
    std::size_t linksPresent = 0;
    std::size_t linksMissing = 0;
    for (PlannedDocument const& planned : plan.documents)
    {
        HostDocument const& document = *planned.document;
        text += "\nDocument: " + document.name + " (" + planned.file.copy + ")\n";
        text += "  Pages: " + std::to_string(document.pages.size()) + " (";
        for (std::size_t i = 0; i < document.pages.size(); ++i)
            text += (i ? ", " : "") + document.pages[i].label;
        text += ")\n";
        pages += document.pages.size();

        std::string lines;
        std::size_t present = 0;
        for (PlannedFont const& font : planned.fonts)
        {
            bool const there = inPackage(font.file);
            present += there;
            lines += there ? "    present  " + font.name + "  " + font.file.copy + "\n"
                           : "    missing  " + font.name + "\n";
        }
        text += "  Fonts: " + std::to_string(present) + " present, " +
                std::to_string(planned.fonts.size() - present) + " missing\n" + lines;
        fontsPresent += present;
        fontsMissing += planned.fonts.size() - present;

        lines.clear();
        present = 0;
        for (PlannedCopy const& link : planned.links)
        {
            bool const there = inPackage(link);
            present += there;
            lines += there ? "    present  " + link.source + "  " + link.copy + "\n"
                           : "    missing  " + link.source + "\n";
        }
        text += "  Links: " + std::to_string(present) + " present, " +
                std::to_string(planned.links.size() - present) + " missing\n" + lines;
        linksPresent += present;
        linksMissing += planned.links.size() - present;
    }
    text += "\nSummary: " + Plural(plan.documents.size(), "document", "documents") + ", " +
            Plural(pages, "page", "pages") + "; fonts " + std::to_string(fontsPresent) + " present, " +
            std::to_string(fontsMissing) + " missing; links " + std::to_string(linksPresent) + " present, " +
            std::to_string(linksMissing) + " missing\n";

    fs::path const report = folder / cPackageReportName;
    std::FILE* const file = std::fopen(report.c_str(), "wbe");
    if (!file)
    {
        error = "cannot write " + report.string() + ": " + std::strerror(errno);
        return false;
    }
    bool const written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    int const writeError = errno;
    if (std::fclose(file) != 0 || !written)
    {
        error = "cannot write " + report.string() + ": " + std::strerror(written ? errno : writeError);
        return false;
    }
    return true;
}
} // namespace indesignhost
