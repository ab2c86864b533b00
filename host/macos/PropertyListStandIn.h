// This project's reader of property lists, as bundles keep their Info.plist, in every form the
// platform reads: XML (UTF-8, or UTF-16 with its byte-order mark) whose root element "plist" holds one
// dictionary; the binary form "bplist00" whose top object is a dictionary; the old-style text form
// (UTF-8, or UTF-16 with its byte-order mark) of a dictionary "{ key = value; }", or of its entries
// without the braces. Only that dictionary's string values are handed out; the other values (numbers,
// dates, data, truth values, arrays, nested dictionaries) are checked and passed over.
#pragma once

#include <map>
#include <string>

// False, with the reason in error (when given) and strings untouched, for bytes that are not such a
// property list: malformed XML, an unknown element, a dictionary key without its value, an unknown
// entity, a document type with an internal subset, nesting deeper than 64 levels; a binary list whose
// offsets or references lead outside it, whose objects hold themselves or are of an unknown kind; text
// that is not UTF-16 where its byte-order mark says so; an old-style octal escape beyond ASCII (a
// NeXTSTEP character).
bool PropertyListStandInReadStrings(std::string const& bytes, std::map<std::string, std::string>& strings,
                                    std::string* error);
