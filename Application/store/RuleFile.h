#pragma once

#include <string>

class TCryptography;
class TMemoryStream;
class TdxMemData;

/// A rule file: a table in the table stream format (TableStream), encrypted with the file cipher
/// (TEncryptionStream / TDecryptionStream). Both routines build the whole plaintext in the work
/// stream, which the caller keeps for reuse.
namespace RuleFile {

/// Decrypts the file into the work stream and replaces the table's content with it. Raises
/// EFOpenError for a file that cannot be opened, EReadError for a read failure and
/// EDatabaseError "The data is incorrect" for data that is not a table stream.
void Read(TdxMemData& table, const std::string& path, TCryptography& cipher, TMemoryStream& work);

/// Writes the table, encrypted, to the path. The content goes to a new file beside it that
/// replaces the old one in one step once it is complete; on any failure (raised as
/// EFOpenError or EWriteError) the old file, if any, stays whole.
void Write(const TdxMemData& table, const std::string& path, TCryptography& cipher,
           TMemoryStream& work);

} // namespace RuleFile
