// The whole-file locks of this process's open files, as other processes meet them. A lock guards a
// file against other processes only: this process opens its own file as often as it likes, to read
// and to write, while another process is refused.
//
// The system's record locks of an open file description are kept, which stay when the process
// opens and closes the same file elsewhere (an in-use test, a copy, a second stream), where the
// process's own record locks would go with the first close. They are held on a description of
// their own, one per file, for as long as any open file of the process needs the lock, and at the
// strength of the strongest need. A child made by fork holds none of them.
#pragma once

#include <sys/types.h>

class PUNIXFileLocks
{
public:
    PUNIXFileLocks() = delete;

    // What one open file holds, to be given back through Release. Empty when it holds nothing.
    struct Hold
    {
        enum Kind
        {
            cNothing,
            cShared,
            cExclusive
        };
        dev_t fDevice = 0;
        ino_t fInode = 0;
        Kind fKind = cNothing;
    };

    // Takes the exclusive or the shared lock of the file open at descriptor for this process,
    // without waiting. 0 when it is held, and when the file system keeps no record locks at all
    // (ENOTSUP, EOPNOTSUPP: nobody can hold one there; hold stays empty). Otherwise the errno, and
    // nothing is held: EAGAIN or EACCES when another process holds a lock in the way, any other
    // (ENOLCK: no room for the lock, a lock manager that failed) when locking itself failed.
    static int Acquire(int descriptor, bool exclusive, Hold& hold);
    // Gives back what Acquire took and empties hold; the lock goes when no open file of the process
    // needs it any more, and a write lock that only readers still need becomes a read lock.
    static void Release(Hold& hold);
    // Whether another process holds a lock on the file open at descriptor: 0 with the answer (false
    // where the file system keeps no record locks), or the errno of a question that failed.
    static int IsLockedElsewhere(int descriptor, bool& locked);
};
