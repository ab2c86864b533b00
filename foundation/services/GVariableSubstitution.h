// A rule that stores text of one kind with variables in it and gives the text back without them: a
// path under the user's home, say, stored as a variable followed by the rest of the path. The
// preferences apply the installed rules to the kinds of text they handle; none is installed by the
// system itself.
#pragma once

class GString;

class GVariableSubstitution
{
public:
    enum StringType
    {
        cPathNameType = 1
    };

    virtual ~GVariableSubstitution() = default;

    virtual bool HandlesStringType(StringType type) const = 0;
    // Plain text to the form that is stored.
    virtual void SubstituteToVariables(GString& text) const = 0;
    // The stored form back to plain text.
    virtual void SubstituteFromVariables(GString& text) const = 0;
};
