// What reading or running a scenario throws when the scenario is at fault: the message names the
// scenario file and the field ("steps[2].menu").
#pragma once

#include <stdexcept>
#include <string>

namespace indesignhost
{
class ScenarioError : public std::runtime_error
{
public:
    // The message reads "<path>: <field>: <detail>", or "<path>: <detail>" without a field.
    ScenarioError(std::string const& path, std::string const& field, std::string const& detail);

    std::string const& Path() const { return fPath; }
    std::string const& Field() const { return fField; }

private:
    std::string fPath;
    std::string fField;
};
} // namespace indesignhost
