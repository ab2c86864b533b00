// This project's reader of XML property lists, as bundles keep their Info.plist: the text must be
// well-formed XML whose root element "plist" holds one dictionary. Only that dictionary's string values
// are handed out; the other values (numbers, dates, data, truth values, arrays, nested dictionaries) are
// checked and passed over.
#pragma once

#include <map>
#include <string>

// False, with the reason in error (when given) and strings untouched, for text that is not such a
// property list: malformed XML, an unknown element, a dictionary key without its value, an unknown
// entity, a document type with an internal subset, nesting deeper than 64 levels.
bool PropertyListStandInReadStrings(std::string const& xml, std::map<std::string, std::string>& strings,
                                    std::string* error);
