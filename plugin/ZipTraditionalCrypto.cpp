// Traditional PKWARE encryption of zip entries.
#include "ZipTraditionalCrypto.h"

namespace Zolvane
{
ZipTraditionalCrypto::ZipTraditionalCrypto(char const* password, std::size_t length)
    : fCrcTable(get_crc_table()), fKeys{305419896u, 591751049u, 878082192u}
{
    for (std::size_t i = 0; i < length; ++i)
        UpdateKeys(static_cast<std::uint8_t>(password[i]));
}

// Both loops work on a copy held in registers: a store through the byte pointer could alias the
// keys and would otherwise reload them for every byte.
void ZipTraditionalCrypto::Decrypt(unsigned char* bytes, std::size_t size)
{
    ZipTraditionalCrypto keys = *this;
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = keys.Decrypt(bytes[i]);
    *this = keys;
}

void ZipTraditionalCrypto::Encrypt(unsigned char* bytes, std::size_t size)
{
    ZipTraditionalCrypto keys = *this;
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = keys.Encrypt(bytes[i]);
    *this = keys;
}
} // namespace Zolvane
