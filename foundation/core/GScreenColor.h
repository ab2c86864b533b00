// A colour on the screen: red, green and blue, each a fraction from 0 to 1, as the toolkit hands
// colours to and from Qt.
#pragma once

class GScreenColor
{
public:
    GScreenColor() : fRed(0), fGreen(0), fBlue(0) {}
    GScreenColor(double red, double green, double blue) : fRed(red), fGreen(green), fBlue(blue) {}

    double GetRed() const { return fRed; }
    double GetGreen() const { return fGreen; }
    double GetBlue() const { return fBlue; }
    void Set(double red, double green, double blue)
    {
        fRed = red;
        fGreen = green;
        fBlue = blue;
    }

    bool operator==(GScreenColor const& other) const
    {
        return fRed == other.fRed && fGreen == other.fGreen && fBlue == other.fBlue;
    }
    bool operator!=(GScreenColor const& other) const { return !(*this == other); }

private:
    double fRed;
    double fGreen;
    double fBlue;
};
