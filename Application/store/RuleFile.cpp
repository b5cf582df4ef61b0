#include "Application/store/RuleFile.h"

#include "Application/store/CryptographyStream.h"
#include "Application/store/FileStream.h"
#include "Application/store/MemoryStream.h"
#include "Application/store/TableStream.h"

#include <span>

namespace RuleFile {

void Read(TdxMemData& table, const std::string& path, TCryptography& cipher, TMemoryStream& work) {
    TFileStream file(path, TFileMode::OpenRead);
    TDecryptionStream decryption(&file, TCipherOwnership::Borrowed, TStreamOwnership::Borrowed,
                                 &cipher);
    work.Clear();
    work.CopyFrom(decryption, 0);
    work.SetPosition(0);
    TableStream::Load(
        table, std::span<const std::uint8_t>(work.Memory(), static_cast<std::size_t>(work.Size())));
}

void Write(const TdxMemData& table, const std::string& path, TCryptography& cipher,
           TMemoryStream& work) {
    const std::vector<std::uint8_t> plain = TableStream::Save(table);
    work.Clear();
    work.WriteBuffer(plain.data(), static_cast<std::int64_t>(plain.size()));

    TFileStream file(path, TFileMode::CreateReplacement);
    {
        TEncryptionStream encryption(&file, TCipherOwnership::Borrowed, TStreamOwnership::Borrowed,
                                     &cipher);
        encryption.CopyFrom(work, 0);
        encryption.Finish();
    }
    file.Commit();
}

} // namespace RuleFile
