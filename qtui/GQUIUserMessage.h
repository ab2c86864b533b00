// The toolkit's user-message service, installed by the toolkit's layer when nobody else has
// installed one. Its Qt alerts and choosers come with the alert windows; until then it answers as
// the plain service does.
#pragma once

#include "GUserMessage.h"

class GQUIUserMessage : public GUserMessage
{
public:
    GQUIUserMessage() = default;
};
