// UIDList: objects of one document or book by their numbers, in order: the pages to export, the
// selected documents of a book.
#pragma once

#include <vector>

#include "SDKTypes.h"

class IPMUnknown;

class UIDList
{
public:
    UIDList() = default;
    // The list's objects belong to the owner (a document or a book), which outlives the list.
    explicit UIDList(IPMUnknown const* owner) : fOwner(owner) {}

    IPMUnknown const* GetOwner() const { return fOwner; }
    void SetOwner(IPMUnknown const* owner) { fOwner = owner; }
    int32 Length() const { return static_cast<int32>(fItems.size()); }
    bool16 IsEmpty() const { return fItems.empty(); }
    UID operator[](int32 index) const { return fItems.at(static_cast<std::size_t>(index)); }
    void Append(UID item) { fItems.push_back(item); }
    void Clear() { fItems.clear(); }
    bool16 Contains(UID item) const;

private:
    IPMUnknown const* fOwner = nullptr;
    std::vector<UID> fItems;
};
