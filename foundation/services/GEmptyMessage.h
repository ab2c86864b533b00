// The message of the signals that carry no content: idle time, repeater time, low memory,
// preferences changed.
#pragma once

class GEmptyMessage
{
};
