// The observer of the direct notification: it knows the subjects it is attached to, so that its
// destructor leaves them.
#pragma once

#include "GSubjectT.h"
#include "GTable.h"

template<class Code>
class GObserverT
{
public:
    GObserverT() = default;
    // Detaches from each subject, last first.
    virtual ~GObserverT();
    GObserverT(GObserverT const&) = delete;
    GObserverT& operator=(GObserverT const&) = delete;

    // Does nothing.
    virtual void Update(GSubjectT<Code>* subject);
    // Calls Update(subject).
    virtual void Update(GSubjectT<Code>* subject, Code code);

    bool IsAttachedTo(GSubjectT<Code> const* subject) const;

private:
    friend class GSubjectT<Code>;

    // Each subject once; kept by the subject's Attach and Detach.
    GTable<GSubjectT<Code>*> fSubjects;
};

template<class Code>
GObserverT<Code>::~GObserverT()
{
    while (fSubjects.GetCount() > 0)
        fSubjects[fSubjects.GetCount() - 1]->Detach(this);
}

template<class Code>
void GObserverT<Code>::Update(GSubjectT<Code>*)
{
}

template<class Code>
void GObserverT<Code>::Update(GSubjectT<Code>* subject, Code)
{
    Update(subject);
}

template<class Code>
bool GObserverT<Code>::IsAttachedTo(GSubjectT<Code> const* subject) const
{
    for (int i = 0; i < fSubjects.GetCount(); ++i)
    {
        if (fSubjects[i] == subject)
            return true;
    }
    return false;
}
