// Reads back what the PDF writer wrote with poppler's tools, each run as a child process (fork and
// exec, no shell): pages and their sizes, title and creator, each page's text, the fonts and images
// it holds, and a page rendered to grey pixels.
#pragma once

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace hostfilestest
{
struct ProgramResult
{
    int exitCode = -1;
    std::string out;
};

// Runs the program with the arguments (the first is its path); its standard output is gathered,
// its errors go to /dev/null.
inline ProgramResult RunProgram(std::vector<std::string> const& arguments)
{
    ProgramResult result;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return result;
    pid_t const pid = fork();
    if (pid == 0)
    {
        dup2(pipeEnds[1], STDOUT_FILENO);
        int const null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        std::vector<char*> argv;
        for (std::string const& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    char buffer[65536];
    for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) != 0;)
        if (got > 0)
            result.out.append(buffer, static_cast<std::size_t>(got));
        else if (errno != EINTR)
            break;
    close(pipeEnds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

inline std::vector<std::string> Lines(std::string const& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

inline std::vector<std::string> Words(std::string const& line)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

// The value of a "Key: value" line of pdfinfo; empty when there is none.
inline std::string InfoField(std::string const& pdf, std::string const& key)
{
    for (std::string const& line : Lines(RunProgram({SENDRIX_PDFINFO_PATH, pdf}).out))
        if (line.rfind(key + ":", 0) == 0)
        {
            std::string::size_type const start = line.find_first_not_of(' ', key.size() + 1);
            return start == std::string::npos ? std::string() : line.substr(start);
        }
    return std::string();
}

inline int PageCount(std::string const& pdf)
{
    std::string const pages = InfoField(pdf, "Pages");
    return pages.empty() ? -1 : std::stoi(pages);
}

struct PageSize
{
    double width = 0;
    double height = 0;
};

// Every page's media size in points, from "Page    N size: W x H pts" lines.
inline std::vector<PageSize> PageSizes(std::string const& pdf)
{
    std::vector<PageSize> sizes;
    for (std::string const& line :
         Lines(RunProgram({SENDRIX_PDFINFO_PATH, "-f", "1", "-l", "100000", pdf}).out))
    {
        std::vector<std::string> const words = Words(line);
        if (words.size() >= 6 && words[0] == "Page" && words[2] == "size:" && words[4] == "x")
            sizes.push_back({std::stod(words[3]), std::stod(words[5])});
    }
    return sizes;
}

inline std::string PageText(std::string const& pdf, int page)
{
    std::string const number = std::to_string(page);
    return RunProgram({SENDRIX_PDFTOTEXT_PATH, "-f", number, "-l", number, pdf, "-"}).out;
}

struct PdfFont
{
    std::string name;
    bool embedded = false;
};

// pdffonts' table: the name first, then the type (one or two words), and from the end the object
// number and generation, unicode, subset and embedded columns.
inline std::vector<PdfFont> Fonts(std::string const& pdf, int page = 0)
{
    std::vector<std::string> arguments = {SENDRIX_PDFFONTS_PATH};
    if (page > 0)
        arguments.insert(arguments.end(), {"-f", std::to_string(page), "-l", std::to_string(page)});
    arguments.push_back(pdf);
    std::vector<PdfFont> fonts;
    bool table = false;
    for (std::string const& line : Lines(RunProgram(arguments).out))
    {
        if (line.rfind("----", 0) == 0)
        {
            table = true;
            continue;
        }
        std::vector<std::string> const words = Words(line);
        if (table && words.size() >= 7)
            fonts.push_back({words[0], words[words.size() - 5] == "yes"});
    }
    return fonts;
}

struct PdfImage
{
    int page = 0;
    int width = 0;
    int height = 0;
};

// pdfimages -list: "page num type width height ...", after two lines of heading.
inline std::vector<PdfImage> Images(std::string const& pdf)
{
    std::vector<PdfImage> images;
    std::vector<std::string> const lines = Lines(RunProgram({SENDRIX_PDFIMAGES_PATH, "-list", pdf}).out);
    for (std::size_t i = 2; i < lines.size(); ++i)
    {
        std::vector<std::string> const words = Words(lines[i]);
        if (words.size() >= 5 && words[2] == "image")
            images.push_back({std::stoi(words[0]), std::stoi(words[3]), std::stoi(words[4])});
    }
    return images;
}

// A page rendered at 72 dots per inch (a pixel a point) in grey without smoothing: 0 black, 255
// white.
struct GreyPage
{
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;

    int At(double x, double y) const
    {
        int const column = static_cast<int>(x);
        int const row = static_cast<int>(y);
        if (column < 0 || row < 0 || column >= width || row >= height)
            return -1;
        return pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(column)];
    }
};

inline GreyPage RenderPage(std::string const& pdf, int page, std::string const& outStem)
{
    std::string const number = std::to_string(page);
    GreyPage grey;
    if (RunProgram({SENDRIX_PDFTOPPM_PATH, "-r", "72", "-gray", "-aa", "no", "-aaVector", "no", "-singlefile",
                    "-f", number, "-l", number, pdf, outStem})
            .exitCode != 0)
        return grey;
    std::FILE* const file = std::fopen((outStem + ".pgm").c_str(), "rb");
    if (!file)
        return grey;
    int maximum = 0;
    if (std::fscanf(file, "P5 %d %d %d", &grey.width, &grey.height, &maximum) == 3 && std::fgetc(file) != EOF)
    {
        grey.pixels.resize(static_cast<std::size_t>(grey.width) * static_cast<std::size_t>(grey.height));
        if (std::fread(grey.pixels.data(), 1, grey.pixels.size(), file) != grey.pixels.size())
            grey = GreyPage();
    }
    std::fclose(file);
    return grey;
}
} // namespace hostfilestest
