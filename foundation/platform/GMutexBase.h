// The portable mutex over its platform implementation; it adds nothing to it.
#pragma once

template<class Imp>
class GMutexBase : public Imp
{
};
