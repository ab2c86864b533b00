// Reads string files into the string pool: each entry replaces the pool's entry of its id in the
// table of its language, the built-in ones included.
#pragma once

#include "GStringFileReaderBase.h"

class GStringPoolTable;

class GStringFileReader : public GStringFileReaderBase
{
public:
    explicit GStringFileReader(GPathName const& path) : GStringFileReaderBase(path), fTable(nullptr) {}

protected:
    // The table of the header's language, made when new.
    void HeaderParsed() override;
    void AddString(int id, GString const& text) override;

private:
    // Owned by the pool.
    GStringPoolTable* fTable;
};
