// The host's file error.
#include "HostFileError.h"

namespace indesignhost
{
HostFileError::HostFileError(std::string const& path, std::string const& detail)
    : HostFileError(path, detail, path + ": " + detail)
{
}

HostFileError::HostFileError(std::string const& path, std::string const& detail, std::string const& message)
    : std::runtime_error(message), fPath(path), fDetail(detail)
{
}
} // namespace indesignhost
