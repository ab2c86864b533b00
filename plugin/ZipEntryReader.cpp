// The current entry of an open archive, read with the plug-in's own decryption.
#include "ZipEntryReader.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace Zolvane
{
namespace
{
// minizip reads the archive 16 KiB at a time whatever it is asked for; a larger block only costs memory.
constexpr unsigned cRawBlock = 16 * 1024;
constexpr uLong cStrongEncryption = 0x40;
constexpr uLong cEncrypted = 0x01;
// With this flag the CRC was not known when the header was written, so the password check byte is
// the high byte of the modification time instead.
constexpr uLong cDataDescriptor = 0x08;
// A 32-bit size of all ones stands for the 64-bit one in the zip64 record.
constexpr ZPOS64_T cInZip64Record = 0xFFFFFFFFu;
constexpr unsigned cZip64RecordId = 0x0001;

std::uint64_t Little(unsigned char const* bytes, int count)
{
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return value;
}
} // namespace

int ZipEntryReader::GetCurrentInfo(unzFile archive, unz_file_info64& info)
{
    int const error = unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0);
    if (error != UNZ_OK)
        return error;
    bool const uncompressed = info.uncompressed_size == cInZip64Record;
    bool const compressed = info.compressed_size == cInZip64Record;
    if (!uncompressed && !compressed)
        return UNZ_OK;
    std::vector<unsigned char> extra(info.size_file_extra + 1, 0);
    unz_file_info64 again{};
    if (unzGetCurrentFileInfo64(archive, &again, nullptr, 0, extra.data(), static_cast<uLong>(extra.size()),
                                nullptr, 0) != UNZ_OK)
        return UNZ_BADZIPFILE;
    // Records of a 2-byte id and a 2-byte size; the zip64 one holds the sizes that are all ones in
    // the header, uncompressed first, eight bytes each.
    std::size_t const length = info.size_file_extra;
    for (std::size_t position = 0; length - position >= 4;)
    {
        unsigned char const* const record = extra.data() + position;
        std::size_t const size = Little(record + 2, 2);
        position += 4;
        if (size > length - position)
            break;
        if (Little(record, 2) == cZip64RecordId)
        {
            std::size_t const needed = (uncompressed ? 8 : 0) + (compressed ? 8 : 0);
            if (size < needed)
                break;
            unsigned char const* value = record + 4;
            if (uncompressed)
            {
                info.uncompressed_size = Little(value, 8);
                value += 8;
            }
            if (compressed)
                info.compressed_size = Little(value, 8);
            return UNZ_OK;
        }
        position += size;
    }
    return UNZ_BADZIPFILE;
}

ZipEntryReader::ZipEntryReader(unzFile archive) : fArchive(archive) {}

ZipEntryReader::~ZipEntryReader()
{
    if (fOpen)
        Release();
}

int ZipEntryReader::Open(QByteArray const& password)
{
    if (fOpen)
        return UNZ_PARAMERROR;
    int error = GetCurrentInfo(fArchive, fInfo);
    if (error != UNZ_OK)
        return error;
    bool const encrypted = (fInfo.flag & cEncrypted) != 0;
    if ((fInfo.flag & cStrongEncryption) != 0 ||
        (fInfo.compression_method != 0 && fInfo.compression_method != Z_DEFLATED))
        return UNZ_BADZIPFILE;
    if (encrypted && password.isEmpty())
        return UNZ_PARAMERROR;

    int method = 0;
    int level = 0;
    error = unzOpenCurrentFile2(fArchive, &method, &level, 1);
    if (error != UNZ_OK)
        return error;
    fOpen = true;
    fCrypto.reset();
    fRawEnded = fStreamEnded = fReadToEnd = false;
    fError = UNZ_OK;
    fCrc = crc32(0, nullptr, 0);
    fProduced = 0;

    if (encrypted)
    {
        fCrypto.emplace(password.constData(), static_cast<std::size_t>(password.size()));
        unsigned char header[ZipTraditionalCrypto::cHeaderSize];
        int const count = unzReadCurrentFile(fArchive, header, sizeof header);
        if (count != static_cast<int>(sizeof header))
        {
            Release();
            return count < 0 ? count : UNZ_BADZIPFILE;
        }
        fCrypto->Decrypt(header, sizeof header);
        uLong const check = (fInfo.flag & cDataDescriptor) != 0 ? fInfo.dosDate >> 8 : fInfo.crc >> 24;
        if (header[sizeof header - 1] != (check & 0xff))
        {
            Release();
            return cBadPassword;
        }
    }
    if (fInfo.compression_method == Z_DEFLATED)
    {
        if (!fRaw)
            fRaw.reset(new unsigned char[cRawBlock]);
        fStream = z_stream{};
        if (inflateInit2(&fStream, -MAX_WBITS) != Z_OK)
        {
            Release();
            return UNZ_INTERNALERROR;
        }
        fInflating = true;
    }
    return UNZ_OK;
}

int ZipEntryReader::Read(void* buffer, unsigned size)
{
    if (!fOpen)
        return UNZ_PARAMERROR;
    if (fError != UNZ_OK)
        return fError;
    // Never more than declared: a few bytes of archive can claim to inflate to gigabytes.
    ZPOS64_T const left = fInfo.uncompressed_size - std::min(fProduced, fInfo.uncompressed_size);
    unsigned const wanted = static_cast<unsigned>(std::min<ZPOS64_T>(size, left));
    unsigned char* const bytes = static_cast<unsigned char*>(buffer);
    int const count = wanted == 0 ? 0 : fInflating ? ReadDeflated(bytes, wanted) : ReadStored(bytes, wanted);
    if (count < 0)
        return count;
    if (count == 0)
        fReadToEnd = true;
    fCrc = crc32(fCrc, bytes, static_cast<uInt>(count));
    fProduced += static_cast<ZPOS64_T>(count);
    return count;
}

int ZipEntryReader::Close()
{
    if (!fOpen)
        return UNZ_PARAMERROR;
    bool const complete = fReadToEnd || fProduced == fInfo.uncompressed_size;
    bool const fits = fProduced == fInfo.uncompressed_size && fCrc == (fInfo.crc & 0xffffffffu);
    int const closed = Release();
    if (fError == UNZ_OK && complete && !fits)
        return UNZ_CRCERROR;
    return closed;
}

int ZipEntryReader::ReadRaw(unsigned char* buffer, unsigned size)
{
    int const count = unzReadCurrentFile(fArchive, buffer, size);
    if (count > 0 && fCrypto)
        fCrypto->Decrypt(buffer, static_cast<std::size_t>(count));
    return count;
}

int ZipEntryReader::ReadStored(unsigned char* buffer, unsigned size)
{
    unsigned filled = 0;
    while (filled < size && !fRawEnded)
    {
        int const count = ReadRaw(buffer + filled, size - filled);
        if (count < 0)
            return Fail(count, filled);
        if (count == 0)
            fRawEnded = true;
        filled += static_cast<unsigned>(count);
    }
    return static_cast<int>(filled);
}

int ZipEntryReader::ReadDeflated(unsigned char* buffer, unsigned size)
{
    fStream.next_out = buffer;
    fStream.avail_out = size;
    while (fStream.avail_out > 0 && !fStreamEnded)
    {
        if (fStream.avail_in == 0 && !fRawEnded)
        {
            int const count = ReadRaw(fRaw.get(), cRawBlock);
            if (count < 0)
                return Fail(count, size - fStream.avail_out);
            fRawEnded = count == 0;
            fStream.next_in = fRaw.get();
            fStream.avail_in = static_cast<uInt>(count);
        }
        int const result = inflate(&fStream, Z_NO_FLUSH);
        if (result == Z_STREAM_END)
            fStreamEnded = true;
        else if (result == Z_BUF_ERROR)
        {
            // No progress without more input: the data ends inside the stream.
            if (fStream.avail_in == 0 && fRawEnded)
                return Fail(Z_DATA_ERROR, size - fStream.avail_out);
        }
        else if (result != Z_OK)
            return Fail(result == Z_MEM_ERROR ? UNZ_INTERNALERROR : Z_DATA_ERROR, size - fStream.avail_out);
    }
    return static_cast<int>(size - fStream.avail_out);
}

int ZipEntryReader::Fail(int code, unsigned produced)
{
    // What came before the error is handed out first; the error follows on the next read.
    fError = code;
    return produced > 0 ? static_cast<int>(produced) : code;
}

int ZipEntryReader::Release()
{
    if (fInflating)
        inflateEnd(&fStream);
    fInflating = false;
    fOpen = false;
    return unzCloseCurrentFile(fArchive);
}
} // namespace Zolvane
