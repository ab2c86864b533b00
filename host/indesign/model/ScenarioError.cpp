// Scenario errors.
#include "ScenarioError.h"

namespace indesignhost
{
ScenarioError::ScenarioError(std::string const& path, std::string const& field, std::string const& detail)
    : std::runtime_error(path + ": " + (field.empty() ? std::string() : field + ": ") + detail), fPath(path),
      fField(field)
{
}
} // namespace indesignhost
