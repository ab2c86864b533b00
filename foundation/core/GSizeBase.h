// A width and a height.
#pragma once

template<class T>
class GSizeBase
{
public:
    GSizeBase() : fWidth(), fHeight() {}
    GSizeBase(T width, T height) : fWidth(width), fHeight(height) {}

    T fWidth;
    T fHeight;
};
