// The current entry of an open archive, read through zlib with the plug-in's own decryption: the
// system's minizip is built without decryption and answers a parameter error to any password. The
// entry is opened raw; its bytes are decrypted, then inflated or copied, never beyond the size the
// entry declares (in its zip64 record where it has one), and checked against its CRC-32 at the
// end. The results are minizip's codes, so that the archive reader reads as it would over minizip's
// own entry reader.
#pragma once

#include <QByteArray>

#include <memory>
#include <optional>

#include <minizip/unzip.h>
#include <zlib.h>

#include "ZipTraditionalCrypto.h"

namespace Zolvane
{
class ZipEntryReader
{
public:
    // minizip has no code of its own for a password whose check byte does not fit the entry.
    static constexpr int cBadPassword = -106;

    // The archive stays the caller's; it must outlive the reader.
    explicit ZipEntryReader(unzFile archive);
    // Closes an entry still open.
    ~ZipEntryReader();
    ZipEntryReader(ZipEntryReader const&) = delete;
    ZipEntryReader& operator=(ZipEntryReader const&) = delete;

    // Opens the archive's current entry. The password's bytes are needed when the entry is
    // encrypted and ignored when it is not. UNZ_OK; UNZ_PARAMERROR for an encrypted entry without
    // password (or a reader already open); cBadPassword when the password does not fit;
    // UNZ_BADZIPFILE for a method other than stored or deflated, strong encryption or an encryption
    // header cut short; or minizip's own error.
    int Open(QByteArray const& password);
    // Reads up to size bytes: their count, 0 at the end of the entry or of its declared size, or a
    // negative code (UNZ_ERRNO, Z_DATA_ERROR, ...). Bytes read before an error come first; the error
    // then stays for every later read.
    int Read(void* buffer, unsigned size);
    // Closes the entry: UNZ_CRCERROR when it was read to its end but what was read does not have the
    // declared size or CRC-32; otherwise minizip's result.
    int Close();

    // The open entry's information as minizip gives it, with the sizes of its zip64 record.
    unz_file_info64 const& Info() const { return fInfo; }

    // The current entry's information, with the 64-bit sizes of its zip64 record (extra field 0x0001)
    // in place of the 32-bit ones that hold all ones, as Debian's minizip leaves them. UNZ_OK;
    // UNZ_BADZIPFILE when such a size has no value in the record; or minizip's own error.
    static int GetCurrentInfo(unzFile archive, unz_file_info64& info);

private:
    int ReadRaw(unsigned char* buffer, unsigned size);
    int ReadStored(unsigned char* buffer, unsigned size);
    int ReadDeflated(unsigned char* buffer, unsigned size);
    // Keeps the error for every later read; the result of the read that met it.
    int Fail(int code, unsigned produced);
    // Ends inflating and minizip's raw read.
    int Release();

    unzFile fArchive;
    bool fOpen = false;
    unz_file_info64 fInfo{};
    std::optional<ZipTraditionalCrypto> fCrypto;
    bool fInflating = false;
    z_stream fStream{};
    // Raw bytes waiting for inflate.
    std::unique_ptr<unsigned char[]> fRaw;
    bool fRawEnded = false;
    bool fStreamEnded = false;
    bool fReadToEnd = false;
    int fError = UNZ_OK;
    uLong fCrc = 0;
    ZPOS64_T fProduced = 0;
};
} // namespace Zolvane
