// Objects of one document or book by their numbers.
#include "UIDList.h"

#include <algorithm>

bool16 UIDList::Contains(UID item) const
{
    return std::find(fItems.begin(), fItems.end(), item) != fItems.end() ? kTrue : kFalse;
}
