// A rectangle as its four coordinates: left, top, right and bottom, in that stored order.
#pragma once

template<class T>
class GRectBase
{
public:
    GRectBase() : fLeft(), fTop(), fRight(), fBottom() {}
    GRectBase(T left, T top, T right, T bottom) : fLeft(left), fTop(top), fRight(right), fBottom(bottom) {}

    T fLeft;
    T fTop;
    T fRight;
    T fBottom;
};
