// What every export action has.
#include "GCPTAbstractAction.h"

#include <QCoreApplication>

#include "GQStringSupport.h"

GCPTAbstractAction::GCPTAbstractAction()
    : fActive(true), fMenuTitle(GQStringSupport::ToGString(
                         QCoreApplication::translate("QObject", "Export to Sendrixor..."), true)),
      fDialogTitle(
          GQStringSupport::ToGString(QCoreApplication::translate("QObject", "Export to Sendrixor"), true))
{
}

GCPTAbstractAction::~GCPTAbstractAction() = default;
