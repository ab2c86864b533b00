// What reading a job-options file throws: the file cannot be read, its text is not the dictionary
// syntax the host reads (with the line where it went wrong), or a key the export uses has a value of
// the wrong kind or out of its range.
#pragma once

#include "HostFileError.h"

#include <string>

namespace indesignhost
{
class JobOptionsError : public HostFileError
{
public:
    // The message reads "<path>:<line>: <detail>", or "<path>: <detail>" when line is 0 (the file
    // as a whole is at fault).
    JobOptionsError(std::string const& path, int line, std::string const& detail);

    int Line() const { return fLine; }

private:
    int fLine;
};
} // namespace indesignhost
