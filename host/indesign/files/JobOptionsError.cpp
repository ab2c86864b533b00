// The job-options file error.
#include "JobOptionsError.h"

namespace indesignhost
{
namespace
{
std::string MessageOf(std::string const& path, int line, std::string const& detail)
{
    return line > 0 ? path + ":" + std::to_string(line) + ": " + detail : path + ": " + detail;
}
} // namespace

JobOptionsError::JobOptionsError(std::string const& path, int line, std::string const& detail)
    : HostFileError(path, detail, MessageOf(path, line, detail)), fLine(line)
{
}
} // namespace indesignhost
