// Fixed-size values (the 32-bit integers of the delivery link's formats) read and written at a
// shared-memory block's position, in the machine's byte order.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "GSharedMemoryBase.h"
#include "GSimpleException.h"
#include "PUNIXSharedMemory.h"

class GBinaryShMemUtils
{
public:
    GBinaryShMemUtils() = delete;

    // Throws 40161 when fewer bytes than the value's size are left after the position, 40163 when
    // the read gives another count; a failure leaves the position where it was.
    template<class T>
    static void Read(GSharedMemoryBase<PUNIXSharedMemory>& block, T& value)
    {
        static_assert(std::is_trivially_copyable<T>::value, "values are copied as bytes");
        int const start = block.GetPosition();
        if (static_cast<long long>(block.GetLength()) - start < static_cast<long long>(sizeof(T)))
            throw GSimpleException(cNotEnoughData);
        unsigned char bytes[sizeof(T)];
        if (block.Read(bytes, static_cast<int>(sizeof(T))) != static_cast<int>(sizeof(T)))
        {
            block.SetPosition(start);
            throw GSimpleException(cCannotRead);
        }
        std::memcpy(&value, bytes, sizeof(T));
    }

    // Throws 40160 when fewer bytes than the value's size are left after the position, 40164 when
    // the write stores another count; a failure leaves the position where it was.
    template<class T>
    static void Write(GSharedMemoryBase<PUNIXSharedMemory>& block, T const& value)
    {
        static_assert(std::is_trivially_copyable<T>::value, "values are copied as bytes");
        int const start = block.GetPosition();
        if (static_cast<long long>(block.GetLength()) - start < static_cast<long long>(sizeof(T)))
            throw GSimpleException(cNotEnoughSpace);
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        if (block.Write(bytes, static_cast<int>(sizeof(T))) != static_cast<int>(sizeof(T)))
        {
            block.SetPosition(start);
            throw GSimpleException(cCannotWrite);
        }
    }

    // The 32-bit field at offset, read under the block's lock.
    static std::int32_t ReadAt(GSharedMemoryBase<PUNIXSharedMemory>& block, int offset)
    {
        std::int32_t value = 0;
        block.SetPosition(offset);
        Read(block, value);
        return value;
    }
    static void WriteAt(GSharedMemoryBase<PUNIXSharedMemory>& block, int offset, std::int32_t value)
    {
        block.SetPosition(offset);
        Write(block, value);
    }
    // The version field at offset of a block another process may have just created: its creator
    // writes the header under the block's lock after making the block, so a 0 there is waited for
    // (with the lock let go) up to PUNIXSharedObjectSupport::cMakingSeconds.
    static std::int32_t ReadMadeVersion(GSharedMemoryBase<PUNIXSharedMemory>& block, int offset);

    // "Not enough space left for the specified write operation"
    static constexpr int cNotEnoughSpace = 40160;
    // "Not enough data left to read an object of the specified type"
    static constexpr int cNotEnoughData = 40161;
    // "Unknown error while reading from the shared memory"
    static constexpr int cCannotRead = 40163;
    // "Unknown error while writing to the shared memory"
    static constexpr int cCannotWrite = 40164;
};
