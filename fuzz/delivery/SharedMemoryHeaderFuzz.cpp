// Hostile bytes in a shared-memory block's header and list, as any local process can write them:
// the block is then opened, created again, asked after, read, written and closed. Every failure is
// one of the block's own errors, nothing hangs, and no write lands outside the range it was given.
//
// Input, byte by byte: the data size (a choice among a few, one of them a whole number of pages
// with the header), what to do with the damaged block, the list entry that gets this process's id
// (8 or more: none), a 16-bit offset and 4 bytes written there, a 32-bit position and a 32-bit
// count for the transfers, then the bytes laid over the header from its start (at most the three
// fields and 8 list entries; the rest of the list stays as the creator left it).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

#include "GBasicFrameworkCoreLayer.h"
#include "GBinaryShMemUtils.h"
#include "GBufferShMemUtils.h"
#include "GException.h"
#include "GSharedMemoryBase.h"
#include "FuzzCheck.h"
#include "MappedSharedObject.h"
#include "PUNIXSharedMemory.h"

namespace
{
using Block = GSharedMemoryBase<PUNIXSharedMemory>;

// 4084 makes the block exactly two pages, so that a write past its end faults at once.
constexpr int cDataSizes[] = {0, 3, 16, 64, 4084};
constexpr int cLaidListEntries = 8;
constexpr int cLaidBytes = PUNIXSharedMemory::cListOffset + 4 * cLaidListEntries;

using fuzzsupport::Fail;

bool IsBlockError(int id)
{
    switch (id)
    {
    case 40154: // unknown version
    case 40160: // not enough space
    case 40161: // not enough data
    case 40162: // invalid characters
    case 40163: // read error
    case 40164: // write error
    case 40165: // cannot open
    case 40166: // cannot create
    case 40167: // cannot map
    case 40168: // other size
    case 40170: // cannot resize
    case 40171: // list full
    case 40200: // mutex cannot be created
    case 40201: // mutex name
        return true;
    default:
        return false;
    }
}

// Runs the operation; a GException must carry one of these errors. True when it succeeded.
template<class Operation>
bool Try(char const* what, Operation operation)
{
    return fuzzsupport::TryExpecting(what, IsBlockError, operation);
}

class Input
{
public:
    Input(std::uint8_t const* data, std::size_t size) : fData(data), fSize(size) {}

    std::uint8_t Byte() { return fOffset < fSize ? fData[fOffset++] : 0; }
    std::uint32_t Word()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        return value;
    }
    std::size_t Left() const { return fSize - fOffset; }
    std::uint8_t const* Rest() const { return fData + fOffset; }

private:
    std::uint8_t const* fData;
    std::size_t fSize;
    std::size_t fOffset = 0;
};

// The block's bytes as another process maps them.
using View = fuzzsupport::MappedSharedObject;

// A count for the transfers: the input's, kept within a few bytes of the data around it.
int Count(std::uint32_t raw, int dataSize)
{
    int const span = 2 * dataSize + 32;
    return static_cast<int>(raw % static_cast<std::uint32_t>(span)) - 16;
}

// Writes through the block and checks, in the view, that only the bytes reported were changed.
void CheckedWrite(Block& block, View const& view, int position, int count)
{
    std::vector<std::uint8_t> const before(view.Bytes(), view.Bytes() + view.Size());
    std::vector<std::uint8_t> bytes(count > 0 ? static_cast<std::size_t>(count) : 1, 0xA5);
    block.SetPosition(position);
    int written = 0;
    Try("write", [&] { written = block.Write(bytes.data(), count); });
    if (written < 0 || written > (count > 0 ? count : 0))
        Fail("write count", std::to_string(written));
    std::size_t const from =
        PUNIXSharedMemory::cHeaderSize + static_cast<std::size_t>(written > 0 ? position : 0);
    std::size_t const to = from + static_cast<std::size_t>(written);
    for (std::size_t i = 0; i < view.Size(); ++i)
    {
        bool const inside = i >= from && i < to;
        if (!inside && view.Bytes()[i] != before[i])
            Fail("write outside its range", std::to_string(i));
        if (inside && view.Bytes()[i] != 0xA5)
            Fail("write lost", std::to_string(i));
    }
}

void UseOpened(Block& block, View const& view, int position, int count)
{
    CheckedWrite(block, view, position, count);
    std::vector<std::uint8_t> read(count > 0 ? static_cast<std::size_t>(count) : 1);
    block.SetPosition(position);
    Try("read", [&] { block.Read(read.data(), count); });
    GBuffer buffer;
    block.SetPosition(position);
    Try("read buffer", [&] { block.Read(buffer, count); });
    for (int step = 0; step < 2; ++step)
    {
        block.SetPosition(position);
        int const before = block.GetPosition();
        std::int32_t value = count;
        if (!Try("write integer", [&] { GBinaryShMemUtils::Write(block, value); }) &&
            block.GetPosition() != before)
            Fail("failed integer write moved the position");
        block.SetPosition(position);
        if (!Try("read integer", [&] { GBinaryShMemUtils::Read(block, value); }) &&
            block.GetPosition() != before)
            Fail("failed integer read moved the position");
        block.SetPosition(position);
        GBuffer const text(read.data(), count > 0 ? count : 0);
        if (!Try("write string", [&] { GBufferShMemUtils::Write(block, text); }) &&
            block.GetPosition() != before)
            Fail("failed string write moved the position");
        block.SetPosition(position);
        GBuffer back;
        if (!Try("read string", [&] { GBufferShMemUtils::Read(block, back); }) &&
            block.GetPosition() != before)
            Fail("failed string read moved the position");
        position = count;
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    GBasicFrameworkCoreLayer::Initialize();
    // Stopped at exit, so that the leak checker sees nothing of the foundation left.
    std::atexit([] { GBasicFrameworkCoreLayer::Finalize(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    Input input(data, size);
    int const dataSize = cDataSizes[input.Byte() % (sizeof cDataSizes / sizeof cDataSizes[0])];
    int const operation = input.Byte() % 5;
    int const selfEntry = input.Byte();
    std::uint32_t const patchOffset = input.Byte() | (static_cast<std::uint32_t>(input.Byte()) << 8);
    std::uint32_t const patchValue = input.Word();
    int const position = static_cast<int>(input.Word());
    int const count = Count(input.Word(), dataSize);

    std::string const id = "Fz" + std::to_string(getpid());
    GBuffer const idBytes(reinterpret_cast<unsigned char const*>(id.data()), static_cast<int>(id.size()));
    std::string const dataName = "/ZlvShD" + id;
    std::string const lockName = "/ZlvShL" + id;
    shm_unlink(dataName.c_str());
    shm_unlink(lockName.c_str());
    {
        bool created = false;
        std::unique_ptr<Block> creator;
        if (!Try("create",
                 [&] { creator = std::make_unique<Block>(GBuffer(), idBytes, dataSize, created); }) ||
            !created)
            Fail("a fresh block was not created");
        View const view(dataName);
        if (!view.Bytes() ||
            view.Size() != static_cast<std::size_t>(PUNIXSharedMemory::cHeaderSize + dataSize))
            Fail("the block is not the size it was made with");

        // The damage, as another process does it.
        std::size_t const laid =
            input.Left() < static_cast<std::size_t>(cLaidBytes) ? input.Left() : cLaidBytes;
        std::memcpy(view.Bytes(), input.Rest(), laid);
        std::size_t const patchAt = patchOffset % (view.Size() - 3);
        std::memcpy(view.Bytes() + patchAt, &patchValue, 4);
        if (selfEntry < cLaidListEntries)
        {
            std::int32_t const self = getpid();
            std::memcpy(view.Bytes() + PUNIXSharedMemory::cListOffset + 4 * selfEntry, &self, 4);
        }

        switch (operation)
        {
        case 0:
        {
            std::unique_ptr<Block> opened;
            if (Try("open", [&] { opened = std::make_unique<Block>(GBuffer(), idBytes); }))
                UseOpened(*opened, view, position, count);
            break;
        }
        case 1:
        case 2:
        {
            std::unique_ptr<Block> opened;
            bool again = true;
            int const size = dataSize + operation - 1;
            if (Try("open or create",
                    [&] { opened = std::make_unique<Block>(GBuffer(), idBytes, size, again); }))
            {
                if (size != dataSize && !again)
                    Fail("a block of another size was opened");
                if (!again)
                    UseOpened(*opened, view, position, count);
            }
            break;
        }
        case 3:
            Block::Exists(GBuffer(), idBytes);
            break;
        default:
            Try("purge", [&] { PUNIXSharedMemory::CheckConsistency(GBuffer(dataName.c_str())); });
            break;
        }
        // The creator's own object keeps to the size it mapped, whatever the header says now.
        UseOpened(*creator, view, position, count);
    }
    shm_unlink(dataName.c_str());
    shm_unlink(lockName.c_str());
    return 0;
}
