// What the host's file engines throw when a document, a book or a job-options file cannot be read as
// what it should be: the message names the file and, where a field is at fault, that field.
#pragma once

#include <stdexcept>
#include <string>

namespace indesignhost
{
class HostFileError : public std::runtime_error
{
public:
    // The message reads "<path>: <detail>".
    HostFileError(std::string const& path, std::string const& detail);

    std::string const& Path() const { return fPath; }
    std::string const& Detail() const { return fDetail; }

protected:
    // For errors that place the detail further (a line), with a message of their own.
    HostFileError(std::string const& path, std::string const& detail, std::string const& message);

private:
    std::string fPath;
    std::string fDetail;
};
} // namespace indesignhost
