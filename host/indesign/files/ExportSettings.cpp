// Job-options files to export settings and back: the keys of the export, their kinds and ranges.
#include "ExportSettings.h"

#include "FileBytes.h"
#include "JobOptionsError.h"
#include "JobOptionsValue.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace indesignhost
{
namespace
{
struct FlagKey
{
    char const* key;
    bool ExportSettings::*field;
};

struct NumberKey
{
    char const* key;
    double ExportSettings::*field;
    double low;
    bool lowIncluded;
    double high;
};

// The keys of the export, in the order the writer writes them. Bleeds reach 6 inches, as a
// document's do; marks are at most 1 inch away and 10 points wide.
FlagKey const cFlagKeys[] = {
    {"ExportSpreads", &ExportSettings::spreads},   {"UseDocumentBleed", &ExportSettings::useDocumentBleed},
    {"IncludeSlug", &ExportSettings::includeSlug}, {"CropMarks", &ExportSettings::cropMarks},
    {"BleedMarks", &ExportSettings::bleedMarks},   {"RegistrationMarks", &ExportSettings::registrationMarks},
    {"ColorBars", &ExportSettings::colorBars},     {"PageInformation", &ExportSettings::pageInformation},
};

NumberKey const cNumberKeys[] = {
    {"BleedTop", &ExportSettings::bleedTop, 0, true, 432},
    {"BleedBottom", &ExportSettings::bleedBottom, 0, true, 432},
    {"BleedInside", &ExportSettings::bleedInside, 0, true, 432},
    {"BleedOutside", &ExportSettings::bleedOutside, 0, true, 432},
    {"MarkWeight", &ExportSettings::markWeight, 0, false, 10},
    {"MarkOffset", &ExportSettings::markOffset, 0, true, 72},
};

constexpr char cNameKey[] = "Name";

bool IsExportKey(std::string const& key)
{
    for (FlagKey const& flag : cFlagKeys)
        if (key == flag.key)
            return true;
    for (NumberKey const& number : cNumberKeys)
        if (key == number.key)
            return true;
    return key == cNameKey;
}

std::string NumberText(double value)
{
    char text[64];
    auto const result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

[[noreturn]] void WrongKind(std::string const& path, std::string const& key, JobOptionsValue const& value,
                            char const* wanted)
{
    throw JobOptionsError(path, value.line, "/" + key + " must be " + wanted + ", not " + value.KindName());
}
} // namespace

bool operator==(ExportSettings const& a, ExportSettings const& b)
{
    for (FlagKey const& flag : cFlagKeys)
        if (a.*flag.field != b.*flag.field)
            return false;
    for (NumberKey const& number : cNumberKeys)
        if (a.*number.field != b.*number.field)
            return false;
    return a.name == b.name && a.otherKeys == b.otherKeys;
}

ExportSettings ReadJobOptions(std::string const& path)
{
    std::string text;
    std::string reason;
    if (!TryReadFileBytes(path, text, reason))
        throw JobOptionsError(path, 0, reason);
    return ReadJobOptionsText(text, path);
}

ExportSettings ReadJobOptionsText(std::string const& text, std::string const& path)
{
    JobOptionsValue const options = ParseJobOptionsText(text, path);
    ExportSettings settings;
    for (std::size_t i = 0; i < options.keys.size(); ++i)
    {
        std::string const& key = options.keys[i];
        JobOptionsValue const& value = options.items[i];
        if (!IsExportKey(key))
        {
            settings.otherKeys[key] = value.Text();
            continue;
        }
        for (FlagKey const& flag : cFlagKeys)
            if (key == flag.key)
            {
                if (value.kind != JobOptionsValue::Kind::Boolean)
                    WrongKind(path, key, value, "true or false");
                settings.*flag.field = value.boolean;
            }
        for (NumberKey const& number : cNumberKeys)
            if (key == number.key)
            {
                if (value.kind != JobOptionsValue::Kind::Number)
                    WrongKind(path, key, value, "a number");
                bool const aboveLow =
                    number.lowIncluded ? value.number >= number.low : value.number > number.low;
                if (!std::isfinite(value.number) || !aboveLow || value.number > number.high)
                    throw JobOptionsError(path, value.line,
                                          "/" + key + " must be " +
                                              (number.lowIncluded ? "at least " : "above ") +
                                              NumberText(number.low) + " and at most " +
                                              NumberText(number.high) + " points, not " + value.text);
                settings.*number.field = value.number;
            }
        if (key == cNameKey)
        {
            if (value.kind != JobOptionsValue::Kind::String)
                WrongKind(path, key, value, "a string in parentheses");
            settings.name = value.text;
        }
    }
    return settings;
}

std::string WriteJobOptions(ExportSettings const& settings)
{
    std::string text = "% Job options\n<<\n";
    text += "/" + std::string(cNameKey) + " " + JobOptionsStringText(settings.name) + "\n";
    for (FlagKey const& flag : cFlagKeys)
        text += "/" + std::string(flag.key) + (settings.*flag.field ? " true\n" : " false\n");
    for (NumberKey const& number : cNumberKeys)
        text += "/" + std::string(number.key) + " " + NumberText(settings.*number.field) + "\n";
    for (auto const& [key, value] : settings.otherKeys)
        if (!IsExportKey(key))
            text += "/" + key + " " + value + "\n";
    return text + ">>\n";
}
} // namespace indesignhost
