// The English messages of the plug-in's export tools.
#include "GCPTCSPluginToolsTexts.h"

// clang-format off
GStringPoolDataStruct GCPTCSPluginToolsTexts::sRows[cCount] = {
    {30060000, "Can't acquire plug-in"},
    {30060001, "No current document"},
    {30060002, "Export as Sealmark PDF error"},
    {30060003, "Unable to automatically launch Sendrixor. Launch the Sendrixor manually and try again."},
    {30060004, "Unable to retrieve PDF setting: %1"},
    {30060005, "Plug-in Error: %1"},
    {30060006, "PDF Export command not found"},
    {30060007, "Unable to execute PDF Export command"},
    {30060008, "Unable to retrieve PDF Export preferences"},
    {30060009, "Unable to read job options. Reselect the job options setting under the Printer tab and recreate the Sendrixor again."},
    {30060010, "Unable to retrieve system file data"},
    {30060011, "Font is Missing! Correct the following font and try again:"},
    {30060012, "Fonts are Missing! Correct the following fonts and try again:"},
    {30060013, "Can't retrieve all fonts used in the document."},
    {30060014, "Export to Sendrixor error"},
    {30060015, "Create Package command not found"},
    {30060016, "Unable to execute Create Package command"},
    {30060017, "Create Package Report command not found"},
    {30060018, "Unable to execute Create Package Report command"},
    {30060019, "Unable to save current document. Save the document and try again."},
    {30060020, "Invalid document."},
    {30060021, "Unable to open document."},
    {30060022, "Book is either empty or invalid."},
    {30060023, "No current book."},
};
// clang-format on
