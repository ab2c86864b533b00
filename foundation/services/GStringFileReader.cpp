// String files into the string pool.
#include "GStringFileReader.h"

#include "GStringPool.h"
#include "GStringPoolTable.h"

void GStringFileReader::HeaderParsed()
{
    fTable = GStringPool::GetTable(fLanguage);
}

void GStringFileReader::AddString(int id, GString const& text)
{
    if (fTable)
        fTable->SetString(id, text, fEncoding);
}
