// Nested progress phases per thread, folded into one fraction.
#include "GDefaultProgressCenter.h"

#include <algorithm>
#include <utility>

#include "GAbortException.h"
#include "GProgressor.h"

void GDefaultProgressCenter::Start(double fraction)
{
    ThrowIfAborted();
    fPhases.AddItem(Phase(fraction, 0.0));
}

void GDefaultProgressCenter::Stop()
{
    // Looked up without making a table: an unmatched Stop finds none.
    GTable<Phase>* phases = std::as_const(fPhases).Instance();
    if (!phases || phases->GetCount() == 0)
        return;
    double fraction = (*phases)[phases->GetCount() - 1].first;
    phases->RemoveLastItem();
    if (phases->GetCount() == 0)
        fPhases.RecoverEmptyTable(*phases);
    else
    {
        double& completed = (*phases)[phases->GetCount() - 1].second;
        completed = std::min(1.0, completed + fraction);
    }
    if (fProgressor)
        fProgressor->SetValue(static_cast<long long>(double(fProgressor->GetMaximum()) * GetTotalProgress()));
}

double GDefaultProgressCenter::GetTotalProgress()
{
    GTable<Phase> const* phases = std::as_const(fPhases).Instance();
    if (!phases || phases->GetCount() == 0)
        return 1.0;
    double total = 0.0;
    for (int i = phases->GetCount() - 1; i >= 0; --i)
        total = (total + (*phases)[i].second) * (*phases)[i].first;
    return total;
}

void GDefaultProgressCenter::ThrowIfAborted()
{
    if (fAbortRequested.exchange(false))
        throw GAbortException();
}
