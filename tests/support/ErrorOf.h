// The message id of the foundation exception an operation throws, so that tables of cases can say
// which error they expect.
#pragma once

#include "GException.h"

namespace testsupport
{
// The id of the GException that operation throws; 0 when it throws none. Any other exception
// passes through to fail the test.
template<class Operation>
int ErrorOf(Operation operation)
{
    try
    {
        operation();
    }
    catch (GException const& exception)
    {
        return exception.GetExceptionID();
    }
    return 0;
}
} // namespace testsupport
