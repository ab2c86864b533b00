// This project's reader of the ".strings" files in which bundles keep their localised texts:
// `"key" = "value";` entries, keys and values quoted (with the escapes \" \\ \n \t \r, \U or \u and
// four hexadecimal digits, a pair of them for a character beyond U+FFFF) or, of letters, digits and
// "_$+/:.-", bare; an entry without "= value" stands for itself. Comments are C's and C++'s. The text
// is UTF-16 with its byte-order mark, else UTF-8 (a leading byte-order mark is passed over).
#pragma once

#include <map>
#include <string>

// False, with the reason in error (when given) and strings untouched, for bytes that are not such a
// file: text that is not UTF-8 or UTF-16, an unterminated string or comment, an entry without its
// ";", an escape that is not one, a lone surrogate. Texts come out as UTF-8; a later key replaces
// an earlier one.
bool StringsFileStandInRead(std::string const& bytes, std::map<std::string, std::string>& strings,
                            std::string* error);
