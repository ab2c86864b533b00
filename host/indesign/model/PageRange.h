// The pages a range text stands for, by the pages' labels: items separated by commas, each a label
// "a", a run "a-b", "a-" (to the last page) or "-b" (from the first); blanks around items and
// around the dash do not count. A label that holds a dash itself is read whole first.
#pragma once

#include <string>
#include <vector>

namespace indesignhost
{
struct HostDocument;

// The indexes of the pages, in document order, each once; false (pages untouched) for an empty
// text, an empty item, an unknown label or a run whose end lies before its start.
bool ParsePageRange(std::string const& text, HostDocument const& document, std::vector<int>& pages);
} // namespace indesignhost
