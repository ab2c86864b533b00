// The list reader whose blocks are keyed by the bytes of their names as ASCII text, as preference
// groups are.
#pragma once

#include "GASCIIEncoding.h"
#include "GDictListReader.h"

template<class IK, class V>
class GDictBufferReader : public GDictListReader<GBuffer, IK, V>
{
public:
    using GDictListReader<GBuffer, IK, V>::GDictListReader;

protected:
    GBuffer TransformKey(GString const& name) const override
    {
        return name.GetBuffer(GASCIIEncoding::GetInstance());
    }
};
