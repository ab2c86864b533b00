// The two-member record used as element and value type of tables and dictionaries.
#pragma once

template<class A, class B>
class GPair
{
public:
    GPair() : first(), second() {}
    GPair(A const& a, B const& b) : first(a), second(b) {}

    bool operator==(GPair const& other) const { return first == other.first && second == other.second; }
    bool operator!=(GPair const& other) const { return !(*this == other); }

    A first;
    B second;
};
