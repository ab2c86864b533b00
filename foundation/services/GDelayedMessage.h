// A copy of one message waiting in the queue for its signal's delayed receivers.
#pragma once

#include "GDelayedMessageBase.h"
#include "GSignal.h"

template<class T>
class GSignal;

template<class T>
class GDelayedMessage : public GDelayedMessageBase
{
public:
    GDelayedMessage(T const& message, GSignal<T>* signal) : fMessage(message), fSignal(signal) {}

    void Send() override { fSignal->SendDelayed(fMessage); }

private:
    T fMessage;
    GSignal<T>* fSignal;
};
