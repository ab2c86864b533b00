// A platform service that names kinds of file the registry does not know; none is installed by
// default, and kinds made without one have an empty descriptor.
#pragma once

class GString;

class GFileTypeImp
{
public:
    virtual ~GFileTypeImp() = default;

    // Fills descriptor with a readable name for files with the extension (without the ".").
    virtual void DescribeExtension(GString const& extension, GString& descriptor) = 0;
    // Fills descriptor for the Mac codes, each read as a big-endian number.
    virtual void DescribeCreatorAndType(unsigned int creator, unsigned int type, GString& descriptor) = 0;
};
