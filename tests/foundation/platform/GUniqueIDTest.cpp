// Version-1 unique identifiers: the byte layout (version, variant, timestamp, clock sequence,
// node), the hexadecimal text, the node taken from the Ethernet address with its first byte's top
// bit set, and the random node of a machine without one, which must differ between processes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "GBuffer.h"
#include "GHexSupport.h"
#include "GUniqueID.h"
#include "TempFolder.h"
#include "macos/IOKitStandIn.h"

namespace fs = std::filesystem;

namespace
{
using Bytes = std::vector<unsigned char>;

constexpr std::uint64_t cGregorianToUnix = 0x01B21DD213814000ULL;

Bytes BytesOf(GBuffer const& buffer)
{
    return Bytes(buffer.GetPtr(), buffer.GetPtr() + buffer.GetLength());
}

std::string TextOf(GBuffer const& buffer)
{
    return std::string(reinterpret_cast<char const*>(buffer.GetPtr()),
                       static_cast<size_t>(buffer.GetLength()));
}

std::uint64_t TimestampOf(Bytes const& id)
{
    auto byte = [&id](int i) { return static_cast<std::uint64_t>(id[static_cast<size_t>(i)]); };
    return (byte(6) & 0x0F) << 56 | byte(7) << 48 | byte(4) << 40 | byte(5) << 32 | byte(0) << 24 |
           byte(1) << 16 | byte(2) << 8 | byte(3);
}

// The 14 bits of the clock sequence the variant leaves.
int ClockSequenceOf(Bytes const& id)
{
    return (id[8] & 0x3F) << 8 | id[9];
}

Bytes NodeOf(Bytes const& id)
{
    return Bytes(id.begin() + 10, id.end());
}

// The wall clock as the identifiers count it: 100-nanosecond intervals since 15 October 1582, in
// whole microseconds.
std::uint64_t GregorianNow()
{
    auto const micro = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return static_cast<std::uint64_t>(micro.count()) * 10 + cGregorianToUnix;
}

void ExpectVersionOneLayout(Bytes const& id)
{
    ASSERT_EQ(id.size(), 16u);
    EXPECT_EQ(id[6] >> 4, 1) << "version 1";
    EXPECT_EQ(id[8] >> 6, 2) << "the RFC 4122 variant";
}

// A network class in a fresh temporary folder, in the layout of sysfs: an interface folder with
// its type and address, and a "device" link to its controller on a built-in bus.
class NetClass
{
public:
    NetClass() : fRoot("uniqueid-net") { fs::create_directories(ClassRoot()); }

    fs::path ClassRoot() const { return fRoot / "class" / "net"; }

    void AddBuiltInEthernet(std::string const& name, std::string const& address)
    {
        fs::path const controller = fRoot / "devices" / "pci0000:00" / name;
        fs::create_directories(controller);
        fs::path const interface = ClassRoot() / name;
        fs::create_directories(interface);
        std::ofstream(interface / "type") << "1\n";
        std::ofstream(interface / "address") << address << "\n";
        fs::create_directory_symlink(controller, interface / "device");
    }

private:
    testsupport::TempFolder fRoot;
};

// Every test says which network class the platform reads, and the real one comes back after it.
class GUniqueIDTest : public ::testing::Test
{
protected:
    void TearDown() override { IOKitStandInSetNetClassRoot(nullptr); }

    void Use(NetClass const& net) { IOKitStandInSetNetClassRoot(net.ClassRoot().c_str()); }

    Bytes MakeBin(GUniqueID& maker)
    {
        GBuffer out("left over from before");
        maker.GetBin(out);
        return BytesOf(out);
    }
};

// Makes one identifier in a child process of its own and returns its bytes.
Bytes IdentifierOfChildProcess()
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {};
    pid_t const child = fork();
    if (child == 0)
    {
        close(pipeEnds[0]);
        GUniqueID maker;
        GBuffer id;
        maker.GetBin(id);
        ssize_t const written = write(pipeEnds[1], id.GetPtr(), static_cast<size_t>(id.GetLength()));
        _exit(written == id.GetLength() ? 0 : 1);
    }
    close(pipeEnds[1]);
    Bytes result;
    unsigned char chunk[64];
    for (ssize_t got; (got = read(pipeEnds[0], chunk, sizeof chunk)) > 0;)
        result.insert(result.end(), chunk, chunk + got);
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child process failed";
    return result;
}
} // namespace

TEST_F(GUniqueIDTest, NodeIsTheEthernetAddressWithTheTopBitOfItsFirstByteSet)
{
    // Identifiers already stored carry the top bit on the node's first byte: an address whose first
    // byte lacks it gets it, one that has it stays as it is.
    struct Case
    {
        char const* fAddress;
        Bytes fNode;
    };
    Case const cases[] = {
        {"00:1b:63:84:45:e6", {0x80, 0x1b, 0x63, 0x84, 0x45, 0xe6}},
        {"01:1b:63:84:45:e6", {0x81, 0x1b, 0x63, 0x84, 0x45, 0xe6}},
        {"9c:1b:63:84:45:e6", {0x9c, 0x1b, 0x63, 0x84, 0x45, 0xe6}},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fAddress);
        NetClass net;
        net.AddBuiltInEthernet("en0", c.fAddress);
        Use(net);
        GUniqueID maker;
        for (int i = 0; i < 3; ++i)
        {
            Bytes const id = MakeBin(maker);
            ExpectVersionOneLayout(id);
            EXPECT_EQ(NodeOf(id), c.fNode);
        }
    }
}

TEST_F(GUniqueIDTest, TimestampCountsTheWallClockSinceTheGregorianReform)
{
    NetClass net;
    net.AddBuiltInEthernet("en0", "00:1b:63:84:45:e6");
    Use(net);
    GUniqueID maker;
    std::uint64_t const before = GregorianNow();
    Bytes const first = MakeBin(maker);
    Bytes const second = MakeBin(maker);
    std::uint64_t const after = GregorianNow();

    EXPECT_GE(TimestampOf(first), before);
    EXPECT_LE(TimestampOf(second), after);
    EXPECT_LE(TimestampOf(first), TimestampOf(second)) << "made in sequence";
    if (TimestampOf(first) == TimestampOf(second))
        EXPECT_EQ(ClockSequenceOf(second), (ClockSequenceOf(first) + 1) & 0x3FFF);
    else
        EXPECT_EQ(ClockSequenceOf(second), ClockSequenceOf(first)) << "a new time keeps the sequence";
}

TEST_F(GUniqueIDTest, IdentifiersMadeInQuickSuccessionAllDiffer)
{
    NetClass net;
    net.AddBuiltInEthernet("en0", "00:1b:63:84:45:e6");
    Use(net);
    GUniqueID maker;
    std::set<Bytes> seen;
    Bytes previous = MakeBin(maker);
    seen.insert(previous);
    for (int i = 0; i < 2000; ++i)
    {
        Bytes const id = MakeBin(maker);
        EXPECT_TRUE(seen.insert(id).second) << "identifier " << i << " came twice";
        ASSERT_GE(TimestampOf(id), TimestampOf(previous));
        if (TimestampOf(id) == TimestampOf(previous))
        {
            EXPECT_EQ(ClockSequenceOf(id), (ClockSequenceOf(previous) + 1) & 0x3FFF);
        }
        previous = id;
    }
}

TEST_F(GUniqueIDTest, WithoutAnEthernetAddressTheNodeIsRandomWithTheTopBitSet)
{
    struct Case
    {
        char const* fLabel;
        bool fFolderExists;
    };
    Case const cases[] = {
        {"no interfaces", true},
        {"no network class at all", false},
    };
    for (Case const& c : cases)
    {
        SCOPED_TRACE(c.fLabel);
        NetClass net;
        if (c.fFolderExists)
            Use(net);
        else
            IOKitStandInSetNetClassRoot((net.ClassRoot() / "missing").c_str());
        GUniqueID one;
        GUniqueID other;
        Bytes const a = MakeBin(one);
        Bytes const b = MakeBin(other);
        ExpectVersionOneLayout(a);
        EXPECT_EQ(NodeOf(a)[0] & 0x80, 0x80) << "the top bit of the first byte, as on stored identifiers";
        EXPECT_EQ(NodeOf(b)[0] & 0x80, 0x80);
        EXPECT_NE(NodeOf(a), NodeOf(b));
        EXPECT_EQ(NodeOf(MakeBin(one)), NodeOf(a)) << "one object keeps its node";
    }
}

TEST_F(GUniqueIDTest, TwoProcessesWithoutAnEthernetAddressMakeDifferentIdentifiers)
{
    NetClass net;
    Use(net);
    // Both children start from this process's state: whatever they draw alike, they draw from it.
    Bytes const first = IdentifierOfChildProcess();
    Bytes const second = IdentifierOfChildProcess();
    ASSERT_EQ(first.size(), 16u);
    ASSERT_EQ(second.size(), 16u);
    ExpectVersionOneLayout(first);
    ExpectVersionOneLayout(second);
    // The times differ anyway; what must differ besides is what a machine without an address has
    // instead of one.
    EXPECT_NE(NodeOf(first), NodeOf(second));
    EXPECT_NE(Bytes(first.begin() + 8, first.end()), Bytes(second.begin() + 8, second.end()));
}

TEST_F(GUniqueIDTest, HexTextIsTheIdentifierInLowerCaseDigits)
{
    NetClass net;
    net.AddBuiltInEthernet("en0", "00:1B:63:84:45:E6");
    Use(net);
    GUniqueID maker;
    GBuffer hex("left over from before");
    std::uint64_t const before = GregorianNow();
    maker.GetHex(hex);
    std::uint64_t const after = GregorianNow();

    std::string const text = TextOf(hex);
    ASSERT_EQ(text.size(), 32u) << text;
    EXPECT_EQ(text.find_first_not_of("0123456789abcdef"), std::string::npos) << text;
    EXPECT_EQ(text.substr(20), "801b638445e6");

    GBuffer bytes;
    GHexSupport::SetFromHexBuffer(hex, bytes);
    Bytes const id = BytesOf(bytes);
    ExpectVersionOneLayout(id);
    EXPECT_GE(TimestampOf(id), before);
    EXPECT_LE(TimestampOf(id), after);
}
