// The macOS implementation behind the file-system facade.
#include "PMacFileSystemImp.h"

#include "GSimpleException.h"
#include "PMacFileSystemImpCocoa.h"

namespace
{
struct ErrorMapping
{
    short fCode;
    int fID;
};

// The File Manager's codes in their order; the message ids follow them one by one.
constexpr ErrorMapping cErrorMappings[] = {
    {-33, 40000},   {-34, 40001},   {-35, 40002},   {-36, 40003},   {-37, 40004},   {-38, 40005},
    {-39, 40006},   {-40, 40007},   {-41, 40008},   {-42, 40009},   {-43, 40010},   {-44, 40011},
    {-45, 40012},   {-46, 40013},   {-47, 40014},   {-48, 40015},   {-49, 40016},   {-50, 40017},
    {-51, 40018},   {-53, 40019},   {-54, 40020},   {-56, 40021},   {-57, 40022},   {-59, 40023},
    {-61, 40024},   {-120, 40025},  {-122, 40026},  {-123, 40027},  {-127, 40028},  {-503, 40029},
    {-1300, 40030}, {-1301, 40031}, {-1302, 40032}, {-1303, 40033}, {-1304, 40034}, {-1306, 40035},
    {-1309, 40036}, {-1310, 40037}, {-1401, 40038}, {-1402, 40039}, {-1403, 40040}, {-1404, 40041},
    {-1405, 40042}, {-1406, 40043}, {-1407, 40044}, {-1409, 40045}, {-1410, 40046}, {-1411, 40047},
    {-1421, 40048}, {-1422, 40049}, {-1423, 40050}, {-1424, 40051}, {-5000, 40064},
};

constexpr int cUnmappedErrorID = 2450;
} // namespace

void PMacFileSystemImp::CheckForErrors(short code)
{
    if (code == 0)
        return;
    for (ErrorMapping const& mapping : cErrorMappings)
    {
        if (mapping.fCode == code)
            throw GSimpleException(mapping.fID);
    }
    throw GException(cUnmappedErrorID);
}

void PMacFileSystemImp::GetCurrentFolder(GPathName& folder)
{
    PMacFileSystemImpCocoa::GetCurrentFolder(folder);
}
