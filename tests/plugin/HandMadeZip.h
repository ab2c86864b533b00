// Zip archives written byte by byte, for what no zip tool writes: any name bytes, extra field, flags,
// method, sizes and CRC-32, entries encrypted with the reader's own keys, and damaged data. Local
// headers, central directory and end record are laid out as the format has them, with sizes and
// CRC-32 in the local header too, and a data descriptor after the data where flag bit 3 asks for one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <zlib.h>

#include "ZipTraditionalCrypto.h"

namespace ziptest
{
constexpr std::uint32_t cUnixMode = 16; // shift of a Unix mode in the external attributes

inline std::uint32_t Crc32(std::string const& bytes)
{
    return static_cast<std::uint32_t>(crc32(
        crc32(0, nullptr, 0), reinterpret_cast<Bytef const*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// Raw deflate (no zlib wrapper), as zip entries hold it.
inline std::string Deflated(std::string const& bytes, int flush = Z_FINISH)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    int const result = deflate(&stream, flush);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != (flush == Z_FINISH ? Z_STREAM_END : Z_OK))
        throw std::runtime_error("deflate");
    return out;
}

// An extra-field record in the layout the reader looks for: 2-byte id little-endian, 4-byte size
// big-endian.
inline std::string NameRecord(std::uint16_t id, std::string const& data)
{
    std::uint32_t const size = static_cast<std::uint32_t>(data.size());
    std::string record;
    record += static_cast<char>(id & 0xff);
    record += static_cast<char>(id >> 8);
    for (int shift = 24; shift >= 0; shift -= 8)
        record += static_cast<char>((size >> shift) & 0xff);
    return record + data;
}

// One entry; the setters chain.
struct HandEntry
{
    HandEntry(std::string entryName, std::string entryContent)
        : name(std::move(entryName)), content(std::move(entryContent))
    {
    }

    HandEntry& Deflate()
    {
        method = 8;
        return *this;
    }
    HandEntry& Method(std::uint16_t value)
    {
        method = value;
        return *this;
    }
    HandEntry& Extra(std::string value)
    {
        extra = std::move(value);
        return *this;
    }
    HandEntry& Flags(std::uint16_t value)
    {
        flags = value;
        return *this;
    }
    HandEntry& Attributes(std::uint32_t value, std::uint16_t versionMadeBy = 0x031E)
    {
        externalAttributes = value;
        madeBy = versionMadeBy;
        return *this;
    }
    HandEntry& Encrypt(std::string value)
    {
        password = std::move(value);
        return *this;
    }
    HandEntry& Crc(std::uint32_t value)
    {
        crc = value;
        return *this;
    }
    HandEntry& DeclaredSize(std::uint32_t value)
    {
        declaredSize = value;
        return *this;
    }
    // The entry's data as the archive holds it before any encryption (in place of the content
    // deflated or stored).
    HandEntry& Data(std::string value)
    {
        data = std::move(value);
        return *this;
    }
    // The bytes as the archive holds them, encryption header included: nothing is encrypted.
    HandEntry& Raw(std::string value)
    {
        raw = std::move(value);
        return *this;
    }
    HandEntry& CheckByte(std::uint8_t value)
    {
        checkByte = value;
        return *this;
    }

    std::string name;
    std::string content;
    std::uint16_t method = 0;
    std::string extra;
    std::uint16_t flags = 0;
    std::uint32_t externalAttributes = 0100644u << cUnixMode;
    std::uint16_t madeBy = 0x031E; // Unix, version 3.0
    std::uint16_t dosTime = 0x6B1B;
    std::uint16_t dosDate = 0x5A2E;
    std::string password;
    std::optional<std::uint32_t> crc;
    std::optional<std::uint32_t> declaredSize;
    std::optional<std::string> data;
    std::optional<std::string> raw;
    std::optional<std::uint8_t> checkByte;
};

namespace detail
{
inline void Put16(std::string& out, std::uint32_t value)
{
    out += static_cast<char>(value & 0xff);
    out += static_cast<char>((value >> 8) & 0xff);
}

inline void Put32(std::string& out, std::uint32_t value)
{
    Put16(out, value & 0xffff);
    Put16(out, value >> 16);
}
} // namespace detail

// The archive's bytes. claimedCount, when given, is the entry count the end record states; the
// comment follows the end record.
inline std::string ZipOf(std::vector<HandEntry> const& entries,
                         std::optional<std::uint16_t> claimedCount = {},
                         std::string const& comment = std::string())
{
    using detail::Put16;
    using detail::Put32;
    std::string out;
    std::string directory;
    for (std::size_t index = 0; index < entries.size(); ++index)
    {
        HandEntry const& entry = entries[index];
        std::uint32_t const crc = entry.crc ? *entry.crc : Crc32(entry.content);
        std::uint16_t flags = entry.flags;
        std::string stored = entry.data          ? *entry.data
                             : entry.method == 8 ? Deflated(entry.content)
                                                 : entry.content;
        if (entry.raw)
            stored = *entry.raw;
        else if (!entry.password.empty())
        {
            flags |= 1;
            std::string header(Zolvane::ZipTraditionalCrypto::cHeaderSize, '\0');
            for (std::size_t i = 0; i + 1 < header.size(); ++i)
                header[i] = static_cast<char>(index * 31 + i * 7 + 1);
            std::uint8_t const check = (flags & 8) != 0 ? entry.dosTime >> 8 : crc >> 24;
            header.back() = static_cast<char>(entry.checkByte ? *entry.checkByte : check);
            stored = header + stored;
            Zolvane::ZipTraditionalCrypto keys(entry.password.data(), entry.password.size());
            keys.Encrypt(reinterpret_cast<unsigned char*>(stored.data()), stored.size());
        }
        std::uint32_t const size =
            entry.declaredSize ? *entry.declaredSize : static_cast<std::uint32_t>(entry.content.size());
        auto const common = [&](std::string& header)
        {
            Put16(header, 20); // version needed
            Put16(header, flags);
            Put16(header, entry.method);
            Put16(header, entry.dosTime);
            Put16(header, entry.dosDate);
            Put32(header, crc);
            Put32(header, static_cast<std::uint32_t>(stored.size()));
            Put32(header, size);
            Put16(header, static_cast<std::uint32_t>(entry.name.size()));
            Put16(header, static_cast<std::uint32_t>(entry.extra.size()));
        };
        std::uint32_t const offset = static_cast<std::uint32_t>(out.size());
        Put32(out, 0x04034b50);
        common(out);
        out += entry.name + entry.extra + stored;
        if ((flags & 8) != 0)
        {
            Put32(out, 0x08074b50);
            Put32(out, crc);
            Put32(out, static_cast<std::uint32_t>(stored.size()));
            Put32(out, size);
        }

        Put32(directory, 0x02014b50);
        Put16(directory, entry.madeBy);
        common(directory);
        Put16(directory, 0); // comment
        Put16(directory, 0); // disk
        Put16(directory, 0); // internal attributes
        Put32(directory, entry.externalAttributes);
        Put32(directory, offset);
        directory += entry.name + entry.extra;
    }
    std::uint32_t const directoryOffset = static_cast<std::uint32_t>(out.size());
    out += directory;
    std::uint16_t const count = claimedCount ? *claimedCount : static_cast<std::uint16_t>(entries.size());
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, count);
    Put16(out, count);
    Put32(out, static_cast<std::uint32_t>(directory.size()));
    Put32(out, directoryOffset);
    Put16(out, static_cast<std::uint32_t>(comment.size()));
    return out + comment;
}

inline void WriteFile(std::filesystem::path const& path, std::string const& bytes)
{
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::string ReadFile(std::filesystem::path const& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
} // namespace ziptest
