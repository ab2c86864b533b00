// The plug-in bundle's face to InDesign: its PlugIn object with the host objects it serves and its
// about item, the implementation records of its action component and start-up service, and the
// bundle's only export, GetPlugIn.
#include "GIDCSPActionComponent.h"
#include "GIDCSPStartupShutdown.h"
#include "IActionComponent.h"
#include "IStartupShutdownService.h"
#include "PlugIn.h"

namespace
{
ImplementationRecord sActionComponentRecord = {GIDCSPActionComponent::kActionComponentID,
                                               &ImplementationFunctions<GIDCSPActionComponent>::Create,
                                               &ImplementationFunctions<GIDCSPActionComponent>::Destroy,
                                               &ImplementationFunctions<GIDCSPActionComponent>::Size, nullptr};
ImplementationRecord sStartupShutdownRecord = {GIDCSPActionComponent::kStartupShutdownID,
                                               &ImplementationFunctions<GIDCSPStartupShutdown>::Create,
                                               &ImplementationFunctions<GIDCSPStartupShutdown>::Destroy,
                                               &ImplementationFunctions<GIDCSPStartupShutdown>::Size, nullptr};
ImplementationRegistrar const sActionComponentRegistrar(sActionComponentRecord);
ImplementationRegistrar const sStartupShutdownRegistrar(sStartupShutdownRecord);

PlugIn& ThePlugIn()
{
    // Made on first use, so that it exists whatever order the static initialisers run in.
    static PlugIn plugIn(
        GIDCSPActionComponent::kActionComponentID, "Sendrix_DA2025_InDesign",
        {{GIDCSPActionComponent::kActionComponentID, IActionComponent::kDefaultIID,
          GIDCSPActionComponent::kActionComponentID, kFalse},
         {GIDCSPActionComponent::kStartupShutdownID, IStartupShutdownService::kDefaultIID,
          GIDCSPActionComponent::kStartupShutdownID, kTrue}},
        {{GIDCSPActionComponent::kAboutAction, GIDCSPActionComponent::kActionComponentID, "About Sendrix Export...",
          "KBSCE Help menu", "Main:&Help:About Plug-ins:", 100.0}});
    return plugIn;
}
// The object exists before the host calls GetPlugIn.
PlugIn& sPlugIn = ThePlugIn();
} // namespace

extern "C" __attribute__((visibility("default"))) PlugIn* GetPlugIn()
{
    return &sPlugIn;
}
