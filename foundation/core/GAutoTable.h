// A table of pointers that owns the objects they point to and deletes them with itself.
#pragma once

#include "GTable.h"

template<class T>
class GAutoTable : public GTable<T*>
{
public:
    GAutoTable() = default;
    // Owning twice would delete twice.
    GAutoTable(GAutoTable const&) = delete;
    GAutoTable& operator=(GAutoTable const&) = delete;

    // Last first; each item leaves the table (and its live iterators move on) before its object
    // is deleted, so a destructor that looks at the table no longer finds it.
    ~GAutoTable() { this->DeleteAllItems(); }
};
