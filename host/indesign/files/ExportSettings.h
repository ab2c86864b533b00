// The PDF export settings a job-options file gives the host, with the file's reader and writer. The
// keys, their kinds and defaults are in README.md beside this header.
#pragma once

#include <map>
#include <string>

namespace indesignhost
{
struct ExportSettings
{
    bool spreads = false;           // /ExportSpreads: pages exported as spreads
    bool useDocumentBleed = false;  // /UseDocumentBleed
    double bleedTop = 0;            // /BleedTop, points
    double bleedBottom = 0;         // /BleedBottom
    double bleedInside = 0;         // /BleedInside
    double bleedOutside = 0;        // /BleedOutside
    bool includeSlug = false;       // /IncludeSlug
    bool cropMarks = false;         // /CropMarks
    bool bleedMarks = false;        // /BleedMarks
    bool registrationMarks = false; // /RegistrationMarks
    bool colorBars = false;         // /ColorBars
    bool pageInformation = false;   // /PageInformation
    double markWeight = 0.25;       // /MarkWeight, points
    double markOffset = 6;          // /MarkOffset, points
    std::string name;               // /Name: the settings' display name, may be empty
    // The file's other keys with their values as text in the file's syntax, kept so that the host
    // can record them; the export itself does not use them.
    std::map<std::string, std::string> otherKeys;

    bool AnyMarks() const
    {
        return cropMarks || bleedMarks || registrationMarks || colorBars || pageInformation;
    }
};

bool operator==(ExportSettings const& a, ExportSettings const& b);
inline bool operator!=(ExportSettings const& a, ExportSettings const& b)
{
    return !(a == b);
}

// Reads a job-options file. Throws JobOptionsError when the file is missing or unreadable, on a
// syntax error (with its line), or when a key of the export has a value of the wrong kind or out
// of its range.
ExportSettings ReadJobOptions(std::string const& path);
// The same from text already read; path names it in messages.
ExportSettings ReadJobOptionsText(std::string const& text, std::string const& path);
// A job-options file's text that reads back as settings equal to these (other keys that share a
// name with a key of the export are left out: the field gives that key).
std::string WriteJobOptions(ExportSettings const& settings);
} // namespace indesignhost
