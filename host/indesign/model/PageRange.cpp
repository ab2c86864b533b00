// Range texts read against a document's page labels.
#include "PageRange.h"

#include <set>

#include "HostDocument.h"

namespace indesignhost
{
namespace
{
std::string Trim(std::string const& text)
{
    std::size_t const first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    std::size_t const last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// The first and last page of one item, or false.
bool ReadItem(std::string const& item, HostDocument const& document, int& first, int& last)
{
    int const whole = document.PageWithLabel(item);
    if (whole >= 0)
    {
        first = last = whole;
        return true;
    }
    int const count = static_cast<int>(document.pages.size());
    for (std::size_t dash = item.find('-'); dash != std::string::npos; dash = item.find('-', dash + 1))
    {
        std::string const left = Trim(item.substr(0, dash));
        std::string const right = Trim(item.substr(dash + 1));
        if (left.empty() && right.empty())
            return false;
        int const from = left.empty() ? 0 : document.PageWithLabel(left);
        int const to = right.empty() ? count - 1 : document.PageWithLabel(right);
        if (from < 0 || to < 0)
            continue;
        if (to < from)
            return false;
        first = from;
        last = to;
        return true;
    }
    return false;
}
} // namespace

bool ParsePageRange(std::string const& text, HostDocument const& document, std::vector<int>& pages)
{
    if (Trim(text).empty() || document.pages.empty())
        return false;
    std::set<int> chosen;
    std::size_t start = 0;
    while (true)
    {
        std::size_t const comma = text.find(',', start);
        std::string const item =
            Trim(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        int first = 0;
        int last = 0;
        if (item.empty() || !ReadItem(item, document, first, last))
            return false;
        for (int page = first; page <= last; ++page)
            chosen.insert(page);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    pages.insert(pages.end(), chosen.begin(), chosen.end());
    return true;
}
} // namespace indesignhost
