// Traditional PKWARE encryption of zip entries, the protection of every Sendrixor archive: three
// 32-bit keys set up from the password bytes and moved on by every byte of plain text. The reader
// decrypts with it; tests and the fuzz target write encrypted entries with the same keys.
#pragma once

#include <cstddef>
#include <cstdint>

#include <zlib.h>

namespace Zolvane
{
class ZipTraditionalCrypto
{
public:
    // An encrypted entry's data begins with this many bytes of header; the last one checks the
    // password.
    static constexpr int cHeaderSize = 12;

    // The keys set up from the password's bytes (no terminating zero).
    ZipTraditionalCrypto(char const* password, std::size_t length);

    // Moves the keys on by one byte of plain text.
    void UpdateKeys(std::uint8_t plain)
    {
        fKeys[0] = Crc(fKeys[0], plain);
        fKeys[1] = (fKeys[1] + (fKeys[0] & 0xff)) * 134775813u + 1;
        fKeys[2] = Crc(fKeys[2], static_cast<std::uint8_t>(fKeys[1] >> 24));
    }
    // The byte the next text byte is combined with.
    std::uint8_t StreamByte() const
    {
        std::uint32_t const temp = (fKeys[2] | 2) & 0xffff;
        return static_cast<std::uint8_t>((temp * (temp ^ 1)) >> 8);
    }
    std::uint8_t Decrypt(std::uint8_t cipher)
    {
        std::uint8_t const plain = cipher ^ StreamByte();
        UpdateKeys(plain);
        return plain;
    }
    std::uint8_t Encrypt(std::uint8_t plain)
    {
        std::uint8_t const cipher = plain ^ StreamByte();
        UpdateKeys(plain);
        return cipher;
    }
    // In place.
    void Decrypt(unsigned char* bytes, std::size_t size);
    void Encrypt(unsigned char* bytes, std::size_t size);

private:
    std::uint32_t Crc(std::uint32_t crc, std::uint8_t byte) const
    {
        return static_cast<std::uint32_t>(fCrcTable[(crc ^ byte) & 0xff]) ^ (crc >> 8);
    }

    z_crc_t const* fCrcTable;
    std::uint32_t fKeys[3];
};
} // namespace Zolvane
