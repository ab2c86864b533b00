// Texts the file engines share: UTF-8 sequences checked as the readers and writers need them, and
// the local date stamped into what the writers write.
#pragma once

#include <cstddef>
#include <string>

namespace indesignhost
{
// The length of the well-formed UTF-8 sequence at the position, or 0 when there is none there: an
// overlong form, a surrogate, anything above U+10FFFF or a cut sequence is not one.
std::size_t Utf8SequenceLength(std::string const& text, std::size_t at);

// The local date and time as "YYYY-MM-DD HH:MM".
std::string DateNow();
} // namespace indesignhost
