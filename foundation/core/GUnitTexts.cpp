// The English unit names: plural, singular and symbol of each unit, and of the resolution unit.
#include "GUnitTexts.h"

// clang-format off
GStringPoolDataStruct GUnitTexts::sRows[cCount] = {
    {1300, "Points"},
    {1301, "Picas"},
    {1302, "Inches"},
    {1303, "Centimeters"},
    {1304, "Millimeters"},
    {1305, "Meters"},
    {1306, "Feet"},
    {1325, "Pixels per inch"},
    {1400, "Point"},
    {1401, "Pica"},
    {1402, "Inch"},
    {1403, "Centimeter"},
    {1404, "Millimeter"},
    {1405, "Meter"},
    {1406, "Foot"},
    {1425, "Pixel per inch"},
    {1500, "pt"},
    {1501, "p"},
    {1502, "in"},
    {1503, "cm"},
    {1504, "mm"},
    {1505, "m"},
    {1506, "ft"},
    {1525, "ppi"},
};
// clang-format on
