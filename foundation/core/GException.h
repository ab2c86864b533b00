// The root of every error the foundation throws: its id is the string-pool id of its message.
#pragma once

class GException
{
public:
    GException();
    explicit GException(int id);
    GException(GException const&) = default;
    GException& operator=(GException const&) = default;
    virtual ~GException();

    virtual int GetExceptionID() const;

private:
    int fID;
};
